#pragma once

#include "editor/core/ActionDocument.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wayline {

// Interface texts of the row spin edits' affixes: " sec" and "step ".
inline constexpr int SecondsSuffixTextId = 374;
inline constexpr int StepPrefixTextId = 375;

// Acceleration of the row spin edits: the step size grows by the factor each
// time an arrow held down has moved the value more than the threshold.
inline constexpr std::int16_t RowAccelThreshold = 15;
inline constexpr std::uint8_t RowAccelFactor = 2;

// The limits and format a row's spin edit takes for the step it shows.
struct TSpinLimits {
    std::int16_t MinValue;
    std::int16_t MaxValue;
    std::int16_t Increment;
    int Decimals;
    int PrefixTextId; // 0: no prefix
    int SuffixTextId; // 0: no suffix
};

// Durations: 1..255 tenths, one decimal, " sec". Loop Back: 1..its own row,
// no decimals, "step ", and Increment -1 so that the up arrow points further
// up the list.
TSpinLimits SpinLimitsFor(std::uint8_t kind, int ownRow);

// The locale's characters for numbers (UTF-8; Qt's QLocale gives them).
struct TNumberFormat {
    std::string DecimalSeparator = "."; // the one shown
    std::string NegativeSign = "-";
    // Typed, each of these is the decimal point too, whatever the language:
    // half of the pupils write "1,5", the other half "1.5", and both mean
    // one and a half seconds. A language may add its own.
    std::vector<std::string> TypedDecimalSeparators = {".", ","};
};

// The length of the decimal separator `text` begins with (the one shown or
// any typed one); 0 when it begins with none.
std::size_t DecimalSeparatorAt(std::string_view text, const TNumberFormat& format);

// Whether `text` can stand in the box while a number is being typed:
// digits, at most one decimal separator (none without decimals) and, when
// negative values are allowed, a leading negative sign. Empty text can. The
// box refuses any change that would leave other text, so that nothing is
// dropped silently from the middle of a number.
bool IsTypedNumber(std::string_view text, int decimals, std::int16_t minValue,
                   const TNumberFormat& format);

// The spin edit's text for a position: position / 10^decimals with that many
// decimals, and with affixes unless the text is being edited. Position 12
// with one decimal and suffix " sec" reads "1.2 sec".
std::string SpinDisplayText(std::int16_t position, int decimals, std::string_view prefix,
                            std::string_view suffix, bool withAffixes, const TNumberFormat& format);

// Reads typed text as a position: digits up to the first other character
// (the separator and, when negative values are allowed, the sign excepted),
// at most decimals fraction digits, missing ones counted as 0, clamped to the
// limits. With one decimal "2" gives 20, "1.25" gives 12, letters or nothing
// give the minimum.
std::int16_t ParseSpinText(std::string_view text, int decimals, std::int16_t minValue,
                           std::int16_t maxValue, const TNumberFormat& format);

enum TSpinKey {
    skAccept, // let the edit have the character
    skDrop,   // swallow it
    skEnter,  // Enter: move the focus to the arrows, which ends the edit
};

// Filters a character typed into the edit (its text, UTF-8): digits,
// backspace, Enter and the decimal separators pass, the negative sign only
// when negative values are allowed. A key without text (arrows, Delete) is
// not a typed character and passes.
TSpinKey FilterSpinKey(std::string_view typed, std::int16_t minValue, const TNumberFormat& format);

// True for a character that starts a typed number: a digit or a decimal
// separator. Typed into a list right after a row's arrows were used, it goes
// on into that row's value (a child clicks an arrow, then types 1.5).
bool StartsTypedNumber(std::string_view typed, const TNumberFormat& format);

// The value side of a row spin edit: limits, position, the bound step whose
// Value receives every new position, and the arrow acceleration.
class TSpinState {
public:
    TSpinState() = default;
    TSpinState(std::int16_t accelThreshold, std::uint8_t accelFactor)
        : AccelThreshold(accelThreshold), AccelFactor(accelFactor) {}

    // Changes the acceleration; limits, position and binding stay.
    void SetAcceleration(std::int16_t threshold, std::uint8_t factor) {
        AccelThreshold = threshold;
        AccelFactor = factor;
    }

    // Takes new limits; the increment becomes the base increment. The
    // position is clamped but nothing is written to a bound value, so detach
    // first when the control moves to another step.
    void SetLimits(const TSpinLimits& limits);

    // Binds to a step (or detaches with nullptr): its Value is clamped to the
    // limits and written back, and becomes the position. The step is held by
    // the record, not by its Value field, which is unaligned in the packed
    // record.
    void Bind(TActionStep* step);
    TActionStep* Bound() const { return BoundStep; }

    // Sets the position, clamped to the limits, and writes it to the bound step.
    void SetPosition(int position);
    std::int16_t Position() const { return CurrentPosition; }

    // One arrow click, also each repeat while the arrow is held: moves by the
    // increment (up) or against it (down), stopping at the limits, and speeds
    // up once the value has moved more than the threshold. Returns the new
    // position; the caller then runs the change callback.
    std::int16_t Arrow(bool up);

    // The mouse button released on the arrows: back to the base increment.
    void ArrowReleased();

    // Takes typed text as the new position (see ParseSpinText).
    std::int16_t TakeText(std::string_view text, const TNumberFormat& format);

    // The edit took the focus: from now on it shows the bare number, which
    // the user edits.
    void BeginTyping() { IsTyping = true; }
    bool Typing() const { return IsTyping; }
    // The edit lost the focus. Only text that was being typed is read back
    // (true, the position is then taken from it); an edit that loses the
    // focus without having had it (the focus passed through on its way
    // elsewhere) still shows prefix and suffix, and reading "step 4" would
    // give the minimum. Returns false then and changes nothing.
    bool EndTyping(std::string_view text, const TNumberFormat& format);

    // The text to show; prefix and suffix are the looked-up affix texts.
    std::string Text(std::string_view prefix, std::string_view suffix, bool withAffixes,
                     const TNumberFormat& format) const;

    const TSpinLimits& Limits() const { return CurrentLimits; }
    std::int16_t Increment() const { return CurrentIncrement; }

private:
    TSpinLimits CurrentLimits{MinDuration, MaxDuration, 1, 0, 0, 0};
    std::int16_t CurrentPosition = MinDuration;
    std::int16_t CurrentIncrement = 1;
    std::int16_t LastPosition = MinDuration;
    std::int16_t AccelThreshold = 32767;
    std::uint8_t AccelFactor = 1;
    TActionStep* BoundStep = nullptr;
    bool IsTyping = false;
};

} // namespace wayline
