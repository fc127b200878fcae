#include "editor/core/SpinRules.h"

#include <algorithm>
#include <cstdlib>

namespace wayline {

namespace {

// Steps beyond this could only overflow; the widest range is 1..255 anyway.
constexpr int MaxIncrement = 16384;

int PowerOfTen(int exponent) {
    int result = 1;
    for (int i = 0; i < exponent; ++i) {
        result *= 10;
    }
    return result;
}

int ClampDecimals(int decimals) {
    return std::clamp(decimals, 0, 4);
}

bool StartsWith(std::string_view text, std::string_view part) {
    return !part.empty() && text.substr(0, part.size()) == part;
}

} // namespace

TSpinLimits SpinLimitsFor(std::uint8_t kind, int ownRow) {
    if (kind == akLoopBack) {
        const auto row = static_cast<std::int16_t>(std::clamp(ownRow, 1, int{MaxSteps}));
        return {MinDuration, row, -1, 0, StepPrefixTextId, 0};
    }
    return {MinDuration, MaxDuration, 1, 1, 0, SecondsSuffixTextId};
}

std::string SpinDisplayText(std::int16_t position, int decimals, std::string_view prefix,
                            std::string_view suffix, bool withAffixes,
                            const TNumberFormat& format) {
    decimals = ClampDecimals(decimals);
    const int unit = PowerOfTen(decimals);
    const int integerPart = std::abs(position / unit);
    const int fraction = std::abs(position) - unit * integerPart;

    std::string text;
    if (withAffixes) {
        text += prefix;
    }
    if (position < 0) {
        text += format.NegativeSign;
    }
    text += std::to_string(integerPart);
    if (decimals > 0) {
        const std::string digits = std::to_string(fraction);
        text += format.DecimalSeparator;
        text.append(static_cast<std::size_t>(decimals) - std::min(digits.size(), std::size_t{4}),
                    '0');
        text += digits;
    }
    if (withAffixes) {
        text += suffix;
    }
    return text;
}

std::int16_t ParseSpinText(std::string_view text, int decimals, std::int16_t minValue,
                           std::int16_t maxValue, const TNumberFormat& format) {
    decimals = ClampDecimals(decimals);
    // Anything this large is clamped to the maximum anyway; stopping the
    // growth here keeps long digit strings from overflowing.
    constexpr long long Saturated = 1'000'000'000LL;
    long long collected = 0;
    int remaining = decimals;
    bool separatorSeen = false;
    bool negative = false;
    const bool signAllowed = minValue < 0;

    std::size_t at = 0;
    while (at < text.size()) {
        if (decimals > 0 && remaining == 0) {
            break;
        }
        const char c = text[at];
        if (c >= '0' && c <= '9') {
            collected = std::min(collected * 10 + (c - '0'), Saturated);
            if (separatorSeen) {
                --remaining;
            }
            ++at;
        } else if (const std::size_t separator = DecimalSeparatorAt(text.substr(at), format)) {
            if (decimals == 0) {
                break;
            }
            separatorSeen = true;
            at += separator;
        } else if (signAllowed && StartsWith(text.substr(at), format.NegativeSign)) {
            negative = true;
            at += format.NegativeSign.size();
        } else {
            break;
        }
    }
    long long result = std::min(collected * PowerOfTen(remaining), Saturated);
    if (negative) {
        result = -result;
    }
    return static_cast<std::int16_t>(std::clamp<long long>(result, minValue, maxValue));
}

std::size_t DecimalSeparatorAt(std::string_view text, const TNumberFormat& format) {
    if (StartsWith(text, format.DecimalSeparator)) {
        return format.DecimalSeparator.size();
    }
    for (const std::string& separator : format.TypedDecimalSeparators) {
        if (StartsWith(text, separator)) {
            return separator.size();
        }
    }
    return 0;
}

bool IsTypedNumber(std::string_view text, int decimals, std::int16_t minValue,
                   const TNumberFormat& format) {
    std::size_t at = 0;
    if (minValue < 0 && StartsWith(text, format.NegativeSign)) {
        at = format.NegativeSign.size();
    }
    bool separatorSeen = false;
    while (at < text.size()) {
        const char c = text[at];
        if (c >= '0' && c <= '9') {
            ++at;
        } else if (const std::size_t separator = DecimalSeparatorAt(text.substr(at), format);
                   separator > 0 && decimals > 0 && !separatorSeen) {
            separatorSeen = true;
            at += separator;
        } else {
            return false;
        }
    }
    return true;
}

TSpinKey FilterSpinKey(std::string_view typed, std::int16_t minValue, const TNumberFormat& format) {
    if (typed.empty()) {
        return skAccept;
    }
    if (typed == "\r" || typed == "\n") {
        return skEnter;
    }
    if ((typed.size() == 1 && typed[0] >= '0' && typed[0] <= '9') || typed == "\b" ||
        DecimalSeparatorAt(typed, format) == typed.size() ||
        (minValue < 0 && typed == format.NegativeSign)) {
        return skAccept;
    }
    return skDrop;
}

bool StartsTypedNumber(std::string_view typed, const TNumberFormat& format) {
    return (typed.size() == 1 && typed[0] >= '0' && typed[0] <= '9') ||
           (!typed.empty() && DecimalSeparatorAt(typed, format) == typed.size());
}

void TSpinState::SetLimits(const TSpinLimits& limits) {
    CurrentLimits = limits;
    if (CurrentLimits.MaxValue < CurrentLimits.MinValue) {
        CurrentLimits.MaxValue = CurrentLimits.MinValue;
    }
    CurrentLimits.Decimals = ClampDecimals(limits.Decimals);
    CurrentIncrement = limits.Increment;
    CurrentPosition = std::clamp(CurrentPosition, CurrentLimits.MinValue, CurrentLimits.MaxValue);
}

void TSpinState::Bind(TActionStep* step) {
    BoundStep = step;
    if (step != nullptr) {
        SetPosition(step->Value);
        // Acceleration counts from the value this step holds, not from
        // whatever step the control showed before.
        LastPosition = CurrentPosition;
        CurrentIncrement = CurrentLimits.Increment;
    }
}

void TSpinState::SetPosition(int position) {
    CurrentPosition = static_cast<std::int16_t>(
        std::clamp(position, int{CurrentLimits.MinValue}, int{CurrentLimits.MaxValue}));
    if (BoundStep != nullptr) {
        BoundStep->Value = CurrentPosition;
    }
}

std::int16_t TSpinState::Arrow(bool up) {
    SetPosition(CurrentPosition + (up ? CurrentIncrement : -CurrentIncrement));
    if (std::abs(CurrentPosition - LastPosition) > AccelThreshold) {
        const int faster = std::clamp(CurrentIncrement * AccelFactor, -MaxIncrement, MaxIncrement);
        CurrentIncrement = static_cast<std::int16_t>(faster);
        LastPosition = CurrentPosition;
    }
    return CurrentPosition;
}

void TSpinState::ArrowReleased() {
    LastPosition = CurrentPosition;
    CurrentIncrement = CurrentLimits.Increment;
}

std::int16_t TSpinState::TakeText(std::string_view text, const TNumberFormat& format) {
    SetPosition(ParseSpinText(text, CurrentLimits.Decimals, CurrentLimits.MinValue,
                              CurrentLimits.MaxValue, format));
    LastPosition = CurrentPosition;
    return CurrentPosition;
}

bool TSpinState::EndTyping(std::string_view text, const TNumberFormat& format) {
    if (!IsTyping) {
        return false;
    }
    IsTyping = false;
    TakeText(text, format);
    return true;
}

std::string TSpinState::Text(std::string_view prefix, std::string_view suffix, bool withAffixes,
                             const TNumberFormat& format) const {
    return SpinDisplayText(CurrentPosition, CurrentLimits.Decimals, prefix, suffix, withAffixes,
                           format);
}

} // namespace wayline
