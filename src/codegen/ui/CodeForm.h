#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace wayline {

// "Wayline Code": shows the generated robot program. Its text, BASICMemo,
// is the one source buffer that every compile reads.
class TCodeForm : public QDialog {
    Q_OBJECT
public:
    explicit TCodeForm(QWidget* parent = nullptr);

    QPlainTextEdit* BASICMemo() const { return Memo; }
    QPushButton* CloseButton() const { return Close; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CentreCloseButton();

    QPlainTextEdit* Memo;
    QWidget* BottomPanel;
    QPushButton* Close;
};

} // namespace wayline
