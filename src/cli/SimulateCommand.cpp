#include "cli/SimulateCommand.h"

#include "cli/ProgramFile.h"
#include "cli/SimulationSvg.h"
#include "cli/TokenizeCommand.h"
#include "codegen/core/ActionListFile.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/CompileStep.h"
#include "sim/core/InstructionSet.h"
#include "sim/core/RobotSession.h"
#include "sim/core/WorldFile.h"
#include "tokenizer/Tokenizer.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>

namespace wayline {

namespace {

using sim::TRunEvent;
using sim::TRunEventKind;

constexpr double DefaultSeconds = 60;
constexpr std::uint64_t ChunkUs = 10000;
// After the program ends the wheels run on until their servos time out;
// the run goes on this long so that the last pose is where the robot rests.
constexpr std::uint64_t SettleUs = 50000;

struct TOptions {
    double Seconds = DefaultSeconds;
    std::string World;
    bool SensorsEnabled = false;
    bool Trace = false;
    bool Json = false;
    std::string Svg;
    std::string File;
};

void PrintUsage(std::ostream& err) {
    err << "usage: wayline-cli simulate [--seconds N] [--world FILE.json] [--sensors] [--trace] "
           "[--svg OUT.svg] [--json] FILE.wyl|FILE.hbs\n";
}

bool ParseOptions(const std::vector<std::string>& arguments, TOptions& options, std::ostream& err) {
    bool haveFile = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const bool takesValue = a == "--seconds" || a == "--world" || a == "--svg";
        if (takesValue && (i + 1 >= arguments.size() || arguments[i + 1].empty())) {
            err << "wayline-cli simulate: " << a << " needs "
                << (a == "--seconds" ? "a number of seconds" : "a file name") << '\n';
            return false;
        }
        if (a == "--seconds") {
            const std::string& text = arguments[++i];
            char* end = nullptr;
            const double seconds = std::strtod(text.c_str(), &end);
            if (end == text.c_str() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 ||
                seconds > MaxSimulatedSeconds) {
                err << "wayline-cli simulate: --seconds takes a number above 0 and up to "
                    << MaxSimulatedSeconds << ", not '" << text << "'\n";
                return false;
            }
            options.Seconds = seconds;
        } else if (a == "--world") {
            options.World = arguments[++i];
        } else if (a == "--svg") {
            options.Svg = arguments[++i];
        } else if (a == "--sensors") {
            options.SensorsEnabled = true;
        } else if (a == "--trace") {
            options.Trace = true;
        } else if (a == "--json") {
            options.Json = true;
        } else if (a.size() > 1 && a[0] == '-') {
            err << "wayline-cli simulate: unknown option '" << a << "'\n";
            return false;
        } else if (haveFile) {
            err << "wayline-cli simulate: only one FILE can be given\n";
            return false;
        } else {
            options.File = a;
            haveFile = true;
        }
    }
    if (!haveFile) {
        err << "wayline-cli simulate: no FILE given\n";
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Telling what happened
// ---------------------------------------------------------------------------

// To so many decimals, as the nearest double to the decimal number, so that
// the JSON shows 0.6 and not 0.6000000000000001.
double Rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}
double Seconds(std::uint64_t us) {
    return Rounded(static_cast<double>(us) / 1e6, 4);
}

// The heading from the start, -180 (exclusive) to 180 degrees.
double Heading(double turnedDeg) {
    double h = std::fmod(turnedDeg, 360.0);
    if (h <= -180) {
        h += 360;
    } else if (h > 180) {
        h -= 360;
    }
    return h;
}

std::string Fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    // No "-0.0": a value that rounds to nothing has no sign.
    std::string s = text;
    if (s.find_first_not_of("-0.") == std::string::npos && s.front() == '-') {
        s.erase(0, 1);
    }
    return s;
}

const char* CommandName(char letter) {
    switch (letter) {
    case 'F':
        return "Move Forward";
    case 'B':
        return "Move Backward";
    case 'R':
        return "Turn Right";
    case 'L':
        return "Turn Left";
    case 'I':
        return "Rotate Right";
    case 'E':
        return "Rotate Left";
    case 'S':
        return "Stop and Wait";
    case 'G':
        return "Loop Back";
    case 'C':
        return "sensor columns";
    case 'Q':
        return "end of the list";
    case 'H':
        return "halt and wait";
    case 'P':
        return "wait";
    default:
        return "unknown letter";
    }
}

std::string ListName(int list) {
    if (list == 0) {
        return "main";
    }
    return list == 1 ? "All" : "Set" + std::to_string(list - 1);
}

const char* SensorName(sim::TSensor sensor) {
    switch (sensor) {
    case sim::TSensor::snLeftWhisker:
        return "left whisker";
    case sim::TSensor::snRightWhisker:
        return "right whisker";
    case sim::TSensor::snLeftIr:
        return "left detector";
    case sim::TSensor::snRightIr:
        return "right detector";
    }
    return "";
}

const char* ReactionName(sim::TReaction reaction) {
    switch (reaction) {
    case sim::TReaction::rnSensorSet:
        return "sensor set";
    case sim::TReaction::rnUTurn:
        return "U-turn";
    case sim::TReaction::rnBackRotateLeft:
        return "back and rotate left";
    case sim::TReaction::rnBackRotateRight:
        return "back and rotate right";
    case sim::TReaction::rnVeerLeft:
        return "veer left";
    case sim::TReaction::rnVeerRight:
        return "veer right";
    }
    return "";
}

const char* KindName(TRunEventKind kind) {
    switch (kind) {
    case TRunEventKind::ekCommand:
        return "command";
    case TRunEventKind::ekSensor:
        return "sensor";
    case TRunEventKind::ekReaction:
        return "reaction";
    case TRunEventKind::ekContact:
        return "contact";
    case TRunEventKind::ekEnd:
        return "end";
    }
    return "";
}

// What a value byte means for its letter, for the text report.
std::string CommandText(const TRunEvent& e) {
    std::string text = (e.List == 0 ? "main list" : "set " + ListName(e.List)) + ", entry " +
                       std::to_string(e.Entry) + ": \"" + std::string(1, e.Letter) + "\"";
    if (e.Letter == 'Q') {
        return text + " (" + CommandName(e.Letter) + ")";
    }
    text += "," + std::to_string(e.Value) + " (" + CommandName(e.Letter);
    if (e.Letter == 'G') {
        text += ", " + std::to_string(e.Value) + " entries back";
    } else if (e.Letter == 'C') {
        static const char* const Columns[] = {"all columns off", "right column", "left column",
                                              "both column"};
        const int set = e.Value & 7;
        text += ": " + std::string(Columns[(e.Value >> 4) & 3]);
        if ((e.Value >> 4 & 3) != 0) {
            text += " = " + (set == 5 ? std::string("no reaction") : "set " + ListName(set + 1));
        }
    } else if (std::string_view("FBRLIES").find(e.Letter) != std::string_view::npos) {
        text += " " + Fixed(e.Value / 10.0, 1) + " s";
    }
    return text + ")";
}

std::string EventText(const sim::TRobotSimulation& board, const TRunEvent& e) {
    const sim::TPose p = board.FromStart(e.Pose);
    const std::string at =
        " at x " + Fixed(p.Position.X, 1) + " mm, y " + Fixed(p.Position.Y, 1) + " mm";
    switch (e.Kind) {
    case TRunEventKind::ekCommand:
        return CommandText(e);
    case TRunEventKind::ekSensor:
        return std::string(SensorName(e.Sensor)) + at;
    case TRunEventKind::ekReaction:
        if (e.Reaction == sim::TReaction::rnSensorSet) {
            return "plays sensor set " + ListName(e.Set + 1) + at;
        }
        return std::string(ReactionName(e.Reaction)) + " (sensor value " +
               std::to_string(e.SensorValue) + ")" + at;
    case TRunEventKind::ekContact:
        return "touches a wall or an obstacle" + at;
    case TRunEventKind::ekEnd:
        return e.Text.empty() ? "the program ended" : e.Text;
    }
    return "";
}

nlohmann::ordered_json PoseJson(const sim::TPose& p) {
    return {{"x", Rounded(p.Position.X, 1)},
            {"y", Rounded(p.Position.Y, 1)},
            {"heading", Rounded(Heading(p.HeadingDeg), 2)}};
}

nlohmann::ordered_json EventJson(const sim::TRobotSimulation& board, const TRunEvent& e) {
    nlohmann::ordered_json j = {{"t", Seconds(e.TimeUs)}, {"kind", KindName(e.Kind)}};
    switch (e.Kind) {
    case TRunEventKind::ekCommand:
        j["list"] = ListName(e.List);
        j["entry"] = e.Entry;
        j["letter"] = std::string(1, e.Letter);
        if (e.Letter != 'Q') {
            j["value"] = e.Value;
        }
        j["name"] = CommandName(e.Letter);
        break;
    case TRunEventKind::ekSensor:
        j["sensor"] = SensorName(e.Sensor);
        break;
    case TRunEventKind::ekReaction:
        j["reaction"] = ReactionName(e.Reaction);
        if (e.Reaction == sim::TReaction::rnSensorSet) {
            j["set"] = ListName(e.Set + 1);
        } else {
            j["sensorValue"] = e.SensorValue;
        }
        break;
    case TRunEventKind::ekContact:
        break;
    case TRunEventKind::ekEnd:
        j["message"] = e.Text;
        break;
    }
    j["pose"] = PoseJson(board.FromStart(e.Pose));
    return j;
}

struct TTraceLine {
    std::uint64_t TimeUs = 0; // since the program's start
    int BitAddress = 0;
    int Instruction = 0;
};

std::string TraceText(const TTraceLine& t) {
    char address[16];
    std::snprintf(address, sizeof address, "%5d", t.BitAddress);
    const std::string_view name = sim::InstructionName(t.Instruction);
    return "bit " + std::string(address) + "  " +
           (name.empty() ? "token " + std::to_string(t.Instruction) : std::string(name));
}

std::string Line(std::uint64_t timeUs, const char* kind, const std::string& text) {
    char head[48];
    std::snprintf(head, sizeof head, "%10.4f s  %-9s ", static_cast<double>(timeUs) / 1e6, kind);
    return head + text + "\n";
}

// Prints the events and trace lines up to `upToUs` in the order of their
// times (an event before the instructions of the same moment).
void PrintUpTo(const sim::TRobotSimulation& board, std::optional<std::uint64_t> upToUs,
               std::size_t& nextEvent, std::deque<TTraceLine>& trace, std::ostream& out) {
    const auto& events = board.Events();
    for (;;) {
        const bool haveEvent =
            nextEvent < events.size() && (!upToUs || events[nextEvent].TimeUs <= *upToUs);
        const bool haveTrace = !trace.empty() && (!upToUs || trace.front().TimeUs <= *upToUs);
        if (!haveEvent && !haveTrace) {
            return;
        }
        if (haveEvent && (!haveTrace || events[nextEvent].TimeUs <= trace.front().TimeUs)) {
            const TRunEvent& e = events[nextEvent++];
            out << Line(e.TimeUs, KindName(e.Kind), EventText(board, e));
        } else {
            out << Line(trace.front().TimeUs, "trace", TraceText(trace.front()));
            trace.pop_front();
        }
    }
}

} // namespace

int RunSimulateCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err, TTokenizer& tokenizer, std::string_view templateText) {
    TOptions options;
    if (!ParseOptions(arguments, options, err)) {
        PrintUsage(err);
        return ExitUsageError;
    }

    sim::TWorld world = sim::TWorld::DefaultArena();
    if (!options.World.empty()) {
        sim::TWorldFileResult read = sim::ReadWorldFile(options.World);
        if (!read.Loaded) {
            err << "wayline-cli simulate: " << options.World << ": " << read.Error << '\n';
            return ExitSimulationFailed;
        }
        world = std::move(read.World);
    }

    const std::optional<TCodeLines> lines =
        ProgramLinesOfFile("simulate", options.File, options.SensorsEnabled, templateText, err);
    if (!lines) {
        return ExitSimulationFailed;
    }
    TDownloadImages images;
    if (!CompileForDownload(tokenizer, *lines, images)) {
        err << TokenizationFailedText << '\n';
        const TTokenizerResult& r = tokenizer.Result;
        if (!r.Succeeded && r.ErrorText != nullptr) {
            err << FormatDiagnostic(options.File, JoinCodeLines(*lines), r.ErrorStart,
                                    r.ErrorLength, r.ErrorText);
        } else if (r.Succeeded && r.PacketCount == 0) {
            err << options.File << ": the program has nothing to download\n";
        }
        return ExitSimulationFailed;
    }
    if (tokenizer.Result.TargetModule != tmKM2) {
        err << options.File
            << ": the program is not for the Keystone 2 module ('{$KEYSTONE KM2}'): the virtual "
               "robot cannot run it\n";
        return ExitSimulationFailed;
    }

    sim::TRobotSession session(std::move(world));
    sim::TRobotSimulation& board = session.Board();
    session.Interpreter().SetTracing(options.Trace);
    const int packets = images.ImagePacketCounts[0];
    std::string downloadError;
    if (!session.Download(&tokenizer.Result.PacketBuffer[0][0], packets, downloadError)) {
        err << "wayline-cli simulate: the download into the virtual robot failed: " << downloadError
            << '\n';
        return ExitSimulationFailed;
    }
    const bool json = options.Json;
    std::deque<TTraceLine> pendingTrace;
    std::vector<TTraceLine> allTrace;
    // What the run-time did in the board's last step.
    const auto collectTrace = [&] {
        for (const sim::TRunTimeEvent& e : board.RunTimeEvents()) {
            if (e.Kind == sim::ekInstruction && board.Started() && e.TimeUs >= board.StartUs()) {
                const TTraceLine t{e.TimeUs - board.StartUs(), e.B, e.A};
                (json ? allTrace.push_back(t) : pendingTrace.push_back(t));
            }
        }
    };
    // The module starts the program once the transfer's closing byte is in.
    for (int ms = 0; ms < 1000 && !board.Started(); ++ms) {
        board.RunFor(1000);
        collectTrace();
    }
    if (!board.Started()) {
        err << "wayline-cli simulate: the virtual robot did not start the program\n";
        return ExitSimulationFailed;
    }

    if (!options.Json) {
        out << "Downloaded " << packets << " packets to the virtual robot in "
            << Fixed(static_cast<double>(session.DownloadUs()) / 1e6, 2) << " s.\n";
    }
    const std::uint64_t start = board.StartUs();
    const auto limitUs = static_cast<std::uint64_t>(std::llround(options.Seconds * 1e6));
    std::size_t printed = 0;
    std::optional<std::uint64_t> settleUntil;
    while (board.NowUs() < start + limitUs) {
        const std::uint64_t until = std::min(start + limitUs, board.NowUs() + ChunkUs);
        board.RunUntil(settleUntil ? std::min(until, *settleUntil) : until);
        collectTrace();
        if (!json) {
            PrintUpTo(board, board.EventsCompleteUs(), printed, pendingTrace, out);
        }
        if (board.EndUs() && !settleUntil) {
            settleUntil = start + *board.EndUs() + SettleUs;
        }
        if (settleUntil && board.NowUs() >= *settleUntil) {
            break;
        }
    }
    board.FlushEvents();

    const sim::TPose pose = board.PoseFromStart();
    const bool fault = session.Interpreter().StopReason() == sim::srFault;
    if (options.Json) {
        nlohmann::ordered_json j;
        j["file"] = options.File;
        j["packets"] = packets;
        j["downloadSeconds"] = Seconds(session.DownloadUs());
        j["seconds"] = options.Seconds;
        j["endTime"] = board.EndUs() ? nlohmann::ordered_json(Seconds(*board.EndUs())) : nullptr;
        j["pose"] = PoseJson(pose);
        j["turned"] = Rounded(pose.HeadingDeg, 2);
        j["arenaPose"] = PoseJson(board.Robot().Pose());
        nlohmann::ordered_json events = nlohmann::ordered_json::array();
        for (const TRunEvent& e : board.Events()) {
            events.push_back(EventJson(board, e));
        }
        j["events"] = events;
        if (options.Trace) {
            nlohmann::ordered_json trace = nlohmann::ordered_json::array();
            for (const TTraceLine& t : allTrace) {
                trace.push_back(
                    {{"t", Seconds(t.TimeUs)},
                     {"bit", t.BitAddress},
                     {"instruction", std::string(sim::InstructionName(t.Instruction))}});
            }
            j["trace"] = trace;
        }
        out << j.dump(2) << '\n';
    } else {
        PrintUpTo(board, std::nullopt, printed, pendingTrace, out);
        if (board.EndUs()) {
            out << "The program ended at " << Fixed(static_cast<double>(*board.EndUs()) / 1e6, 3)
                << " s.\n";
        } else {
            out << "The program was still running at " << Fixed(options.Seconds, 3) << " s.\n";
        }
        out << "The robot stands at x " << Fixed(pose.Position.X, 1) << " mm, y "
            << Fixed(pose.Position.Y, 1) << " mm from its start, heading "
            << Fixed(Heading(pose.HeadingDeg), 1) << " degrees.\n";
    }
    if (fault) {
        err << "wayline-cli simulate: " << session.Interpreter().StopMessage() << '\n';
    }

    if (!options.Svg.empty()) {
        std::ofstream svg(options.Svg, std::ios::binary | std::ios::trunc);
        std::string title =
            options.File + (board.EndUs() ? ", ended at " + Fixed(*board.EndUs() / 1e6, 1) + " s"
                                          : ", " + Fixed(options.Seconds, 1) + " s");
        svg << SimulationSvg(board, title);
        svg.close();
        if (!svg) {
            err << "wayline-cli simulate: cannot write '" << options.Svg << "'\n";
            return ExitSimulationFailed;
        }
    }
    return fault ? ExitSimulationFailed : ExitSucceeded;
}

} // namespace wayline
