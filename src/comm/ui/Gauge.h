#pragma once

#include <QColor>
#include <QWidget>

namespace wayline {

// A horizontal progress bar between a minimum and a maximum, filled from
// the left, framed, with the whole percentage centred over it and drawn
// inverted against whatever lies below (so it reads on the fill and beside
// it). It repaints at once, because it counts packets while the transfer
// keeps the user-interface thread busy, and only when the whole percentage
// changes.
class TGauge : public QWidget {
    Q_OBJECT
public:
    explicit TGauge(QWidget* parent = nullptr);

    int MinValue() const { return Minimum; }
    int MaxValue() const { return Maximum; }
    int Progress() const { return Value; }
    void SetMaxValue(int value);
    // Clamped to the range.
    void SetProgress(int value);
    void AddProgress(int delta) { SetProgress(Value + delta); }
    // The whole percent done, truncated; 0 when the range is empty.
    int PercentDone() const;
    // "33%".
    QString PercentText() const;

    void SetForeColor(const QColor& color);
    void SetBackColor(const QColor& color);

    // The program-image number whose packets this gauge counts; -1 for none.
    int Tag() const { return ImageTag; }
    void SetTag(int tag) { ImageTag = tag; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Repaints now when the shown percentage differs from the last painted.
    void RepaintIfChanged();

    int Minimum = 0;
    int Maximum = 100;
    int Value = 0;
    int PaintedPercent = -1;
    int ImageTag = -1;
    QColor Fill{0, 128, 0};
    QColor Back;
};

} // namespace wayline
