#pragma once

#include "codegen/core/MemoryUse.h"

#include <QString>
#include <QWidget>

class QMouseEvent;
class QPaintEvent;

namespace wayline {

// A small bar that shows how much of the robot's memory the lists fill,
// with the figure written on it ("Memory 37%"): green, amber from 80 %, red
// once the lists no longer fit. It only draws what it is given; the window
// measures the lists after every edit.
class TMemoryGauge : public QWidget {
    Q_OBJECT
public:
    static constexpr int WarningPercent = 80;

    explicit TMemoryGauge(QWidget* parent = nullptr);

    // The word in front of the figure (interface text 453).
    void SetCaption(const QString& caption);
    void SetUse(const TMemoryUse& use);

    const TMemoryUse& Use() const { return Measured; }
    QString Text() const;

    enum TLevel { glFine, glWarning, glFull };
    TLevel Level() const;

Q_SIGNALS:
    // The mouse moved over the gauge (the window shows its help text).
    void Hovered();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    TMemoryUse Measured{0, 1};
    QString Caption = QStringLiteral("Memory");
};

} // namespace wayline
