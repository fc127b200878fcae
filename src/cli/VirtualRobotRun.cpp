#include "cli/VirtualRobotRun.h"

#include "cli/ProgramFile.h"
#include "codegen/core/CompileStep.h"
#include "sim/core/RobotSession.h"
#include "tokenizer/Tokenizer.h"

#include <optional>
#include <ostream>

namespace wayline {

bool CompileProgramFile(std::string_view command, const std::string& file, bool sensorsEnabled,
                        std::string_view templateText, TTokenizer& tokenizer,
                        TCompiledProgram& program, std::ostream& err) {
    program.Packets.clear();
    const std::optional<TCodeLines> lines =
        ProgramLinesOfFile(command, file, sensorsEnabled, templateText, err);
    if (!lines) {
        return false;
    }
    TDownloadImages images;
    if (!CompileForRobot(tokenizer, file, *lines, images,
                         "('{$KEYSTONE KM2}'): the virtual robot cannot run it", err)) {
        return false;
    }
    const std::uint8_t* first = &tokenizer.Result.PacketBuffer[0][0];
    program.Packets.assign(first, first + 18 * images.ImagePacketCounts[0]);
    return true;
}

bool StartOnVirtualRobot(sim::TRobotSession& session, const TCompiledProgram& program,
                         std::string& error) {
    if (!session.Download(program.Packets.data(), program.PacketCount(), error)) {
        error = "the download into the virtual robot failed: " + error;
        return false;
    }
    // The module starts the program once the transfer's closing byte is in.
    sim::TRobotSimulation& board = session.Board();
    for (int ms = 0; ms < 1000 && !board.Started(); ++ms) {
        board.RunFor(1000);
    }
    if (!board.Started()) {
        error = "the virtual robot did not start the program";
        return false;
    }
    return true;
}

const sim::TRunEvent* TEventReader::Peek(const sim::TRobotSimulation& board) {
    if (board.Runs() != Run) {
        Run = board.Runs();
        Read = 0;
    }
    const std::uint64_t dropped = board.EventsDropped();
    if (Read < dropped) {
        Lost += dropped - Read;
        Read = dropped;
    }
    const std::uint64_t index = Read - dropped;
    if (index >= board.Events().size()) {
        return nullptr;
    }
    return &board.Events()[static_cast<std::size_t>(index)];
}

} // namespace wayline
