#pragma once

#include "editor/core/SpinRules.h"

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

class QTimer;

namespace wayline {

// The arrow pair of a spin edit: the upper half counts up, the lower half
// down. Holding an arrow repeats the click; releasing the button is
// reported, because the spin edit's acceleration starts over then. The
// position itself lives in the spin edit; this control only reports clicks.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    static constexpr int FirstRepeatDelayMs = 400;
    static constexpr int RepeatIntervalMs = 100;

    explicit TUpDown(QWidget* parent = nullptr);

    // Tests run the repeat without waiting for the timer.
    void SetRepeatDelays(int firstMs, int intervalMs);
    // One repeat while an arrow is held, as the timer runs it.
    void RepeatHeldArrow();
    bool IsHeld() const { return Held != 0; }

Q_SIGNALS:
    void Clicked(bool up);
    void Released();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QTimer* Repeat;
    int Held = 0; // +1 up arrow held, -1 down arrow held
    int FirstDelay = FirstRepeatDelayMs;
    int Interval = RepeatIntervalMs;
};

// A numeric spin edit built from a borderless text edit and an arrow pair,
// both children of the given parent (the row controls lie over a grid and
// are children of the main window). The number is an integer shown with
// Decimals decimal places, a prefix and a suffix; the value rules live in
// TSpinState. Every position change is written into the bound step's Value.
class TSuperSpinEdit : public QObject {
    Q_OBJECT
public:
    // Width of the arrow pair; it overlaps the edit's right 4 pixels.
    static constexpr int UpDownWidth = 17;
    static constexpr int UpDownOverlap = 4;
    static constexpr int EditTopGap = 4;
    static constexpr std::int16_t DefaultAccelThreshold = 32767;
    static constexpr std::uint8_t DefaultAccelFactor = 1;

    using TChangeHandler = std::function<void(std::int16_t position)>;

    explicit TSuperSpinEdit(QWidget* parent);
    // Takes its edit and arrows along, without reading the edit once more.
    ~TSuperSpinEdit() override;

    QLineEdit* Edit() const { return FEdit; }
    TUpDown* UpDown() const { return FUpDown; }

    // The locale's decimal separator and negative sign.
    void SetNumberCharacters(QChar decimalSeparator, QChar negativeSign);

    QString Prefix() const { return FPrefix; }
    void SetPrefix(const QString& prefix);
    QString Suffix() const { return FSuffix; }
    void SetSuffix(const QString& suffix);

    // Limits, increment and decimals together. Nothing is written to the
    // bound value: detach first when the control moves to another step.
    void SetLimits(const TSpinLimits& limits);
    const TSpinLimits& Limits() const { return Spin.Limits(); }
    std::int16_t MinValue() const { return Spin.Limits().MinValue; }
    std::int16_t MaxValue() const { return Spin.Limits().MaxValue; }
    int Decimals() const { return Spin.Limits().Decimals; }
    // The current step size of the arrows (grows while an arrow is held).
    std::int16_t Increment() const { return Spin.Increment(); }

    void SetAcceleration(std::int16_t threshold, std::uint8_t factor);
    std::int16_t AccelThreshold() const { return FAccelThreshold; }
    std::uint8_t AccelFactor() const { return FAccelFactor; }

    std::int16_t Position() const { return Spin.Position(); }
    // Sets the position (clamped), writes it to the bound value and shows it.
    void SetPosition(int position);

    // Binds to a step: its Value is clamped to the limits, written back and
    // shown. The step shown before is left alone. nullptr detaches. (The
    // step, not its Value: the field is unaligned in the packed record.)
    void Bind(TActionStep* step);
    void Detach() { Bind(nullptr); }
    TActionStep* Bound() const { return Spin.Bound(); }

    void SetOnChange(TChangeHandler handler) { OnChange = std::move(handler); }

Q_SIGNALS:
    // A typed or pasted character was refused: the box stays as it was, and
    // the window says what the box takes.
    void InputRefused(wayline::TSuperSpinEdit* spin);

public:

    // Edit at (left, top + 4), width - arrow width by height - 4; arrows at
    // the edit's right edge - 4, full height.
    void SetGeometry(int left, int top, int width, int height);
    QRect Geometry() const { return Bounds; }

    void SetVisible(bool visible);
    bool IsVisible() const { return Visible; }

    // Shows the position, with prefix and suffix unless it is being typed.
    void Refresh(bool withAffixes);
    QString Text() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EditFocusIn();
    void EditFocusOut();
    void ArrowClicked(bool up);
    void ArrowsReleased();
    void Changed();
    // Text shown after a change from outside: a focused edit keeps the bare
    // number, so that leaving it reads back what it shows.
    void RefreshForState();

    QPointer<QLineEdit> FEdit;
    QPointer<TUpDown> FUpDown;
    TSpinState Spin{DefaultAccelThreshold, DefaultAccelFactor};
    TNumberFormat Format;
    QString FPrefix;
    QString FSuffix;
    std::int16_t FAccelThreshold = DefaultAccelThreshold;
    std::uint8_t FAccelFactor = DefaultAccelFactor;
    QRect Bounds;
    bool Visible = true;
    TChangeHandler OnChange;
};

} // namespace wayline
