// Every window in every language: each text against the room its control
// gives, in the font the window uses (the skin's captions against their
// pictures too); Alt letters that no two controls of a window share; the
// start window's choice of language reaching every window and the
// settings; and a file that goes from one language to another unchanged.

#include "app/AppState.h"
#include "app/IntroForm.h"
#include "app/MainWindows.h"
#include "app/Messages.h"
#include "uikit/Language.h"
#include "uikit/Resources.h"
#include "uikit/TextFit.h"
#include "uikit/UserDialogs.h"
#include "codegen/core/ActionListFile.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/MemoryUse.h"
#include "codegen/ui/CodeForm.h"
#include "codegen/ui/MemoryGauge.h"
#include "comm/ui/PortDiscovery.h"
#include "comm/ui/ProgressForm.h"
#include "comm/ui/StringGrid.h"
#include "doctor/ui/ConnectionHelpForm.h"
#include "editor/core/EditOperations.h"
#include "editor/core/SpinRules.h"
#include "editor/ui/BotAction.h"
#include "editor/ui/DrawGrid.h"
#include "editor/ui/SuperSpinEdit.h"
#include "app/MainForm.h"
#include "app/Settings.h"
#include "sim/ui/VirtualRobotForm.h"
#include "testmode/ui/TestForm.h"

#include "CaptionFit.h"
#include "FakeClock.h"
#include "TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <cerrno>
#include <system_error>

using namespace wayline;

namespace {

class TQuietDialogs : public TUserDialogs {
public:
    QString SaveName;
    QString OpenName;
    QStringList Errors;
    void ShowErrorBox(QWidget*, const QString& text) override { Errors << text; }
    TBoxAnswer AskToSave(QWidget*, const QString&) override { return TBoxAnswer::No; }
    QString GetSaveFileName(QWidget*, const TFileDialogSpec&, const QString&,
                            const QString&) override {
        return SaveName;
    }
    QString GetOpenFileName(QWidget*, const TFileDialogSpec&, const QString&,
                            const QString&) override {
        return OpenName;
    }
};

// A program speaking `language`, its start window shown; English again
// when it ends, for the tests that follow.
struct TProgram {
    TAppState State;
    TMainWindows Windows;
    TQuietDialogs Dialogs;
    TFakeClock Clock;

    explicit TProgram(const QString& language) {
        InitialiseApp(State, Resources(), LanguageLocale(language));
        SetProgramLanguage(State, Resources(), language, false);
        CreateWindows(Windows, State, Resources());
        Main().SetDialogs(&Dialogs);
        Main().Ports().SetEnumerator([] { return QStringList{QStringLiteral("ttyS0")}; });
        Windows.ProgressForm->SetClock(&Clock);
        Windows.IntroForm->show();
    }
    ~TProgram() {
        Windows.ProgressForm->hide();
        TAppState english;
        SetProgramLanguage(english, Resources(), EnglishLanguage, false);
    }
    TMainForm& Choose(bool advanced) {
        (advanced ? Windows.IntroForm->AdvancedButton() : Windows.IntroForm->BeginnerButton())
            ->click();
        return Main();
    }
    TMainForm& Main() { return *Windows.MainForm; }
};

QStringList Describe(const std::vector<TClippedText>& clipped, const QString& language) {
    QStringList lines;
    for (const TClippedText& c : clipped) {
        lines << QStringLiteral("%1: %2: \"%3\" needs %4, has %5")
                     .arg(language, c.Where, c.Text)
                     .arg(c.Needed)
                     .arg(c.Room);
    }
    return lines;
}

void Expect(QStringList& problems, bool fits, const QString& what) {
    if (!fits) {
        problems << what;
    }
}

// The texts of the help box: every one the main window can put there.
QList<int> HelpTexts() {
    QList<int> ids;
    for (int id = 429; id <= 452; ++id) {
        ids << id;
    }
    return ids;
}

// The room of a single-line edit's text: inside its frame, less the two
// pixels a line edit keeps on each side.
int LineEditRoom(const QLineEdit* edit) {
    const int frame = edit->hasFrame()
                          ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit)
                          : 0;
    return edit->width() - 2 * frame - 4;
}

// The mnemonic letters of a window's controls, with the main window's Alt
// letters: no letter may stand for two things.
QStringList SharedLetters(const QWidget* window, const QString& altLetters) {
    QMap<QString, QStringList> users;
    for (const QChar letter : altLetters) {
        users[QString(letter).toUpper()] << QStringLiteral("Alt letters");
    }
    QList<const QWidget*> widgets{window};
    for (const QWidget* child : window->findChildren<const QWidget*>()) {
        if (child->window() == window && child->isVisibleTo(window)) {
            widgets << child;
        }
    }
    for (const QWidget* widget : widgets) {
        QString text;
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            text = button->text();
        } else if (const auto* label = qobject_cast<const QLabel*>(widget);
                   label && label->buddy()) {
            text = label->text();
        }
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty()) {
            users[key.toString().section(u'+', -1).toUpper()] << widget->objectName();
        }
    }
    QStringList shared;
    for (auto it = users.cbegin(); it != users.cend(); ++it) {
        if (it.value().size() > 1) {
            shared << it.key() + u':' + it.value().join(u',');
        }
    }
    return shared;
}

// The sentences the connection help can show, with plausible names.
std::vector<TFinding> AllFindings(const TDoctorTexts& texts) {
    std::vector<TFinding> findings;
    for (int kind = 0; kind < FindingKindCount; ++kind) {
        const std::string sentence = FillText(
            texts.Sentences[static_cast<std::size_t>(kind)],
            {{"port", "ttyUSB0"},
             {"user", "pupil"},
             {"group", "dialout"},
             {"adapter", "FTDI FT232R"},
             {"driver", "ftdi_sio"},
             {"process", "minicom"},
             {"pid", "4242"},
             {"owner", "root"},
             {"ms", "16"}});
        findings.push_back({static_cast<TFindingKind>(kind), fsWarning, "ttyUSB0", sentence,
                            kind % 2 == 0 ? "sudo usermod -aG dialout pupil" : ""});
    }
    return findings;
}

// Status lines of the virtual robot window, filled as it fills them.
QStringList RobotStatusTexts(const TResources& res) {
    const QString action = res.LoadText(405);
    QStringList texts;
    for (int id : {713, 714, 717, 718, 720, 721, 722, 723, 724, 725, 738, 740}) {
        texts << res.LoadText(id).replace(QStringLiteral("{set}"), res.LoadText(407));
    }
    texts << res.LoadText(715).replace(QStringLiteral("{step}"), QStringLiteral("255"))
                 .replace(QStringLiteral("{action}"), action);
    texts << res.LoadText(716)
                 .replace(QStringLiteral("{set}"), res.LoadText(407))
                 .replace(QStringLiteral("{step}"), QStringLiteral("255"))
                 .replace(QStringLiteral("{action}"), action);
    texts << res.LoadText(719).replace(QStringLiteral("{reason}"),
                                       QStringLiteral("RETURN without GOSUB (bit address 1234)"));
    return texts;
}

} // namespace

class LanguageTest : public QObject {
    Q_OBJECT

    TTestEnvironment Environment;

private Q_SLOTS:
    void initTestCase() { Environment.QuietWindowMasks(); }

    void EveryTextFitsItsControlInEveryLanguage();
    void SkinCaptionsFitTheirPicturesInEveryLanguage();
    void NoTwoControlsOfAWindowShareALetter();
    void TheStartWindowChangesTheLanguageOfEveryWindow();
    void OnlyAChosenLanguageIsKeptInTheSettings();
    void AFileSavedInOneLanguageOpensInAnotherUnchanged();
    void TheMessageBoxesSpeakTheLanguage();
};

void LanguageTest::EveryTextFitsItsControlInEveryLanguage() {
    QStringList problems;
    for (const QString& language : Resources().Languages()) {
        for (const bool advanced : {false, true}) {
            TProgram program(language);
            TIntroForm& intro = *program.Windows.IntroForm;
            problems << Describe(FindClippedTexts(&intro), language);

            TMainForm& main = program.Choose(advanced);
            const QString mode = language + (advanced ? " advanced" : " beginner");
            InsertIntoList(program.State.Editor, MainList, 1, akMoveForward, MaxDuration);
            InsertIntoList(program.State.Editor, MainList, 2, akLoopBack, 1);
            main.SyncRowCounts();
            main.DisplayVisibleActions(MainList, 1);
            problems << Describe(FindClippedTexts(&main), mode);

            // Grids: titles and set names inside their columns, the columns
            // inside the grid.
            for (int list = 1; list <= (advanced ? ListCount : 1); ++list) {
                const TDrawGrid* grid = main.Grid(list);
                int total = 0;
                for (int col = 0; col < grid->ColCount(); ++col) {
                    const QString title = Resources().LoadText(369 + col);
                    Expect(problems, TextWidth(grid->font(), title) + 4 <= grid->ColWidth(col),
                           mode + ": grid title " + title);
                    if (col >= 2) {
                        for (int set = 406; set <= 410; ++set) {
                            const QString name = Resources().LoadText(set);
                            Expect(problems,
                                   TextWidth(grid->font(), name) + 4 <= grid->ColWidth(col),
                                   mode + ": set name " + name);
                        }
                    }
                    total += grid->ColWidth(col);
                }
                Expect(problems,
                       total <= grid->ClientWidthBesideScrollBar() - grid->ColCount() + 2,
                       mode + QStringLiteral(": the columns of list %1 are wider than it").arg(list));
            }

            // The row's value box: the longest duration and loop target.
            const TNumberFormat format{program.State.DecimalSeparator.toLatin1() == ','
                                           ? std::string(",")
                                           : std::string("."),
                                       "-"};
            const QLineEdit* edit = main.RowControl(MainList, 1)->SpinEdit()->Edit();
            const std::string prefix = Resources().LoadText(StepPrefixTextId).toStdString();
            const std::string suffix = Resources().LoadText(SecondsSuffixTextId).toStdString();
            for (const std::string& text :
                 {SpinDisplayText(MaxDuration, 1, "", suffix, true, format),
                  SpinDisplayText(MaxSteps, 0, prefix, "", true, format)}) {
                const QString shown = QString::fromStdString(text);
                Expect(problems, TextWidth(edit->font(), shown) <= LineEditRoom(edit),
                       mode + QStringLiteral(": row value %1 needs %2, has %3")
                                  .arg(shown)
                                  .arg(TextWidth(edit->font(), shown))
                                  .arg(LineEditRoom(edit)));
            }

            // Every help text in the help box, which does not scroll.
            const QPlainTextEdit* help = main.HelpMemo();
            const int margin = static_cast<int>(help->document()->documentMargin());
            const QRect viewport = help->viewport()->rect();
            for (int id : HelpTexts()) {
                const QString text = Resources().LoadText(id);
                bool wordsFit = true;
                const int height =
                    WrappedHeight(help->font(), text, viewport.width() - 2 * margin, &wordsFit);
                Expect(problems, wordsFit && height + 2 * margin <= viewport.height(),
                       mode + QStringLiteral(": help text %1").arg(id));
            }

            // The memory gauge at its fullest.
            if (const auto* gauge = main.findChild<TMemoryGauge*>()) {
                const QString full = Resources().LoadText(453) + QStringLiteral(" 100%");
                QFont font(QStringLiteral("Liberation Sans"));
                font.setPixelSize(std::max(9, gauge->height() - 8));
                font.setBold(true);
                Expect(problems, TextWidth(font, full) + 6 <= gauge->width(),
                       mode + ": memory gauge " + full);
            }

            if (advanced) {
                continue; // the other windows look the same in both modes
            }
            TTestForm& test = *program.Windows.TestForm;
            test.show();
            problems << Describe(FindClippedTexts(&test), language);
            test.hide();

            TCodeForm& code = *program.Windows.CodeForm;
            code.show();
            problems << Describe(FindClippedTexts(&code), language);
            code.hide();

            TConnectionHelpForm& help2 = *program.Windows.ConnectionHelp;
            help2.ShowFindings(AllFindings(help2.FindingTexts()));
            QApplication::processEvents();
            problems << Describe(FindClippedTexts(&help2), language);
            help2.hide();

            TVirtualRobotForm& robot = *program.Windows.VirtualRobotForm;
            robot.show();
            QApplication::processEvents();
            problems << Describe(FindClippedTexts(&robot), language);
            // The status line grows downward for a longer sentence. (The
            // window's frame timer, which would put its own line back, is
            // held meanwhile.)
            for (QTimer* timer : robot.findChildren<QTimer*>()) {
                timer->stop();
            }
            QLabel* status = robot.StatusLabel();
            for (const QString& text : RobotStatusTexts(Resources())) {
                status->setText(text);
                QApplication::processEvents();
                problems << Describe(FindClippedTexts(&robot), language + " robot status");
            }
            robot.hide();

            // The progress window with every text its device column shows,
            // then as the choice dialog with its message.
            TProgressForm& progress = *program.Windows.ProgressForm;
            progress.Open(true, QString());
            progress.ScanStarted();
            int row = 1;
            for (int id : {386, 389, 390, 391, 411, 412}) {
                TIdentifyResult result;
                result.DeviceText = Resources().LoadText(id).toStdString();
                result.LoopbackText = Resources().LoadText(388).toStdString();
                result.EchoText = Resources().LoadText(387).toStdString();
                progress.ShowPortResult(std::min(row++, progress.PortStatus()->RowCount() - 1),
                                        result);
                const TStringGrid& grid = *progress.PortStatus();
                for (int col = 0; col < TProgressForm::TypeColumn; ++col) {
                    for (int r = 0; r < grid.RowCount(); ++r) {
                        Expect(problems,
                               TextWidth(grid.font(), grid.Cell(col, r)) + 4 <= grid.ColWidth(col),
                               language + ": port grid " + grid.Cell(col, r));
                    }
                }
            }
            problems << Describe(FindClippedTexts(&progress), language);
            progress.ScanFinished();
            progress.CloseWindow();
            QTimer::singleShot(0, &progress, [&] {
                problems << Describe(FindClippedTexts(&progress), language + " choice");
                progress.reject();
            });
            progress.Open(false, Resources().LoadText(413));
        }
    }
    for (const QString& problem : problems) {
        qWarning("%s", qPrintable(problem));
    }
    QVERIFY2(problems.isEmpty(), qPrintable(QStringLiteral("%1 texts cut").arg(problems.size())));
}

void LanguageTest::SkinCaptionsFitTheirPicturesInEveryLanguage() {
    // The painter stops the build on a caption that does not fit; this
    // checks the same rule against the records the program places by.
    const QString family = QStringLiteral("Liberation Sans");
    QStringList problems;
    for (const QString& language : Resources().Languages()) {
        Resources().SetLanguage(language);
        for (const bool advanced : {false, true}) {
            for (int tag = 1; tag <= TMainForm::ButtonCount; ++tag) {
                const int picture = TMainForm::NormalPicture(tag);
                const auto record = Resources().PictureRecord(picture, advanced);
                QVERIFY(record);
                // Go..Quit carry a glyph; Go's caption is the largest.
                const bool command = tag <= 6;
                const QString caption = Resources().LoadText(465 + tag);
                Expect(problems,
                       skin::FitButtonCaption(family, caption, record->Width, record->Height,
                                              tag == 1 ? 20 : command ? 16 : 13, command)
                           .has_value(),
                       language + ": button " + caption);
            }
            const std::pair<int, int> cards[] = {{7, 370}, {8, 903}, {9, 902}, {10, 904}};
            for (const auto& [picture, text] : cards) {
                const auto record = Resources().PictureRecord(picture, advanced);
                if (!record) {
                    continue; // the sensor panel is only there in advanced mode
                }
                const QString caption = Resources().LoadText(text);
                Expect(problems,
                       skin::FitLineCaption(family, caption,
                                            record->Width - skin::CardCaptionInset,
                                            skin::CardCaptionPixels)
                           .has_value(),
                       language + ": panel caption " + caption);
            }
        }
        const QString tagline = Resources().LoadText(905);
        const double room = Resources().PictureRecord(12, false)->Left -
                            skin::TaglineMascotGap - skin::TaglineLeft(family);
        Expect(problems,
               skin::FitLineCaption(family, tagline, room, skin::TaglinePixels, false).has_value(),
               language + ": tagline " + tagline);
    }
    Resources().SetLanguage(EnglishLanguage);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

void LanguageTest::NoTwoControlsOfAWindowShareALetter() {
    QStringList problems;
    for (const QString& language : Resources().Languages()) {
        TProgram program(language);
        const auto check = [&](const QWidget* window, const QString& altLetters) {
            for (const QString& shared : SharedLetters(window, altLetters)) {
                problems << language + ": " + window->objectName() + ": " + shared;
            }
        };
        check(program.Windows.IntroForm.get(), {});
        TMainForm& main = program.Choose(true);
        check(&main, program.State.AltLetters);
        check(program.Windows.TestForm.get(), {});
        check(program.Windows.CodeForm.get(), {});
        check(program.Windows.ConnectionHelp.get(), {});
        check(program.Windows.VirtualRobotForm.get(), {});
        TProgressForm& progress = *program.Windows.ProgressForm;
        QTimer::singleShot(0, &progress, [&] {
            check(&progress, {});
            progress.reject();
        });
        progress.Open(false, Resources().LoadText(413));
        // The question before unsaved lists are dropped: Yes and No answer
        // to their letters.
        QMessageBox question(QMessageBox::Warning, QString(), Resources().LoadText(427),
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        NameBoxButtons(question);
        question.setObjectName(QStringLiteral("SaveQuestion"));
        check(&question, {});
        for (const auto which : {QMessageBox::Yes, QMessageBox::No}) {
            if (QKeySequence::mnemonic(question.button(which)->text()).isEmpty()) {
                problems << language + ": no letter for " + question.button(which)->text();
            }
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

void LanguageTest::TheStartWindowChangesTheLanguageOfEveryWindow() {
    TProgram program(EnglishLanguage);
    TIntroForm& intro = *program.Windows.IntroForm;
    QComboBox* box = intro.LanguageBox();
    QCOMPARE(box->currentText(), QStringLiteral("English"));
    QCOMPARE(box->count(), Resources().Languages().size());
    QCOMPARE(program.Windows.CodeForm->windowTitle(), QStringLiteral("Wayline Code"));

    // The user picks German in the list, with the keyboard.
    const int german = box->findData(QStringLiteral("de"));
    QVERIFY(german > 0);
    box->setFocus();
    while (box->currentIndex() != german) {
        QTest::keyClick(box, box->currentIndex() < german ? Qt::Key_Down : Qt::Key_Up);
    }
    QCOMPARE(program.State.Language, QStringLiteral("de"));
    QVERIFY(program.State.LanguageChosen);
    QCOMPARE(intro.windowTitle(), QStringLiteral("Wayline v1.3.1 - Wähle einen Modus"));
    QCOMPARE(intro.BeginnerButton()->text(), QStringLiteral("Anfänger-Modus"));
    QCOMPARE(program.State.AltLetters, Resources().LoadAltLetters());
    QCOMPARE(program.State.DecimalSeparator, QChar(u','));
    // Windows made before the choice speak it too.
    QCOMPARE(program.Windows.CodeForm->windowTitle(), QStringLiteral("Wayline-Code"));
    QCOMPARE(program.Windows.ConnectionHelp->windowTitle(),
             QStringLiteral("Hilfe zur Verbindung"));
    QCOMPARE(program.Windows.ProgressForm->windowTitle(), QStringLiteral("Übertragung"));

    TMainForm& main = program.Choose(false);
    QCOMPARE(main.HyperHelp()->text(), QStringLiteral("Hilfe an"));
    QCOMPARE(main.HelpMemo()->toPlainText(), Resources().LoadText(430));
    // Durations with the decimal comma.
    InsertIntoList(program.State.Editor, MainList, 1, akMoveForward, 15);
    main.SyncRowCounts();
    main.DisplayVisibleActions(MainList, 1);
    QCOMPARE(main.RowControl(MainList, 1)->SpinEdit()->Edit()->text(),
             QStringLiteral("1,5 Sek."));
    // The virtual robot by its German name; the port chosen is the same.
    main.SelectVirtualRobot();
    QCOMPARE(main.COMPortComboBox()->currentText(), QStringLiteral("Virtueller Roboter"));
    QCOMPARE(program.State.SelectedPort, QStringLiteral("Virtual robot"));
    program.Windows.TestForm->show();
    QCOMPARE(program.Windows.TestForm->windowTitle(), QStringLiteral("Testmodus"));
    program.Windows.TestForm->hide();
}

void LanguageTest::OnlyAChosenLanguageIsKeptInTheSettings() {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("CorvaneInc"),
                    QStringLiteral("Wayline"));
    store.clear();
    store.sync();
    {
        // Spoken because of the user's locale: nothing is written.
        TProgram program(QStringLiteral("fr"));
        program.Choose(false).SaveSettings();
        QVERIFY(!TSettingsStore::Load().Language);
    }
    {
        TProgram program(QStringLiteral("fr"));
        Q_EMIT program.Windows.IntroForm->LanguageChosen(QStringLiteral("es"));
        program.Choose(false).SaveSettings();
        QCOMPARE(TSettingsStore::Load().Language, std::optional<QString>(QStringLiteral("es")));
    }
    {
        // The next run keeps it, whatever the locale says; a later run that
        // does not choose leaves it alone.
        const auto stored = TSettingsStore::Load().Language;
        QCOMPARE(ChooseLanguage(stored, {QStringLiteral("de-DE")}, Resources().Languages()),
                 QStringLiteral("es"));
        TProgram program(QStringLiteral("es"));
        program.Choose(false).SaveSettings();
        QCOMPARE(TSettingsStore::Load().Language, std::optional<QString>(QStringLiteral("es")));
    }
}

void LanguageTest::AFileSavedInOneLanguageOpensInAnotherUnchanged() {
    QTemporaryDir dir;
    const QString german = dir.filePath(QStringLiteral("liste.wyl"));
    const QString again = dir.filePath(QStringLiteral("liste-fr.wyl"));
    {
        TProgram program(QStringLiteral("de"));
        TMainForm& main = program.Choose(true);
        TDocumentState& editor = program.State.Editor;
        InsertIntoList(editor, MainList, 1, akMoveForward, 15);
        InsertIntoList(editor, MainList, 2, akTurnLeft, 8);
        InsertIntoList(editor, MainList, 3, akLoopBack, 1);
        InsertIntoList(editor, 3, 1, akMoveBackward, 12);
        editor.Step(MainList, 2).LeftSet = 1;
        program.Dialogs.SaveName = german;
        QVERIFY(main.SaveFile());
    }
    QFile saved(german);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    for (const char* language : {"fr", "en", "es"}) {
        TProgram program(QString::fromLatin1(language));
        TMainForm& main = program.Choose(true);
        program.Dialogs.OpenName = german;
        main.LoadFile();
        QVERIFY(program.Dialogs.Errors.isEmpty());
        QCOMPARE(program.State.Editor.StepCount(MainList), 3);
        QCOMPARE(program.State.Editor.Step(MainList, 1).Value, std::int16_t(15));
        QCOMPARE(program.State.Editor.Step(MainList, 2).LeftSet, std::uint8_t(1));
        // Shown as the language writes it.
        const QString shown = main.RowControl(MainList, 1)->SpinEdit()->Edit()->text();
        QCOMPARE(shown.left(3), QString::fromLatin1(language) == QStringLiteral("en")
                                    ? QStringLiteral("1.5")
                                    : QStringLiteral("1,5"));
        program.Dialogs.SaveName = again;
        QVERIFY(main.SaveFile());
        QFile copy(again);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), bytes);
    }
}

void LanguageTest::TheMessageBoxesSpeakTheLanguage() {
    QTemporaryDir dir;
    const QString tooShort = dir.filePath(QStringLiteral("kurz.wyl"));
    {
        QFile file(tooShort);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Wayline");
    }
    TProgram program(QStringLiteral("de"));
    TMainForm& main = program.Choose(false);

    // Through the window: a file that is no action list, one that cannot be
    // read, a folder that cannot be saved into, a program that does not
    // compile.
    program.Dialogs.OpenName = tooShort;
    main.LoadFile();
    program.Dialogs.OpenName = dir.path(); // a folder: opened, but not read
    main.LoadFile();
    program.Dialogs.SaveName = dir.filePath(QStringLiteral("fehlt/liste.wyl"));
    QVERIFY(!main.SaveFile());
    program.Windows.CodeForm->BASICMemo()->setPlainText(QStringLiteral("GOTO nirgends\n"));
    main.DownloadTokenization(false);
    const QString reason = QString::fromStdString(std::system_category().message(EISDIR));
    const QString missing = QString::fromStdString(std::system_category().message(ENOENT));
    QCOMPARE(program.Dialogs.Errors,
             (QStringList{QStringLiteral("Das ist keine richtige Wayline-Datei."),
                          dir.path() + QStringLiteral(" geht nicht auf: ") + reason,
                          dir.filePath(QStringLiteral("fehlt/liste.wyl")) +
                              QStringLiteral(" lässt sich nicht speichern: ") + missing,
                          QStringLiteral("Fehler! Das Programm ließ sich nicht übersetzen!")}));

    // The facts the cores give, worded by the table.
    TLoadResult version{TLoadStatus::lsRefused, "", false, TLoadRefusal::lrWrongVersion, 0x12};
    QCOMPARE(LoadErrorText(version, QString(), Resources()),
             QStringLiteral("Die Wayline-Datei geht nicht auf.  Sie hat das Format 1.2, "
                            "erwartet ist 1.3."));
    TLoadResult advanced{TLoadStatus::lsRefused, "", true, TLoadRefusal::lrAdvancedFile};
    QCOMPARE(LoadErrorText(advanced, QString(), Resources()), Resources().LoadText(914));
    TBuildCodeResult noDataLine;
    noDataLine.Error = bcNoDataLine;
    QCOMPARE(BuildErrorText(noDataLine, Resources()),
             QStringLiteral("Der Anfang der EEPROM-Daten fehlt!"));
    TBuildCodeResult tooFar;
    tooFar.Error = bcLoopBackTooFar;
    tooFar.ErrorList = 4;
    tooFar.ErrorStep = 7;
    tooFar.ErrorEntries = 300;
    QVERIFY2(BuildErrorText(tooFar, Resources())
                 .startsWith(QStringLiteral("Schritt 7 (Set2) springt zu weit zurück: Der Roboter "
                                            "müsste über 300 Einträge")),
             qPrintable(BuildErrorText(tooFar, Resources())));
    QCOMPARE(ListsTooLargeText(TMemoryUse{1009, 1000},
                               Resources()),
             QStringLiteral("Deine Aktionslisten passen nicht in den Speicher des Roboters: 9 Bytes "
                            "zu viel.  Nimm ungefähr 5 Schritte heraus."));
    QCOMPARE(ListsTooLargeText(TMemoryUse{1001, 1000},
                               Resources()),
             Resources().LoadText(919));
}

QTEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
