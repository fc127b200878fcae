// What one frame of the virtual robot's window costs the arena view, with
// 10 s and with 10 min of path behind the robot: the beginner loop "Move
// Forward 5.0 sec, Loop Back to step 1" with the sensors on, in the default
// arena. A frame is the robot's 1/60 s at 1x (outside the timing), then the
// view's Refresh and a paint: of the part round the robot, as the window
// repaints what changed while the robot drives (Region), and of the whole
// view, the most a frame can cost (Whole). For each, the two path lengths
// should stay within 20 % of each other: the path is kept as a picture that
// each frame only extends. 600 frames a run, so that the path grows by no
// more than 10 s while it is measured.
#include <benchmark/benchmark.h>

#include "cli/GenerateCommand.h"
#include "codegen/core/BuildCode.h"
#include "editor/core/ActionDocument.h"
#include "sim/core/RobotSession.h"
#include "sim/ui/ArenaView.h"
#include "tokenizer/Tokenizer.h"

#include <QApplication>
#include <QImage>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace wayline;

constexpr std::uint64_t FrameUs = 16667;

QApplication& App() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "bench_arena_paint";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

std::vector<std::uint8_t> LoopPackets() {
    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    const auto add = [&state](TActionKind kind, int value) {
        const int row = state->StepCount(MainList) + 1;
        state->Step(MainList, row) = TActionStep{static_cast<std::uint8_t>(kind),
                                                 static_cast<std::int16_t>(value), 0, 0, 0};
        state->SetStepCount(MainList, row);
    };
    add(akMoveForward, 50);
    add(akLoopBack, 1);
    const TBuildCodeResult built = BuildCode(RobotProgramTemplateText(), *state, true);
    const std::optional<std::string> text = TokenizerSourceText(built.Lines);
    TTokenizer& tokenizer = TheTokenizer();
    if (!built.Succeeded || !text || !tokenizer.SetSource(*text) ||
        !tokenizer.Tokenize()) {
        std::abort();
    }
    const TTokenizerResult& r = tokenizer.Result;
    return {&r.PacketBuffer[0][0], &r.PacketBuffer[0][0] + 18 * r.PacketCount};
}

template <bool Whole>
void BM_ArenaFrame(benchmark::State& state) {
    App();
    const std::vector<std::uint8_t> packets = LoopPackets();
    sim::TRobotSession session(sim::TWorld::DefaultArena());
    std::string error;
    if (!session.Download(packets.data(), static_cast<int>(packets.size() / 18), error)) {
        std::abort();
    }
    sim::TRobotSimulation& board = session.Board();
    while (!board.Started()) {
        board.RunFor(1000);
    }
    TArenaView view(session, {});
    view.resize(690, 500); // the arena in a window of 920 x 640
    QImage canvas(view.size(), QImage::Format_ARGB32_Premultiplied);
    // The path so far, taken a frame at a time as the window does.
    const std::uint64_t pathUs = static_cast<std::uint64_t>(state.range(0)) * 1000000;
    while (board.NowUs() - board.StartUs() < pathUs) {
        board.RunFor(FrameUs);
        view.Refresh();
    }
    view.render(&canvas);
    // Round the robot: its cones' reach and its whiskers.
    const auto aroundRobot = [&view] {
        const TArenaPicture& p = view.Picture();
        const double r = p.IrRangeMm + p.BodyRadiusMm + 40;
        const sim::TPoint c = p.Pose.Position;
        return QRectF(view.ToPixels({c.X - r, c.Y + r}), view.ToPixels({c.X + r, c.Y - r}))
            .normalized()
            .toAlignedRect();
    };
    for (auto _ : state) {
        state.PauseTiming();
        const QRect before = aroundRobot();
        board.RunFor(FrameUs);
        state.ResumeTiming();
        view.Refresh();
        if (Whole) {
            view.render(&canvas);
        } else {
            const QRect area = before.united(aroundRobot());
            view.render(&canvas, area.topLeft(), QRegion(area));
        }
    }
    state.counters["path_points"] = static_cast<double>(view.DrawnPath().size());
}
// Seconds of path behind the robot.
BENCHMARK(BM_ArenaFrame<false>)
    ->Name("BM_ArenaFrame/Region")
    ->Arg(10)
    ->Arg(600)
    ->Iterations(600)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ArenaFrame<true>)
    ->Name("BM_ArenaFrame/Whole")
    ->Arg(10)
    ->Arg(600)
    ->Iterations(600)
    ->Unit(benchmark::kMicrosecond);

} // namespace
