#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace wayline {

class TTokenizer;

namespace sim {
class TRobotSession;
class TRobotSimulation;
struct TRunEvent;
} // namespace sim

// A program file made ready for the virtual robot as Go makes a list ready
// for a robot: an action list built into the robot program (in the mode it
// was saved in), any other file taken as a program source, compiled for the
// Keystone 2 module.
struct TCompiledProgram {
    std::vector<std::uint8_t> Packets; // 18 bytes each, as the tokenizer cuts them
    int PacketCount() const { return static_cast<int>(Packets.size() / 18); }
};

// False after telling on err why the file cannot run, as simulate does:
// its file error, or "Error! Tokenization Failed!" and the tokenizer's
// diagnostic at the file's line. `command` names the command in messages.
bool CompileProgramFile(std::string_view command, const std::string& file, bool sensorsEnabled,
                        std::string_view templateText, TTokenizer& tokenizer,
                        TCompiledProgram& program, std::ostream& err);

// Downloads the program into the session's module through its serial
// protocol and runs the board until the module has started it. False with
// the message when not.
bool StartOnVirtualRobot(sim::TRobotSession& session, const TCompiledProgram& program,
                         std::string& error);

// Reads a board's events as they join its list, each once and in order,
// however many the board has let go of since (it keeps a bounded number).
class TEventReader {
public:
    // The next event not read yet (nullptr: none yet); valid until the
    // board runs on. Take moves past it.
    const sim::TRunEvent* Peek(const sim::TRobotSimulation& board);
    void Take() { ++Read; }
    // Events the board let go of before they were read.
    std::uint64_t Missed() const { return Lost; }

private:
    unsigned Run = 0;
    std::uint64_t Read = 0; // counted from the run's first event
    std::uint64_t Lost = 0;
};

} // namespace wayline
