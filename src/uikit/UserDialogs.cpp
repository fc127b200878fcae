#include "uikit/UserDialogs.h"

#include "uikit/Resources.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace wayline {

namespace {

QString RunFileDialog(QWidget* parent, const TFileDialogSpec& spec, const QString& directory,
                      const QString& fileName, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, spec.Title, directory, spec.Filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(spec.DefaultSuffix);
    if (!fileName.isEmpty()) {
        dialog.selectFile(fileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

constexpr int OkTextId = 908;
constexpr int YesTextId = 387;
constexpr int NoTextId = 388;
constexpr int CancelTextId = 422;

} // namespace

void NameBoxButtons(QMessageBox& box) {
    struct TName {
        QMessageBox::StandardButton Which;
        int TextId;
        bool Letter; // the first letter is the button's Alt letter
    };
    const TName names[] = {{QMessageBox::Ok, OkTextId, false},
                           {QMessageBox::Yes, YesTextId, true},
                           {QMessageBox::No, NoTextId, true},
                           {QMessageBox::Cancel, CancelTextId, false}};
    for (const TName& name : names) {
        const QString text = Resources().LoadText(name.TextId);
        if (QAbstractButton* button = box.button(name.Which); button && !text.isEmpty()) {
            button->setText(name.Letter ? u'&' + text : text);
        }
    }
}

void TUserDialogs::ShowErrorBox(QWidget* parent, const QString& text) {
    QApplication::beep();
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text, QMessageBox::Ok,
                    parent);
    NameBoxButtons(box);
    box.exec();
}

TBoxAnswer TUserDialogs::AskToSave(QWidget* parent, const QString& text) {
    QApplication::beep();
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    NameBoxButtons(box);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TBoxAnswer::Yes;
    case QMessageBox::No:
        return TBoxAnswer::No;
    default:
        return TBoxAnswer::Cancel;
    }
}

bool TUserDialogs::AskYesNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    NameBoxButtons(box);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QString TUserDialogs::GetSaveFileName(QWidget* parent, const TFileDialogSpec& spec,
                                      const QString& directory, const QString& fileName) {
    return RunFileDialog(parent, spec, directory, fileName, QFileDialog::AcceptSave);
}

QString TUserDialogs::GetOpenFileName(QWidget* parent, const TFileDialogSpec& spec,
                                      const QString& directory, const QString& fileName) {
    return RunFileDialog(parent, spec, directory, fileName, QFileDialog::AcceptOpen);
}

TUserDialogs& SystemDialogs() {
    static TUserDialogs dialogs;
    return dialogs;
}

} // namespace wayline
