#pragma once

#include "testmode/ui/BotPanel.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QSpinBox;
class QTimer;

namespace wayline {

struct TActionDocument;
class TResources;
class TSerialSlots;

// "Test Mode": downloads the test program, then every 10 ms sends the two
// servo pulse widths the user sets and shows what the whiskers and the
// infra-red detectors report. The pulse at which a wheel stands still is
// stored as that servo's calibration with Calibrate Servos.
//
// The compile and the download belong to the main window; its owner hands
// them in (SetProgramLoader, SetDownloader). Without them the window still
// opens, and Run Test downloads nothing.
class TTestForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int TimerIntervalMs = 10;

    // Loads the program of resource DATA `resourceId` into the code window's
    // text with the template loader.
    using TProgramLoader = std::function<void(int resourceId)>;
    // Compiles the code window's text and downloads it; with `keepOpen` the
    // port stays open. Returns the slot (-3..0) or NoSlot when nothing was
    // downloaded (the failure has been reported).
    using TDownloader = std::function<int(bool keepOpen)>;

    // `document` receives the calibration; `slots` is the port slot table
    // the download's slot comes from.
    TTestForm(const TResources& resources, TActionDocument& document, TSerialSlots& slots,
              QWidget* parent = nullptr);
    ~TTestForm() override;

    void SetProgramLoader(TProgramLoader loader) { LoadProgram = std::move(loader); }
    void SetDownloader(TDownloader downloader) { DownloadTokenization = std::move(downloader); }

    // The controls by their window-definition names.
    QScrollBar* LeftTireSpeed() const { return Left.TireSpeed; }
    QScrollBar* RightTireSpeed() const { return Right.TireSpeed; }
    QSpinBox* LServoSpinEdit() const { return Left.SpinEdit; }
    QSpinBox* RServoSpinEdit() const { return Right.SpinEdit; }
    QCheckBox* LeftCheckBox() const { return Left.CheckBox; }
    QCheckBox* RightCheckBox() const { return Right.CheckBox; }
    QLabel* LeftPulseLabel() const { return Left.PulseLabel; }
    QLabel* RightPulseLabel() const { return Right.PulseLabel; }
    QPushButton* RunTestButton() const { return RunTest; }
    QPushButton* DefaultButton() const { return Defaults; }
    QPushButton* SetCalibrationButton() const { return Calibrate; }
    QPushButton* ExitButton() const { return Exit; }
    TBotPanel* BotPanel() const { return Bot; }
    // What Calibrate Servos stored, once it has (empty before).
    QLabel* CalibrationLabel() const { return Stored; }
    QTimer* Timer() const { return TestTimer; }

    // The slot of the test's port, NoSlot while none is in use.
    int PortSlot() const { return Port; }

    // Event handlers.
    void RunTestButtonClick();
    void TestOnTimer();
    void CheckBoxClick();
    void LeftPulseChange(bool fromSpinEdit);
    void RightPulseChange(bool fromSpinEdit);
    void DefaultButtonClick();
    void SetCalibrationButtonClick();
    void ExitButtonClick();

    // Shows a sensor byte of the test program on the robot's top view.
    void ShowSensors(int sensors);

    // Every way of closing the window (Cancel, Escape, the title bar's close
    // button) comes through here, so the port is always given back.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One side's controls and its re-entry guard for keeping scroll bar and
    // spin edit in step.
    struct TSide {
        QScrollBar* TireSpeed = nullptr;
        QSpinBox* SpinEdit = nullptr;
        QCheckBox* CheckBox = nullptr;
        QLabel* PulseLabel = nullptr;
        bool Guard = false;
    };

    void FormCreate();
    void FormShow();
    void FormClose();
    void PlaceControls();
    void SpinEditKeyUp(QSpinBox* spinEdit, int key);
    void PulseChange(TSide& side, bool fromSpinEdit);
    // Sets a side's pulse from code: spin edit and scroll bar together,
    // without moving the focus.
    void SetPulse(TSide& side, int pulse);

    const TResources& Res;
    TActionDocument& Document;
    TSerialSlots& Slots;
    TProgramLoader LoadProgram;
    TDownloader DownloadTokenization;

    TSide Left;
    TSide Right;
    QPushButton* RunTest;
    QPushButton* Defaults;
    QPushButton* Calibrate;
    QPushButton* Exit;
    TBotPanel* Bot;
    QLabel* Stored;
    QTimer* TestTimer = nullptr;
    int Port;
    bool Downloading = false;            // Run Test's download is under way
    bool ClosedWhileDownloading = false; // the window closed during it
};

} // namespace wayline
