#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace wayline {

// What a file dialog shows: title, filter, default extension.
struct TFileDialogSpec {
    QString Title;
    QString Filter;
    QString DefaultSuffix;
};

// What a question box was answered with.
enum class TBoxAnswer { Yes, No, Cancel };

// The modal boxes and file dialogs the windows show. The program uses the
// real ones; tests put a scripted stand-in in their place.
class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;

    // The exclamation sound, then a modal error box with one OK button.
    virtual void ShowErrorBox(QWidget* parent, const QString& text);
    // The save prompt: default beep, warning box with Yes, No and Cancel.
    virtual TBoxAnswer AskToSave(QWidget* parent, const QString& text);
    // A question box with Yes and No; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text);
    // The chosen file, or empty on Cancel. The save dialog asks before
    // overwriting a file.
    virtual QString GetSaveFileName(QWidget* parent, const TFileDialogSpec& spec,
                                    const QString& directory, const QString& fileName);
    virtual QString GetOpenFileName(QWidget* parent, const TFileDialogSpec& spec,
                                    const QString& directory, const QString& fileName);
};

// The real dialogs.
TUserDialogs& SystemDialogs();

// The box's OK, Yes, No and Cancel in the language the program speaks,
// whether or not Qt's own translations are installed; Yes and No keep their
// Alt letter, the first letter of each.
void NameBoxButtons(QMessageBox& box);

} // namespace wayline
