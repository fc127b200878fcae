#pragma once

// A whole program for the editor window's tests: the windows created in
// order, the start window answered, boxes and file dialogs scripted.

#include "app/AppState.h"
#include "app/IntroForm.h"
#include "app/MainWindows.h"
#include "uikit/Resources.h"
#include "uikit/SkinImage.h"
#include "uikit/UserDialogs.h"
#include "comm/ui/PortDiscovery.h"
#include "editor/core/EditOperations.h"
#include "editor/ui/DrawGrid.h"
#include "app/MainForm.h"

#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <deque>

namespace wayline::test {

// Scripted boxes and dialogs: answers are queued, messages recorded.
class TScriptedDialogs : public TUserDialogs {
public:
    std::deque<TBoxAnswer> Answers;
    QStringList Errors;
    QString SaveName;
    QString OpenName;
    int Prompts = 0;
    QString SeenSaveTitle;
    QString SeenOpenTitle;

    void ShowErrorBox(QWidget*, const QString& text) override { Errors.append(text); }
    TBoxAnswer AskToSave(QWidget*, const QString& text) override {
        ++Prompts;
        if (text != QStringLiteral("Current action list is not saved.  Save it now?"))
            return TBoxAnswer::Cancel;
        if (Answers.empty())
            return TBoxAnswer::Cancel;
        const TBoxAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    // Yes/No questions: answered from the queue, No when it is empty.
    std::deque<bool> YesNoAnswers;
    QStringList Questions;
    QString SeenFolder; // where the last file dialog opened
    bool AskYesNo(QWidget*, const QString& text) override {
        Questions.append(text);
        if (YesNoAnswers.empty())
            return false;
        const bool answer = YesNoAnswers.front();
        YesNoAnswers.pop_front();
        return answer;
    }
    QString GetSaveFileName(QWidget*, const TFileDialogSpec& spec, const QString& folder,
                            const QString&) override {
        SeenSaveTitle = spec.Title;
        SeenFolder = folder;
        return SaveName;
    }
    QString GetOpenFileName(QWidget*, const TFileDialogSpec& spec, const QString& folder,
                            const QString&) override {
        SeenOpenTitle = spec.Title;
        SeenFolder = folder;
        return OpenName;
    }
};

struct TProgram {
    TAppState State;
    TMainWindows Windows;
    TScriptedDialogs Dialogs;
    QStringList HostPorts{QStringLiteral("ttyS0"), QStringLiteral("COM3")};

    explicit TProgram(bool advanced) {
        InitialiseApp(State, Resources(), QLocale::c());
        CreateWindows(Windows, State, Resources());
        Main().SetDialogs(&Dialogs);
        Main().Ports().SetEnumerator([this] { return HostPorts; });
        Windows.IntroForm->show();
        QPushButton* button =
            advanced ? Windows.IntroForm->AdvancedButton() : Windows.IntroForm->BeginnerButton();
        button->click();
    }
    TMainForm& Main() { return *Windows.MainForm; }
    bool Disabled(int tag) { return Main().Image(TMainForm::DisabledPicture(tag))->isVisible(); }
    // Steps put straight into a list, as drops would.
    void AddSteps(int list, int count, TActionKind kind = akMoveForward) {
        for (int i = 0; i < count; ++i) {
            InsertIntoList(State.Editor, list, State.Editor.StepCount(list) + 1, kind, 12);
        }
        Main().SyncRowCounts();
        Main().AutoEnableDisable();
    }
    void SelectRows(int top, int bottom) {
        TDrawGrid* grid = Main().CurrentGrid();
        grid->SetSelection({1, top, grid->ColCount() - 1, bottom});
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Main().CurrentGrid(), static_cast<Qt::Key>(key), modifiers);
    }
};

} // namespace wayline::test
