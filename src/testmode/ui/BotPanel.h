#pragma once

#include <QColor>
#include <QWidget>

class QLabel;

namespace wayline {

// The parts of the sensor display, named as the test window names them:
// the four infra-red shapes (lens and detector of each side) by their fill
// colour, the whisker pictures (1 straight, 2 bent) by their visibility.
struct TSensorLooks {
    QColor LeftIrSensorLens = Qt::black;
    QColor LeftIrSensor = Qt::black;
    QColor RightIrSensorLens = Qt::black;
    QColor RightIrSensor = Qt::black;
    bool LeftWhisker1 = true;
    bool LeftWhisker2 = false;
    bool RightWhisker1 = true;
    bool RightWhisker2 = false;

    friend bool operator==(const TSensorLooks&, const TSensorLooks&) = default;
};

// BotPanel: the robot seen from above, front up, made of simple shapes:
// body, wheels, tail wheel, controller board, the two infra-red lenses and
// detectors at the front corners and the two whiskers. "Back" is written
// under its tail.
class TBotPanel : public QWidget {
    Q_OBJECT
public:
    explicit TBotPanel(QWidget* parent = nullptr);

    const TSensorLooks& Looks() const { return FLooks; }
    void SetLooks(const TSensorLooks& looks);

    // The label under the robot's tail (text 418).
    QLabel* BackLabel() const { return Back; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TSensorLooks FLooks;
    QLabel* Back;
};

} // namespace wayline
