#pragma once

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
class TConnectionHelpForm;

// The program's six windows, created at start in this order and alive
// until the program ends.
struct TMainWindows {
    std::unique_ptr<TIntroForm> IntroForm;
    std::unique_ptr<TMainForm> MainForm;
    std::unique_ptr<TTestForm> TestForm;
    std::unique_ptr<TProgressForm> ProgressForm;
    std::unique_ptr<TDragger> Dragger;
    std::unique_ptr<TCodeForm> CodeForm;
    // Not one of the six: opened by the download when the robot cannot be
    // reached.
    std::unique_ptr<TConnectionHelpForm> ConnectionHelp;

    TMainWindows();
    ~TMainWindows();
    TMainWindows(const TMainWindows&) = delete;
    TMainWindows& operator=(const TMainWindows&) = delete;
};

// Creates the windows in their order and wires the start window's choice
// to the main window: the mode is set, then the main window is shown.
void CreateWindows(TMainWindows& windows, TAppState& state, const TResources& resources);

} // namespace wayline
