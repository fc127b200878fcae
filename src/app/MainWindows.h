#pragma once

#include "sim/core/VirtualRobotPort.h"

#include <memory>

namespace wayline {

struct TAppState;
class TResources;
class TIntroForm;
class TMainForm;
class TTestForm;
class TProgressForm;
class TDragger;
class TCodeForm;
class TVirtualRobotForm;
class TConnectionHelpForm;

// The program's windows, created at start in this order and alive until the
// program ends, and the virtual robot they show (the program offers it on
// its port of that name: WithVirtualRobot(VirtualRobot, ...)).
struct TMainWindows {
    TVirtualRobot VirtualRobot;
    std::unique_ptr<TIntroForm> IntroForm;
    std::unique_ptr<TMainForm> MainForm;
    std::unique_ptr<TTestForm> TestForm;
    std::unique_ptr<TProgressForm> ProgressForm;
    std::unique_ptr<TDragger> Dragger;
    std::unique_ptr<TCodeForm> CodeForm;
    std::unique_ptr<TVirtualRobotForm> VirtualRobotForm;
    // Opened by the download when the robot cannot be reached.
    std::unique_ptr<TConnectionHelpForm> ConnectionHelp;

    TMainWindows();
    ~TMainWindows();
    TMainWindows(const TMainWindows&) = delete;
    TMainWindows& operator=(const TMainWindows&) = delete;
};

// Creates the windows in their order and wires the start window's choice
// to the main window: the mode is set, then the main window is shown. A
// language picked there is the program's from then on. A download to the
// virtual robot opens its window, which lights up the steps it plays in the
// main window's grids.
void CreateWindows(TMainWindows& windows, TAppState& state, TResources& resources);

} // namespace wayline
