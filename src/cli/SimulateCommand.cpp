#include "cli/SimulateCommand.h"

#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"
#include "cli/ProgramFile.h"
#include "cli/SimulationSvg.h"
#include "cli/VirtualRobotRun.h"
#include "sim/core/ChallengeFile.h"
#include "sim/core/InstructionSet.h"
#include "sim/core/RobotSession.h"
#include "tokenizer/Tokenizer.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>

namespace wayline {

namespace {

using sim::TRunEvent;
using sim::TRunEventKind;

constexpr double DefaultSeconds = 60;
constexpr std::uint64_t ChunkUs = 10000;
// After the program ends the wheels run on until their servos time out;
// the run goes on this long so that the last pose is where the robot rests.
constexpr std::uint64_t SettleUs = 50000;

// The seconds of --seconds, when the text is a number in range.
std::optional<double> SecondsOf(const std::string& text) {
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 ||
        seconds > MaxSimulatedSeconds) {
        return std::nullopt;
    }
    return seconds;
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

TJson PoseJson(const sim::TPose& p) {
    return TJson::Object({{"x", Rounded(p.Position.X, 1)},
                          {"y", Rounded(p.Position.Y, 1)},
                          {"heading", Rounded(Heading(p.HeadingDeg), 2)}});
}

TJson EventJson(const sim::TRobotSimulation& board, const TRunEvent& e) {
    TJson j = TJson::Object({{"t", Seconds(e.TimeUs)}, {"kind", KindName(e.Kind)}});
    switch (e.Kind) {
    case TRunEventKind::ekCommand:
        j.Set("list", ListName(e.List));
        j.Set("entry", e.Entry);
        j.Set("letter", std::string(1, e.Letter));
        if (e.Letter != 'Q') {
            j.Set("value", e.Value);
        }
        j.Set("name", CommandName(e.Letter));
        break;
    case TRunEventKind::ekSensor:
        j.Set("sensor", SensorName(e.Sensor));
        break;
    case TRunEventKind::ekReaction:
        j.Set("reaction", ReactionName(e.Reaction));
        if (e.Reaction == sim::TReaction::rnSensorSet) {
            j.Set("set", ListName(e.Set + 1));
        } else {
            j.Set("sensorValue", e.SensorValue);
        }
        break;
    case TRunEventKind::ekContact:
        break;
    case TRunEventKind::ekEnd:
        j.Set("message", e.Text);
        break;
    }
    j.Set("pose", PoseJson(board.FromStart(e.Pose)));
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

// {"t":1.2345,"bit":123,"instruction":"PAUSE"}, as TJson would write it
// but without building one: an hour's trace has tens of millions.
std::string TraceJson(const TTraceLine& t) {
    // The seconds to four decimals, trailing zeros dropped but one.
    char seconds[32];
    int length = std::snprintf(seconds, sizeof seconds, "%.4f",
                               static_cast<double>((t.TimeUs + 50) / 100) / 1e4);
    while (length > 2 && seconds[length - 1] == '0' && seconds[length - 2] != '.') {
        seconds[--length] = '\0';
    }
    const std::string_view name = sim::InstructionName(t.Instruction);
    std::string json = "{\"t\":";
    json += seconds;
    json += ",\"bit\":" + std::to_string(t.BitAddress) + ",\"instruction\":";
    // Instruction names are plain capital words; anything else goes
    // through the JSON writer.
    const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '_';
    });
    json += plain ? "\"" + std::string(name) + "\"" : TJson(name).Dump();
    return json + "}";
}

std::string Line(std::uint64_t timeUs, const char* kind, const std::string& text) {
    char head[48];
    std::snprintf(head, sizeof head, "%10.4f s  %-9s ", static_cast<double>(timeUs) / 1e6, kind);
    return head + text + "\n";
}

// Prints the events and trace lines up to `upToUs` in the order of their
// times (an event before the instructions of the same moment).
void PrintUpTo(const sim::TRobotSimulation& board, std::optional<std::uint64_t> upToUs,
               TEventReader& events, std::deque<TTraceLine>& trace, std::ostream& out) {
    for (;;) {
        const TRunEvent* e = events.Peek(board);
        const bool haveEvent = e != nullptr && (!upToUs || e->TimeUs <= *upToUs);
        const bool haveTrace = !trace.empty() && (!upToUs || trace.front().TimeUs <= *upToUs);
        if (!haveEvent && !haveTrace) {
            return;
        }
        if (haveEvent && (!haveTrace || e->TimeUs <= trace.front().TimeUs)) {
            out << Line(e->TimeUs, KindName(e->Kind), EventText(board, *e));
            events.Take();
        } else {
            out << Line(trace.front().TimeUs, "trace", TraceText(trace.front()));
            trace.pop_front();
        }
    }
}

// The JSON report written as the run goes: one object, member by member,
// its arrays element by element (one to a line), so that an hour's trace
// is never held whole. The events, which come in alongside the trace, wait
// in a file of their own until the trace is closed.
class TJsonReport {
public:
    explicit TJsonReport(std::ostream& out) : Out(out) {}

    void Member(std::string_view key, const TJson& value) {
        Open(key);
        Out << value.Dump();
    }
    void OpenArray(std::string_view key) {
        Open(key);
        Out << '[';
        FirstElement = true;
    }
    void Element(const TJson& value) { Element(value.Dump()); }
    void Element(const std::string& dumped) {
        Out << (FirstElement ? "\n    " : ",\n    ") << dumped;
        FirstElement = false;
    }
    void CloseArray() { Out << (FirstElement ? "]" : "\n  ]"); }
    void Close() { Out << (FirstMember ? "{}" : "\n}") << '\n'; }

private:
    void Open(std::string_view key) {
        Out << (FirstMember ? "{\n  " : ",\n  ") << TJson(key).Dump() << ": ";
        FirstMember = false;
    }

    std::ostream& Out;
    bool FirstMember = true;
    bool FirstElement = true;
};

// A file for the events while the trace streams: removed from its folder
// at once, so nothing is left behind whatever happens to the run.
class TSpillFile {
public:
    TSpillFile() {
        std::string name =
            (std::filesystem::temp_directory_path() / "wayline-events-XXXXXX").string();
        const int fd = ::mkstemp(name.data());
        if (fd < 0) {
            return;
        }
        File.open(name, std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary);
        ::close(fd);
        ::unlink(name.c_str());
    }
    bool Usable() const { return File.is_open() && File.good(); }
    void Add(const std::string& line) {
        File << line << '\n';
        ++Count;
    }
    // Reads every line back, in order.
    template <class F> void ForEach(F&& f) {
        File.flush();
        File.seekg(0);
        std::string line;
        for (std::uint64_t i = 0; i < Count && std::getline(File, line); ++i) {
            f(line);
        }
    }

private:
    std::fstream File;
    std::uint64_t Count = 0;
};

} // namespace

TSimulateCommand::TSimulateCommand(TCommandLine& line) {
    CLI::App& command = line.AddCommand(
        "simulate", "run a program on the virtual robot",
        "Compiles FILE as download does, downloads it into the virtual robot through the "
        "module's serial protocol and runs it for N seconds of the robot's time, or until it "
        "ends. Prints what happened, timed from the program's start, how the run ended and "
        "where the robot stands: x ahead along its start heading and y to its left, in "
        "millimetres, and the heading turned from the start, counter-clockwise in degrees. "
        "Exit status 1 when the program could not be run or stopped on a fault.");
    CLI::Option& seconds = line.AddValue(
        command, "--seconds", SecondsText, "N", "a number of seconds",
        "how long to run, in the robot's seconds: above 0 and up to 3600 (60 by default)");
    line.Check(seconds, [](const std::string& text) {
        std::ostringstream refusal;
        if (!SecondsOf(text)) {
            refusal << "--seconds takes a number above 0 and up to " << MaxSimulatedSeconds
                    << ", not '" << text << "'";
        }
        return refusal.str();
    });
    line.AddValue(command, "--world", World, "FILE.json", "a file name",
                  "the arena, its walls and obstacles and the robot's start, as a JSON world "
                  "file (the default arena without one)");
    line.AddFlag(command, "--sensors", SensorsEnabled,
                 "build an action list's program with the sensors on");
    line.AddFlag(command, "--trace", Trace,
                 "add every instruction the module runs, with its bit address");
    line.AddValue(command, "--svg", Svg, "OUT.svg", "a file name",
                  "draw the run seen from above into OUT.svg");
    line.AddFlag(command, "--json", Json, "print all of it as one JSON object instead");
    line.AddFile(command, File, "FILE.wyl|FILE.hbs", "the action list or the HBASIC program");
    Command = &command;
}

int TSimulateCommand::Run(std::ostream& out, std::ostream& err, TTokenizer& tokenizer,
                          std::string_view templateText) const {
    const double runSeconds = SecondsText.empty() ? DefaultSeconds : SecondsOf(SecondsText).value();
    sim::TWorld world = sim::TWorld::DefaultArena();
    if (!World.empty()) {
        // A challenge file is a world file with a task: its world serves.
        sim::TChallengeFileResult read = sim::ReadChallengeFile(World);
        if (!read.Loaded) {
            err << "wayline-cli simulate: " << World << ": " << read.Error << '\n';
            return ExitSimulationFailed;
        }
        world = std::move(read.Challenge.World);
    }

    TCompiledProgram program;
    if (!CompileProgramFile("simulate", File, SensorsEnabled, templateText, tokenizer, program,
                            err)) {
        return ExitSimulationFailed;
    }

    sim::TRobotSession session(std::move(world));
    sim::TRobotSimulation& board = session.Board();
    session.Interpreter().SetTracing(Trace);
    const bool json = Json;
    std::optional<TSpillFile> spill;
    if (json && Trace) {
        spill.emplace();
        if (!spill->Usable()) {
            err << "wayline-cli simulate: cannot make a temporary file in "
                << std::filesystem::temp_directory_path().string() << '\n';
            return ExitSimulationFailed;
        }
    }
    TJsonReport report(out);
    std::deque<TTraceLine> pendingTrace;
    // What the run-time did in the board's last step.
    const auto collectTrace = [&] {
        for (const sim::TRunTimeEvent& e : board.RunTimeEvents()) {
            if (e.Kind == sim::ekInstruction && board.Started() && e.TimeUs >= board.StartUs()) {
                const TTraceLine t{e.TimeUs - board.StartUs(), e.B, e.A};
                if (json) {
                    report.Element(TraceJson(t));
                } else {
                    pendingTrace.push_back(t);
                }
            }
        }
    };
    TEventReader events;
    // With the trace streaming, the events wait in the spill file.
    const auto takeEvents = [&](std::optional<std::uint64_t> upToUs) {
        if (!json) {
            PrintUpTo(board, upToUs, events, pendingTrace, out);
            return;
        }
        while (const TRunEvent* e = events.Peek(board)) {
            const std::string dumped = EventJson(board, *e).Dump();
            spill ? spill->Add(dumped) : report.Element(dumped);
            events.Take();
        }
    };

    std::string error;
    if (!session.Download(program.Packets.data(), program.PacketCount(), error)) {
        err << "wayline-cli simulate: the download into the virtual robot failed: " << error
            << '\n';
        return ExitSimulationFailed;
    }
    if (json) {
        report.Member("file", File);
        report.Member("packets", program.PacketCount());
        report.Member("downloadSeconds", Seconds(session.DownloadUs()));
        report.Member("seconds", runSeconds);
        report.OpenArray(Trace ? "trace" : "events");
    }
    // The module starts the program once the transfer's closing byte is in.
    for (int ms = 0; ms < 1000 && !board.Started(); ++ms) {
        board.RunFor(1000);
        collectTrace();
    }
    if (!board.Started()) {
        err << "wayline-cli simulate: the virtual robot did not start the program\n";
        return ExitSimulationFailed;
    }

    if (!Json) {
        out << "Downloaded " << program.PacketCount() << " packets to the virtual robot in "
            << Fixed(static_cast<double>(session.DownloadUs()) / 1e6, 2) << " s.\n";
    }
    const std::uint64_t start = board.StartUs();
    const auto limitUs = static_cast<std::uint64_t>(std::llround(runSeconds * 1e6));
    std::optional<std::uint64_t> settleUntil;
    while (board.NowUs() < start + limitUs) {
        const std::uint64_t until = std::min(start + limitUs, board.NowUs() + ChunkUs);
        board.RunUntil(settleUntil ? std::min(until, *settleUntil) : until);
        collectTrace();
        takeEvents(board.EventsCompleteUs());
        if (board.EndUs() && !settleUntil) {
            settleUntil = start + *board.EndUs() + SettleUs;
        }
        if (settleUntil && board.NowUs() >= *settleUntil) {
            break;
        }
    }
    board.FlushEvents();
    takeEvents(std::nullopt);

    const sim::TPose pose = board.PoseFromStart();
    const bool fault = session.Interpreter().StopReason() == sim::srFault;
    if (Json) {
        report.CloseArray();
        if (spill) {
            report.OpenArray("events");
            spill->ForEach([&report](const std::string& line) { report.Element(line); });
            report.CloseArray();
        }
        if (events.Missed() != 0) {
            // Not expected (the events are read as they come), but never
            // left out without a word.
            report.Member("eventsLeftOut", events.Missed());
        }
        report.Member("endTime", board.EndUs() ? TJson(Seconds(*board.EndUs())) : TJson(nullptr));
        report.Member("pose", PoseJson(pose));
        report.Member("turned", Rounded(pose.HeadingDeg, 2));
        report.Member("arenaPose", PoseJson(board.Robot().Pose()));
        report.Close();
    } else {
        if (events.Missed() != 0) {
            out << events.Missed() << " events were left out.\n";
        }
        if (board.EndUs()) {
            out << "The program ended at " << Fixed(static_cast<double>(*board.EndUs()) / 1e6, 3)
                << " s.\n";
        } else {
            out << "The program was still running at " << Fixed(runSeconds, 3) << " s.\n";
        }
        out << "The robot stands at x " << Fixed(pose.Position.X, 1) << " mm, y "
            << Fixed(pose.Position.Y, 1) << " mm from its start, heading "
            << Fixed(Heading(pose.HeadingDeg), 1) << " degrees.\n";
    }
    if (fault) {
        err << "wayline-cli simulate: " << session.Interpreter().StopMessage() << '\n';
    }

    if (!Svg.empty()) {
        std::ofstream svg(Svg, std::ios::binary | std::ios::trunc);
        std::string title =
            File + (board.EndUs() ? ", ended at " + Fixed(*board.EndUs() / 1e6, 1) + " s"
                                  : ", " + Fixed(runSeconds, 1) + " s");
        svg << SimulationSvg(board, title);
        svg.close();
        if (!svg) {
            err << "wayline-cli simulate: cannot write '" << Svg << "'\n";
            return ExitSimulationFailed;
        }
    }
    return fault ? ExitSimulationFailed : ExitSucceeded;
}

int RunSimulateCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err, TTokenizer& tokenizer, std::string_view templateText) {
    TCommandLine line;
    const TSimulateCommand command(line);
    if (const std::optional<int> status = line.ParseCommand(command.App(), arguments, out, err)) {
        return *status;
    }
    return command.Run(out, err, tokenizer, templateText);
}

} // namespace wayline
