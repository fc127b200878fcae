#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace wayline {

// The eight actions of the palette. The value indexes the palette, the
// action's picture and name, and the robot's command letter table.
enum TActionKind : std::uint8_t {
    akMoveForward = 0,
    akMoveBackward = 1,
    akTurnLeft = 2,
    akTurnRight = 3,
    akRotateLeft = 4,
    akRotateRight = 5,
    akStopAndWait = 6,
    akLoopBack = 7,
};

inline constexpr int ActionKindCount = 8;

// Sensor set index: 0 = All, 1..4 = Set1..Set4 (tab index, list number - 2).
inline constexpr int SensorSetCount = 5;

inline constexpr int ListCount = 6;     // list numbers 1..6
inline constexpr int MainList = 1;      // "Actions to be Performed"
inline constexpr int MaxSteps = 255;    // entries 1..255 hold steps
inline constexpr int ListEntries = 256; // entry 0 is the header entry

inline constexpr std::int16_t HeaderValue = -1;  // entry 0, and unused entries in files
inline constexpr std::int16_t MinDuration = 1;   // 0.1 s
inline constexpr std::int16_t MaxDuration = 255; // 25.5 s
inline constexpr std::uint8_t DefaultServoCenter = 100;

#pragma pack(push, 1)

// One step of a list. Kinds 0..6: Value is a duration in tenths of a
// second; akLoopBack: Value is the 1-based target row in the same list.
struct TActionStep {
    std::uint8_t Kind;
    std::int16_t Value;
    std::uint8_t BothSet;
    std::uint8_t LeftSet;
    std::uint8_t RightSet;

    friend bool operator==(const TActionStep&, const TActionStep&) = default;
};

struct TStepList {
    std::array<TActionStep, ListEntries> Steps;
};

// The whole editor content. Its byte image is exactly an action-list file.
struct TActionDocument {
    std::array<std::uint8_t, 20> Signature; // length byte, then the text
    std::uint8_t FormatVersion;             // 0x13: version 1.3
    std::uint8_t AdvancedMode;
    std::uint8_t LeftServoCenter;
    std::uint8_t RightServoCenter;
    std::array<TStepList, ListCount> Lists; // list 1 first

    // Lists are numbered 1..6 everywhere in the editor.
    TStepList& List(int listNumber) { return Lists[static_cast<std::size_t>(listNumber - 1)]; }
    const TStepList& List(int listNumber) const {
        return Lists[static_cast<std::size_t>(listNumber - 1)];
    }
};

#pragma pack(pop)

static_assert(sizeof(TActionStep) == 6);
static_assert(offsetof(TActionStep, Kind) == 0);
static_assert(offsetof(TActionStep, Value) == 1);
static_assert(offsetof(TActionStep, BothSet) == 3);
static_assert(offsetof(TActionStep, LeftSet) == 4);
static_assert(offsetof(TActionStep, RightSet) == 5);
static_assert(sizeof(TStepList) == 1536);
static_assert(offsetof(TActionDocument, FormatVersion) == 20);
static_assert(offsetof(TActionDocument, AdvancedMode) == 21);
static_assert(offsetof(TActionDocument, LeftServoCenter) == 22);
static_assert(offsetof(TActionDocument, RightServoCenter) == 23);
static_assert(offsetof(TActionDocument, Lists) == 24);
static_assert(sizeof(TActionDocument) == 9240);

inline constexpr std::size_t DocumentSize = sizeof(TActionDocument);

// The default value a step gets when its action is dropped into a list.
std::int16_t DefaultValue(TActionKind kind);

// The robot's command letter for a kind, with its double quotes ("F").
const char* CommandLetter(TActionKind kind);

// Interface text number of the action's name (398..405).
int ActionNameTextId(TActionKind kind);

// Serialises the document to its 9240-byte little-endian image and back,
// independent of the host's byte order.
void DocumentToBytes(const TActionDocument& document, std::span<std::uint8_t, DocumentSize> out);
void DocumentFromBytes(std::span<const std::uint8_t, DocumentSize> bytes,
                       TActionDocument& document);

// The editor's view of the document: the record plus the state kept beside
// it. N of each list is held here explicitly; the grids follow it (their row
// count is always StepCount + 2).
struct TDocumentState {
    TActionDocument Document;
    std::array<int, ListCount> StepCounts; // N of lists 1..6
    int CurrentList;
    bool ListModified;
    bool AdvancedMode;

    int StepCount(int listNumber) const {
        return StepCounts[static_cast<std::size_t>(listNumber - 1)];
    }
    void SetStepCount(int listNumber, int count) {
        StepCounts[static_cast<std::size_t>(listNumber - 1)] = count;
    }
    // RowCount of the grid that shows the list: title row + N + append row.
    int RowCount(int listNumber) const { return StepCount(listNumber) + 2; }

    TActionStep& Step(int listNumber, int row) {
        return Document.List(listNumber).Steps[static_cast<std::size_t>(row)];
    }
    const TActionStep& Step(int listNumber, int row) const {
        return Document.List(listNumber).Steps[static_cast<std::size_t>(row)];
    }
};

// The program-start state: all bytes 0, entry 0 of each list -1, both servo
// centres 100, CurrentList 1, every list empty, nothing modified.
void InitialiseDocument(TDocumentState& state);

} // namespace wayline
