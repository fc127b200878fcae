#pragma once

#include "SourceFiles.h"
#include "codegen/core/BuildCode.h"
#include "editor/core/ActionDocument.h"
#include "sim/core/Eeprom.h"
#include "sim/core/Interpreter.h"
#include "sim/core/ProgrammingPort.h"
#include "sim/core/RobotSession.h"
#include "sim/core/RobotSimulation.h"
#include "tokenizer/Tokenizer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wayline::sim::testing {

inline std::string ReadResourceProgram(const char* name) {
    return testfiles::ReadSourceFile(std::filesystem::path("resources/programs") / name);
}

// Compiles program text as the compile step before a download does; the
// error text when it fails.
inline std::string CompileProgram(const std::string& text, std::vector<std::uint8_t>& packets) {
    auto tokenizer = std::make_unique<TTokenizer>();
    if (!tokenizer->SetSource(text)) {
        return "too long";
    }
    if (!tokenizer->Tokenize()) {
        return tokenizer->Result.ErrorText != nullptr ? tokenizer->Result.ErrorText : "failed";
    }
    const TTokenizerResult& r = tokenizer->Result;
    packets.assign(&r.PacketBuffer[0][0], &r.PacketBuffer[0][0] + 18 * r.PacketCount);
    return {};
}

// Lists as the editor holds them, turned into the robot program by the code
// generator and the tokenizer, downloaded into the virtual robot through its
// serial line, and run there with the modelled robot in a world. Times are
// counted from the program's start.
class TRobotProgramRun {
public:
    static constexpr std::uint64_t Ms = 1000;
    static constexpr std::uint64_t Second = 1000000;

    TRobotProgramRun() {
        State = std::make_unique<TDocumentState>();
        InitialiseDocument(*State);
    }

    // Adds a step to a list (MainList, or MainList + 1 + set number).
    void Add(int list, TActionKind kind, int value, int both = 0, int left = 0, int right = 0) {
        const int row = State->StepCount(list) + 1;
        State->Step(list, row) =
            TActionStep{static_cast<std::uint8_t>(kind), static_cast<std::int16_t>(value),
                        static_cast<std::uint8_t>(both), static_cast<std::uint8_t>(left),
                        static_cast<std::uint8_t>(right)};
        State->SetStepCount(list, row);
    }
    void Main(TActionKind kind, int value, int both = 0, int left = 0, int right = 0) {
        Add(MainList, kind, value, both, left, right);
    }

    // Generates and compiles the program; the error when it fails.
    std::string Compile(bool advanced, bool sensorsEnabled) {
        State->AdvancedMode = advanced;
        const TBuildCodeResult built =
            BuildCode(ReadResourceProgram("robot.bas"), *State, sensorsEnabled);
        if (!built.Succeeded) {
            return built.ErrorText;
        }
        const std::optional<std::string> text = TokenizerSourceText(built.Lines);
        return text ? CompileProgram(*text, Packets) : "too long";
    }

    // Downloads the compiled program into a virtual robot in `world`, which
    // starts it.
    void Start(const TWorld& world, const TRobotParameters& robot = {}) {
        Session = std::make_unique<TRobotSession>(world, robot);
        Session->Board().SetObserver(Observer);
        std::string error;
        ASSERT_TRUE(Session->Download(Packets.data(), static_cast<int>(Packets.size() / 18), error))
            << error;
        Board = &Session->Board();
        RunTime = &Session->Interpreter();
        // The module starts the program when the closing byte has reached it.
        for (int ms = 0; ms < 100 && !Board->Started(); ++ms) {
            Board->RunFor(Ms);
        }
        ASSERT_TRUE(Board->Started());
    }

    // Runs to `seconds` after the start in steps of `stepUs`, keeping the
    // run-time's record of pulses, tones and serial bytes (and of the
    // instructions while KeepTrace is set).
    void RunUntil(double seconds, std::uint64_t stepUs = 100 * Ms) {
        RunTime->SetTracing(KeepTrace);
        const std::uint64_t start = Board->StartUs();
        const std::uint64_t end = start + static_cast<std::uint64_t>(seconds * 1e6);
        while (Board->NowUs() < end) {
            Board->RunUntil(std::min(end, Board->NowUs() + stepUs));
            for (TRunTimeEvent e : Board->RunTimeEvents()) {
                if ((e.Kind != ekInstruction || KeepTrace) && e.TimeUs >= start) {
                    e.TimeUs -= start;
                    Record.push_back(e);
                }
            }
        }
        Board->FlushEvents();
    }

    std::vector<TRunTimeEvent> RecordOf(TRunTimeEventKind kind) const {
        std::vector<TRunTimeEvent> found;
        for (const TRunTimeEvent& e : Record) {
            if (e.Kind == kind) {
                found.push_back(e);
            }
        }
        return found;
    }
    std::vector<TRunEvent> EventsOf(TRunEventKind kind) const {
        std::vector<TRunEvent> found;
        for (const TRunEvent& e : Board->Events()) {
            if (e.Kind == kind) {
                found.push_back(e);
            }
        }
        return found;
    }

    // The robot's pose, from its start, at `timeUs` after the start.
    TPose PoseAt(std::uint64_t timeUs) const {
        TPose pose = Board->Path().front().Pose;
        for (const TPathPoint& p : Board->Path()) {
            if (p.TimeUs > Board->StartUs() + timeUs) {
                break;
            }
            pose = p.Pose;
        }
        return Board->FromStart(pose);
    }
    // The main-list and set entries the program read, in order.
    std::vector<TRunEvent> Commands() const { return EventsOf(TRunEventKind::ekCommand); }

    std::unique_ptr<TDocumentState> State;
    std::vector<std::uint8_t> Packets;
    std::unique_ptr<TRobotSession> Session;
    TRobotSimulation* Board = nullptr;
    TInterpreter* RunTime = nullptr;
    std::vector<TRunTimeEvent> Record;
    bool KeepTrace = false;
    // Follows the run from its start, when set before Start.
    TRunObserver* Observer = nullptr;
};

} // namespace wayline::sim::testing
