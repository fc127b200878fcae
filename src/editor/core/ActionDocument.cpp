#include "editor/core/ActionDocument.h"

#include <cstring>

namespace wayline {

namespace {

struct TKindInfo {
    std::int16_t DefaultValue;
    const char* Letter;
};

// In kind order. The letters are those the robot program's parser knows,
// not initials of the names ("Turn Left" is L, "Rotate Left" is E).
constexpr std::array<TKindInfo, ActionKindCount> KindTable{{
    {12, "\"F\""},
    {12, "\"B\""},
    {13, "\"L\""},
    {13, "\"R\""},
    {15, "\"E\""},
    {15, "\"I\""},
    {10, "\"S\""},
    {1, "\"G\""},
}};

constexpr int FirstActionNameText = 398;

const TKindInfo& Info(TActionKind kind) {
    return KindTable[static_cast<std::size_t>(kind) % KindTable.size()];
}

} // namespace

std::int16_t DefaultValue(TActionKind kind) {
    return Info(kind).DefaultValue;
}

const char* CommandLetter(TActionKind kind) {
    return Info(kind).Letter;
}

int ActionNameTextId(TActionKind kind) {
    return FirstActionNameText + static_cast<int>(kind);
}

void DocumentToBytes(const TActionDocument& document, std::span<std::uint8_t, DocumentSize> out) {
    std::uint8_t* p = out.data();
    std::memcpy(p, document.Signature.data(), document.Signature.size());
    p += document.Signature.size();
    *p++ = document.FormatVersion;
    *p++ = document.AdvancedMode;
    *p++ = document.LeftServoCenter;
    *p++ = document.RightServoCenter;
    for (const TStepList& list : document.Lists) {
        for (const TActionStep& step : list.Steps) {
            const auto value = static_cast<std::uint16_t>(step.Value);
            *p++ = step.Kind;
            *p++ = static_cast<std::uint8_t>(value & 0xFF);
            *p++ = static_cast<std::uint8_t>(value >> 8);
            *p++ = step.BothSet;
            *p++ = step.LeftSet;
            *p++ = step.RightSet;
        }
    }
}

void DocumentFromBytes(std::span<const std::uint8_t, DocumentSize> bytes,
                       TActionDocument& document) {
    const std::uint8_t* p = bytes.data();
    std::memcpy(document.Signature.data(), p, document.Signature.size());
    p += document.Signature.size();
    document.FormatVersion = *p++;
    document.AdvancedMode = *p++;
    document.LeftServoCenter = *p++;
    document.RightServoCenter = *p++;
    for (TStepList& list : document.Lists) {
        for (TActionStep& step : list.Steps) {
            step.Kind = p[0];
            step.Value = static_cast<std::int16_t>(static_cast<std::uint16_t>(p[1] | (p[2] << 8)));
            step.BothSet = p[3];
            step.LeftSet = p[4];
            step.RightSet = p[5];
            p += 6;
        }
    }
}

void InitialiseDocument(TDocumentState& state) {
    std::memset(&state.Document, 0, sizeof state.Document);
    for (TStepList& list : state.Document.Lists) {
        list.Steps[0].Value = HeaderValue;
    }
    state.Document.LeftServoCenter = DefaultServoCenter;
    state.Document.RightServoCenter = DefaultServoCenter;
    state.StepCounts.fill(0);
    state.CurrentList = MainList;
    state.ListModified = false;
    state.AdvancedMode = false;
}

} // namespace wayline
