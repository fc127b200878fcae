// The main window's commands: buttons, keys, files, settings.

#include "app/AppState.h"
#include "app/Settings.h"
#include "uikit/SkinImage.h"
#include "uikit/UserDialogs.h"
#include "codegen/core/ActionListFile.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/CompileStep.h"
#include "codegen/ui/CodeForm.h"
#include "comm/ui/PortDiscovery.h"
#include "editor/core/ButtonRules.h"
#include "editor/core/EditOperations.h"
#include "editor/core/SettingsRules.h"
#include "editor/ui/DrawGrid.h"
#include "app/MainForm.h"

#include "app/Messages.h"
#include "testmode/ui/TestForm.h"
#include "tokenizer/Tokenizer.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTabBar>

namespace wayline {

namespace {

constexpr int GoTag = 1;
constexpr int ClearTag = 2;
constexpr int TestTag = 3;
constexpr int LoadTag = 4;
constexpr int SaveTag = 5;
constexpr int QuitTag = 6;
constexpr int DeleteTag = 7;
constexpr int CopyTag = 8;
constexpr int CutTag = 9;
constexpr int PasteTag = 10;
constexpr int UndoTag = 11;

constexpr int SwitchToOpenText = 456;

QString FromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr int SaveDialogTitleText = 909;
constexpr int OpenDialogTitleText = 910;
constexpr int WaylineFilesText = 911;
constexpr int AllFilesText = 912;

// "Wayline Files (*.wyl);;All Files (*.*)" in the language's words.
QString ActionListFilter(const TResources& resources) {
    return resources.LoadText(WaylineFilesText) + QStringLiteral(" (*.") +
           FromStd(ActionListExtension) + QStringLiteral(");;") +
           resources.LoadText(AllFilesText) + QStringLiteral(" (*.*)");
}

TFileDialogSpec SaveDialogSpec(const TResources& resources) {
    return {resources.LoadText(SaveDialogTitleText), ActionListFilter(resources),
            FromStd(ActionListExtension)};
}

TFileDialogSpec OpenDialogSpec(const TResources& resources) {
    return {resources.LoadText(OpenDialogTitleText), ActionListFilter(resources),
            FromStd(ActionListExtension)};
}


} // namespace

void TMainForm::ShowPicture(int n, bool visible) {
    if (TSkinImage* picture = Images[static_cast<std::size_t>(n)]) {
        picture->setVisible(visible);
    }
}

void TMainForm::ButtonClick(int tag) {
    Q_EMIT ButtonClicked(tag);
    switch (tag) {
    case GoTag:
        Go();
        break;
    case ClearTag:
        Clear();
        break;
    case TestTag:
        Test();
        break;
    case LoadTag:
        LoadFile();
        break;
    case SaveTag:
        SaveFile();
        break;
    case QuitTag:
        Quit();
        break;
    default:
        if (tag >= DeleteTag && tag <= UndoTag) {
            ShowPicture(PressedPicture(tag), false);
            const TButtonKey key = EditButtonKey(tag);
            ToDoListKeyDown(CurrentGrid(), key.Key, key.Modifiers);
            FollowPointer();
            return; // the key handler has recomputed the buttons
        }
        break;
    }
    AutoEnableDisable();
    FollowPointer();
}

void TMainForm::SyncRowCounts() {
    for (int list = 1; list <= ListCount; ++list) {
        if (TDrawGrid* grid = Grid(list)) {
            grid->SetRowCount(State.Editor.RowCount(list));
        }
    }
}

void TMainForm::AutoEnableDisable() {
    TDrawGrid* grid = CurrentGrid();
    if (!grid) {
        return;
    }
    const TButtonStates states =
        wayline::AutoEnableDisable(grid->Selection().Top, grid->RowCount(),
                                   State.StepClipboard.IsEmpty(), State.Editor.RowCount(MainList));
    for (int tag : {DeleteTag, CopyTag, CutTag}) {
        ShowPicture(DisabledPicture(tag), !states.DeleteCopyCut);
    }
    ShowPicture(DisabledPicture(PasteTag), !states.Paste);
    for (int tag : {GoTag, SaveTag, ClearTag}) {
        ShowPicture(DisabledPicture(tag), !states.GoSaveClear);
    }
    ShowPicture(DisabledPicture(UndoTag), !State.UndoRing.CanUndo());
    // A greyed button is no Tab stop, and a screen reader hears it is off.
    for (int tag = 1; tag <= ButtonCount; ++tag) {
        if (TSkinImage* normal = Images[static_cast<std::size_t>(NormalPicture(tag))])
            normal->setEnabled(IsButtonEnabled(tag));
    }
    UpdateMemoryGauge();
}

void TMainForm::ToDoListKeyDown(TDrawGrid* grid, int key, unsigned modifiers) {
    if (!grid) {
        return;
    }
    const TDrawGrid::TSelection& selection = grid->Selection();
    const QByteArray letters = State.AltLetters.toLatin1();
    const TKeyDispatch dispatch =
        wayline::ToDoListKeyDown(key, modifiers, std::string_view(letters.data(), letters.size()),
                                 selection.Top, selection.Bottom, grid->RowCount());
    switch (dispatch.Command) {
    case mcGo:
        Go();
        break;
    case mcView:
        ViewButtonClick();
        break;
    case mcClear:
        Clear();
        break;
    case mcTest:
        Test();
        break;
    case mcLoad:
        LoadFile();
        break;
    case mcSave:
        SaveFile();
        break;
    case mcQuit:
        Quit();
        return;
    case mcNone:
        break;
    }
    if (dispatch.Command != mcNone) {
        // A window may have come and gone under the pointer.
        FollowPointer();
    }

    const int list = grid->Tag();
    TEditResult result;
    switch (dispatch.Edit) {
    case ecCopy:
        result = CopySteps(State.Editor, State.UndoRing, State.StepClipboard, list, dispatch.Top,
                           dispatch.Bottom);
        break;
    case ecCut:
        result = CutSteps(State.Editor, State.UndoRing, State.StepClipboard, list, dispatch.Top,
                          dispatch.Bottom);
        break;
    case ecPaste:
        result = PasteSteps(State.Editor, State.UndoRing, State.StepClipboard, list, dispatch.Top);
        break;
    case ecDelete:
        result = DeleteSteps(State.Editor, State.UndoRing, list, dispatch.Top, dispatch.Bottom);
        break;
    case ecUndo: {
        DoUndo(State.Editor, State.UndoRing);
        SyncRowCounts();
        RebindAfterEdit(MainList);
        if (State.Editor.AdvancedMode) {
            RebindAfterEdit(SensorTabBar->currentIndex() + 2);
        }
        break;
    }
    case ecNone:
        break;
    }
    if (result.Ran) {
        SyncRowCounts();
        if (result.Rebind) {
            RebindAfterEdit(list);
        }
        grid->update();
    }
    AutoEnableDisable();
}

bool TMainForm::BuildProgram() {
    ShowPicture(PressedPicture(GoTag), false);
    if (!CodeWindow) {
        return false;
    }
    const QByteArray templateText =
        Res.Find(QStringLiteral("DATA"), RobotProgramResource).value_or(QByteArray());
    const TBuildCodeResult built =
        BuildCode(std::string_view(templateText.constData(), templateText.size()), State.Editor,
                  SensorsEnabledBox->isChecked());
    if (!built.Succeeded) {
        Dialogs->ShowErrorBox(this, BuildErrorText(built, Res));
        return false;
    }
    CodeWindow->BASICMemo()->setPlainText(FromStd(JoinCodeLines(built.Lines)));
    return true;
}

void TMainForm::Go() {
    if (!BuildProgram() || !ListsFitTheRobot()) {
        return;
    }
    DownloadTokenization(false);
}

void TMainForm::ViewButtonClick() {
    // Modal: the lists cannot change while the window shows their program.
    if (BuildProgram()) {
        CodeWindow->exec();
    }
}

void TMainForm::Clear() {
    TakeUndoSnapshot(State.Editor, State.UndoRing);
    ShowPicture(PressedPicture(ClearTag), false);
    ClearAll(State.Editor);
    SyncRowCounts();
    RebindAfterEdit(MainList);
    if (State.Editor.AdvancedMode) {
        RebindAfterEdit(SensorTabBar->currentIndex() + 2);
    }
    AutoEnableDisable();
}

void TMainForm::Test() {
    ShowPicture(PressedPicture(TestTag), false);
    if (TestWindow) {
        TestWindow->exec();
    }
}

TSaveAnswer TMainForm::CheckIfSaved() {
    return wayline::CheckIfSaved(
        State.Editor.ListModified,
        [this] {
            switch (Dialogs->AskToSave(this, Res.LoadText(SavePromptTextId))) {
            case TBoxAnswer::Yes:
                return saYes;
            case TBoxAnswer::No:
                return saNo;
            case TBoxAnswer::Cancel:
                break;
            }
            return saCancel;
        },
        [this] { return SaveFile(); });
}

void TMainForm::RememberFile(const QString& file) {
    LastFileName = QFileInfo(file).fileName();
    FileFolder = QString::fromStdString(FolderOfFile(QFileInfo(file).absoluteFilePath().toStdString()));
}

bool TMainForm::SaveFile() {
    const QString file =
        Dialogs->GetSaveFileName(this, SaveDialogSpec(Res), FileFolder, LastFileName);
    if (file.isEmpty()) {
        return false;
    }
    RememberFile(file);
    const TSaveResult saved =
        SaveActionListFile(std::filesystem::path(file.toStdString()), State.Editor);
    if (!saved.Saved) {
        Dialogs->ShowErrorBox(this, SaveErrorText(saved, file, Res));
        return false;
    }
    return true;
}

void TMainForm::LoadFile() {
    if (CheckIfSaved() == saCancel) {
        return;
    }
    const QString file =
        Dialogs->GetOpenFileName(this, OpenDialogSpec(Res), FileFolder, LastFileName);
    if (file.isEmpty() || !QFileInfo::exists(file)) {
        return;
    }
    RememberFile(file);
    const std::filesystem::path path(file.toStdString());
    TLoadResult loaded = LoadActionListFile(path, State.Editor);
    // A file made in Advanced Mode: offer to switch, lists and all, and
    // open it then. No keeps the lists and says why the file was refused.
    if (loaded.AdvancedFile && Dialogs->AskYesNo(this, Res.LoadText(SwitchToOpenText))) {
        SwitchMode(true);
        loaded = LoadActionListFile(path, State.Editor);
    }
    if (loaded.Status != TLoadStatus::lsLoaded) {
        // Refused, cut short or unreadable: say so; the lists stay.
        Dialogs->ShowErrorBox(this, LoadErrorText(loaded, file, Res));
        return;
    }
    SyncRowCounts();
    for (int list = 1; list <= ListCount; ++list) {
        if (Grid(list) && Grid(list)->isVisible()) {
            RebindAfterEdit(list);
        }
    }
    AutoEnableDisable();
    Grid(MainList)->update();
}

void TMainForm::Quit() {
    if (CheckIfSaved() == saCancel) {
        return;
    }
    ShowPicture(PressedPicture(QuitTag), false);
    QApplication::processEvents();
    SaveSettings();
    Quitting = true;
    Q_EMIT QuitRequested();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // The window has no close box; a close from the window manager (or the
    // session ending) goes the way of Quit, save prompt included. Once Quit
    // has run, the program is ending and the close is let through.
    if (Quitting) {
        event->accept();
        return;
    }
    event->ignore();
    Quit();
}

void TMainForm::LoadSettings() {
    const TStoredSettings stored = TSettingsStore::Load();
    if (stored.HyperHelp) {
        HyperHelpBox->setChecked(*stored.HyperHelp);
    }
    if (stored.LeftServoCenter) {
        State.Editor.Document.LeftServoCenter = static_cast<std::uint8_t>(*stored.LeftServoCenter);
    }
    if (stored.RightServoCenter) {
        State.Editor.Document.RightServoCenter =
            static_cast<std::uint8_t>(*stored.RightServoCenter);
    }
    if (stored.ComPort) {
        State.SelectedPort = *stored.ComPort;
        StoredPort = *stored.ComPort;
    }
    if (stored.LastDirectory) {
        FileFolder = StartFolderForFiles(*stored.LastDirectory);
    }
    PortList->RefreshPortCombo();
    State.SelectedPort = PortList->SelectPortInCombo(State.SelectedPort);
}

void TMainForm::SaveSettings() {
    TSettingsToSave values;
    values.HyperHelp = HyperHelpBox->isChecked();
    values.LeftServoCenter = State.Editor.Document.LeftServoCenter;
    values.RightServoCenter = State.Editor.Document.RightServoCenter;
    // A port missing at this start shows as AUTO, but the choice made in
    // an earlier run stands until the user makes another.
    values.SelectedPort = QString::fromStdString(
        PortSettingToWrite(StoredPort.toStdString(), State.SelectedPort.toStdString(), PortChosen));
    values.LastDirectory = FileFolder;
    if (State.LanguageChosen) {
        values.Language = State.Language;
    }
    TSettingsStore::Save(values);
}

} // namespace wayline
