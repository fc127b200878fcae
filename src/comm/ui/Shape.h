#pragma once

#include <QColor>
#include <QWidget>

namespace wayline {

// A filled circle with a thin outline, as large as the control: the
// transmit indicator beside the port in use.
class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr);

    QColor BrushColor() const { return Brush; }
    void SetBrushColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor Brush{0, 128, 0};
};

} // namespace wayline
