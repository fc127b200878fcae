#include "codegen/core/BuildCode.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace wayline {

namespace {

constexpr std::array<const char*, ListCount> ListTitles{
    "Main Action List", "Sensor Set All", "Sensor Set 1",
    "Sensor Set 2",     "Sensor Set 3",   "Sensor Set 4",
};

constexpr std::string_view MainDataPrefix = "ActionList\tDATA\t";
constexpr std::string_view DataPrefix = "\t\tDATA \t";
constexpr std::string_view ValueGap = "   "; // three blanks after every value
constexpr int StepsPerLine = 4;

// The robot knows set 5 as "no reaction"; anything above cannot be encoded
// in the three bits of a "C" value and would send the robot to an address
// table entry that does not exist.
constexpr int NoReactionSet = 5;

// Column selectors of a "C" entry, in the order the entries are written.
constexpr std::array<int, 3> ColumnSelectors{3, 2, 1}; // Both, Left, Right

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlankOrControl(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string UpperCased(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return result;
}

// The index of the template's ActionList line: the first line that begins
// with the label (trimmed, any case) must carry nothing but blanks between
// the label and its DATA word.
std::optional<std::size_t> FindActionListLine(const TCodeLines& lines) {
    constexpr std::string_view Label = "ACTIONLIST";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = UpperCased(Trimmed(lines[i]));
        if (!line.starts_with(Label)) {
            continue;
        }
        const std::size_t data = line.find("DATA", Label.size());
        if (data == std::string::npos) {
            return std::nullopt;
        }
        const std::string_view between =
            std::string_view(line).substr(Label.size(), data - Label.size());
        if (!Trimmed(between).empty()) {
            return std::nullopt;
        }
        return i;
    }
    return std::nullopt;
}

// The three sensor columns of a main-list step, as the robot holds them.
struct TColumns {
    std::array<int, 3> Sets{}; // Both, Left, Right
};

TColumns ColumnsOf(const TActionStep& step) {
    TColumns columns;
    columns.Sets = {step.BothSet, step.LeftSet, step.RightSet};
    for (int& set : columns.Sets) {
        set = std::min(set, NoReactionSet);
    }
    return columns;
}

TActionKind KindOf(const TActionStep& step) {
    // The same reduction CommandLetter applies, so letter and value agree.
    return static_cast<TActionKind>(step.Kind % ActionKindCount);
}

// A Loop Back's target row, within the limits the list display enforces:
// row 1 up to the step's own row.
int LoopTarget(const TActionStep& step, int row) {
    return std::clamp(static_cast<int>(step.Value), 1, row);
}

// A duration within the limits the list display enforces (0.1 s to 25.5 s),
// so that a damaged value never reaches the one-byte DATA field.
int Duration(const TActionStep& step) {
    return std::clamp(static_cast<int>(step.Value), static_cast<int>(MinDuration),
                      static_cast<int>(MaxDuration));
}

// One step as it is stored for the robot: its "C" entries (value bytes,
// main list in advanced mode only) in front of its command entry.
struct TStoredStep {
    std::vector<int> ConfigValues; // selector * 16 + set, written as $<sel><set>
    int FirstEntry = 0;            // index of the step's first stored entry
};

struct TListLayout {
    std::vector<TStoredStep> Steps; // index = row; entry 0 unused
    int Entries = 0;                // stored entries of all steps, "Q" not counted
};

bool WithConfiguration(const TDocumentState& state, int list) {
    return list == MainList && state.AdvancedMode;
}

int StepCountOf(const TDocumentState& state, int list) {
    return std::clamp(state.StepCount(list), 0, MaxSteps);
}

// Lays the steps of one list out in stored entries. The robot counts a "G"
// jump in stored entries, so the entry index of every step must be known
// before any Loop Back value can be written.
TListLayout LayOutList(const TDocumentState& state, int list) {
    const int stepCount = StepCountOf(state, list);
    const bool withConfiguration = WithConfiguration(state, list);
    TListLayout layout;
    std::vector<TStoredStep>& stored = layout.Steps;
    stored.resize(static_cast<std::size_t>(stepCount) + 1);

    // A Loop Back target can be entered from below; it therefore sets all
    // three columns so the robot shows the configuration of the list
    // whichever way it arrives.
    std::vector<bool> isLoopTarget(stored.size(), false);
    if (withConfiguration) {
        for (int s = 1; s <= stepCount; ++s) {
            const TActionStep& step = state.Step(list, s);
            if (KindOf(step) == akLoopBack) {
                isLoopTarget[static_cast<std::size_t>(LoopTarget(step, s))] = true;
            }
        }
    }

    TColumns previous; // the robot starts with every column on set 0 (All)
    int entry = 0;
    for (int s = 1; s <= stepCount; ++s) {
        TStoredStep& out = stored[static_cast<std::size_t>(s)];
        out.FirstEntry = entry;
        if (withConfiguration) {
            const TColumns columns = ColumnsOf(state.Step(list, s));
            const bool full = isLoopTarget[static_cast<std::size_t>(s)];
            for (std::size_t c = 0; c < ColumnSelectors.size(); ++c) {
                if (full || columns.Sets[c] != previous.Sets[c]) {
                    out.ConfigValues.push_back(ColumnSelectors[c] * 16 + columns.Sets[c]);
                }
            }
            previous = columns;
        }
        entry += static_cast<int>(out.ConfigValues.size()) + 1;
    }
    layout.Entries = entry;
    return layout;
}

// The value byte of the step in row s: a duration, or for a Loop Back the
// entries from the target step's first entry up to the "G" entry itself,
// "C" entries of both steps included.
int StoredValue(const TActionStep& step, int s, const TListLayout& layout) {
    if (KindOf(step) != akLoopBack) {
        return Duration(step);
    }
    const TStoredStep& own = layout.Steps[static_cast<std::size_t>(s)];
    const int loopEntry = own.FirstEntry + static_cast<int>(own.ConfigValues.size());
    return loopEntry - layout.Steps[static_cast<std::size_t>(LoopTarget(step, s))].FirstEntry;
}

// Bytes of one list: two per entry and the end mark.
int ListBytes(const TListLayout& layout) {
    return 2 * layout.Entries + 1;
}

struct TLoopTooFar {
    int List = 0;
    int Step = 0;
    int Entries = 0;
};

// The first Loop Back, in list order, whose jump does not fit its byte.
std::optional<TLoopTooFar> FindLoopBackTooFar(const TDocumentState& state) {
    for (int list = 1; list <= ListCount; ++list) {
        const TListLayout layout = LayOutList(state, list);
        for (int s = 1; s <= StepCountOf(state, list); ++s) {
            const TActionStep& step = state.Step(list, s);
            if (KindOf(step) != akLoopBack) {
                continue;
            }
            const int entries = StoredValue(step, s, layout);
            if (entries > MaxLoopBackEntries) {
                return TLoopTooFar{list, s, entries};
            }
        }
    }
    return std::nullopt;
}

// Appends one list's data lines at `at`, moving `at` behind them, and
// returns the number of EEPROM bytes the list takes.
int InsertList(TCodeLines& lines, std::size_t& at, const TDocumentState& state, int list) {
    const auto insert = [&](std::string line) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
        ++at;
    };

    insert("");
    insert(std::string("' ----- ") + ListTitles[static_cast<std::size_t>(list - 1)] + " -----");

    const int stepCount = StepCountOf(state, list);
    const TListLayout layout = LayOutList(state, list);

    std::string line(list == MainList ? MainDataPrefix : DataPrefix);
    int onLine = 0;
    for (int s = 1; s <= stepCount; ++s) {
        const TActionStep& step = state.Step(list, s);
        for (const int config : layout.Steps[static_cast<std::size_t>(s)].ConfigValues) {
            line += "\"C\",$" + std::to_string(config / 16) + std::to_string(config % 16) + ",";
        }
        line += CommandLetter(KindOf(step));
        line += ",";
        line += std::to_string(StoredValue(step, s, layout));
        line += ValueGap;

        if (++onLine == StepsPerLine) {
            insert(std::move(line));
            line = std::string(DataPrefix);
            onLine = 0;
        } else {
            line += ",";
        }
    }
    line += "\"Q\"";
    insert(std::move(line));
    return ListBytes(layout);
}

} // namespace

TCodeLines LoadTemplateLines(std::string_view text) {
    TCodeLines lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) {
        lines.emplace_back(text.substr(start));
    }
    return lines;
}

std::string JoinCodeLines(const TCodeLines& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i != 0) {
            text += "\r\n";
        }
        text += lines[i];
    }
    return text;
}

int SensorModeByte(bool advancedMode, bool sensorsEnabled) {
    if (advancedMode) {
        return 2;
    }
    return sensorsEnabled ? 1 : 0;
}

TBuildCodeResult BuildCode(std::string_view templateText, const TDocumentState& state,
                           bool sensorsEnabled) {
    TBuildCodeResult result;
    TCodeLines lines = LoadTemplateLines(templateText);

    const std::optional<std::size_t> found = FindActionListLine(lines);
    if (!found) {
        result.Error = bcNoDataLine;
        result.ErrorText = std::string(EepromStartNotFoundText);
        return result;
    }
    if (const std::optional<TLoopTooFar> tooFar = FindLoopBackTooFar(state)) {
        result.Error = bcLoopBackTooFar;
        result.ErrorList = tooFar->List;
        result.ErrorStep = tooFar->Step;
        result.ErrorEntries = tooFar->Entries;
        result.ErrorText = LoopBackTooFarMessage(tooFar->List, tooFar->Step, tooFar->Entries);
        return result;
    }
    const std::size_t insertionPoint = *found;
    lines[insertionPoint].clear();

    // addresses[k] is the address behind list k, the start of list k + 1.
    std::array<int, ListCount + 1> addresses{};
    addresses[0] = ActionListAddress;
    std::size_t at = insertionPoint;
    for (int list = 1; list <= ListCount; ++list) {
        addresses[static_cast<std::size_t>(list)] =
            addresses[static_cast<std::size_t>(list - 1)] + InsertList(lines, at, state, list);
    }

    std::string configure = "Configure\tDATA\t@0,";
    configure += std::to_string(SensorModeByte(state.AdvancedMode, sensorsEnabled));
    configure += ",0,";
    configure += std::to_string(state.Document.LeftServoCenter);
    configure += ",";
    configure += std::to_string(state.Document.RightServoCenter);
    for (int k = 1; k <= 5; ++k) {
        configure += ",WORD " + std::to_string(addresses[static_cast<std::size_t>(k)]);
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertionPoint), std::move(configure));

    result.Succeeded = true;
    result.Lines = std::move(lines);
    result.DataBytes = addresses[ListCount];
    return result;
}

std::string LoopBackTooFarMessage(int list, int step, int entries) {
    std::string where = "Step " + std::to_string(step);
    if (list != MainList && list >= 1 && list <= ListCount) {
        where += std::string(" of ") + ListTitles[static_cast<std::size_t>(list - 1)];
    }
    return where + " loops back too far for the robot: it would jump back over " +
           std::to_string(entries) + " list entries, and the robot can jump back over at most " +
           std::to_string(MaxLoopBackEntries) +
           " (every step is one entry, and every change in the Both, Left or Right column adds "
           "one more).  Loop back to a later step, or remove steps in between.";
}

int ListDataBytes(const TDocumentState& state) {
    int bytes = ActionListAddress;
    for (int list = 1; list <= ListCount; ++list) {
        bytes += ListBytes(LayOutList(state, list));
    }
    return bytes;
}

std::vector<int> ListEntryRows(const TDocumentState& state, int list) {
    std::vector<int> rows;
    if (list < 1 || list > ListCount) {
        return rows;
    }
    const TListLayout layout = LayOutList(state, list);
    rows.reserve(static_cast<std::size_t>(layout.Entries));
    for (int s = 1; s <= StepCountOf(state, list); ++s) {
        const std::size_t entries =
            layout.Steps[static_cast<std::size_t>(s)].ConfigValues.size() + 1;
        rows.insert(rows.end(), entries, s);
    }
    return rows;
}

std::optional<std::string> TokenizerSourceText(const TCodeLines& lines) {
    std::string text = JoinCodeLines(lines);
    if (text.size() > MaxTokenizerSourceSize) {
        return std::nullopt;
    }
    return text;
}

} // namespace wayline
