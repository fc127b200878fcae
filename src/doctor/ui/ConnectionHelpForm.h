#pragma once

#include "doctor/core/Diagnosis.h"
#include "doctor/core/Finding.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace wayline {

class TResources;

// The finding sentences and the scan's echo texts from the program's text
// table, where it has them.
TDoctorTexts LoadDoctorTexts(const TResources& resources);
TIdentifyTexts LoadScanTexts(const TResources& resources);

// "Connection help": why the robot is not found, told for a teacher. Lists
// the findings of the connection diagnosis with their severity, a copy
// button beside every command, "Check again" after something was mended,
// and a button that asks for the virtual robot instead.
class TConnectionHelpForm : public QDialog {
    Q_OBJECT
public:
    explicit TConnectionHelpForm(const TResources& resources, QWidget* parent = nullptr);

    // Lists `findings` and shows the window in front.
    void ShowFindings(const std::vector<TFinding>& findings);
    // Diagnoses this computer, with what the last scan saw on each port, and
    // shows the findings; "Check again" diagnoses again with the same scan.
    void ShowDiagnosis(const std::vector<TScannedPort>& lastScan = {});
    // What "Check again" runs (tests give a diagnosis of their own).
    void SetDiagnosis(std::function<std::vector<TFinding>()> diagnose);

    // The texts the diagnosis of this window speaks with.
    const TDoctorTexts& FindingTexts() const { return Texts; }
    const TIdentifyTexts& ScanTexts() const { return IdentifyTexts; }

    int FindingCount() const { return static_cast<int>(Shown.size()); }
    const std::vector<TFinding>& Findings() const { return Shown; }
    // The copy button of finding `index`; nullptr when it has no command.
    QPushButton* CopyButton(int index) const;
    QPushButton* VirtualRobotButton() const { return VirtualRobot; }
    QPushButton* CheckAgainButton() const { return CheckAgain; }
    QLabel* IntroLabel() const { return Intro; }

Q_SIGNALS:
    // The user would rather use the virtual robot: select it and run the
    // download that was asked for on it.
    void UseVirtualRobotRequested();

protected:
    void changeEvent(QEvent* event) override;

private:
    void ApplyTexts();
    void BuildRows();
    void Copy(int index);

    const TResources& Res;
    TDoctorTexts Texts;
    TIdentifyTexts IdentifyTexts;
    std::function<std::vector<TFinding>()> Diagnose;
    std::vector<TFinding> Shown;
    std::vector<QPushButton*> CopyButtons;

    QLabel* Intro;
    QScrollArea* Scroll;
    QPushButton* VirtualRobot;
    QPushButton* CheckAgain;
    QPushButton* Close;
};

} // namespace wayline
