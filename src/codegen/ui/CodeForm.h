#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace wayline {

class TResources;

// "Wayline Code": shows the generated robot program. Its text, BASICMemo,
// is the one source buffer that every compile reads.
class TCodeForm : public QDialog {
    Q_OBJECT
public:
    explicit TCodeForm(const TResources& resources, QWidget* parent = nullptr);

    QPlainTextEdit* BASICMemo() const { return Memo; }
    QPushButton* CloseButton() const { return Close; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CentreCloseButton();
    void ApplyTexts();

    const TResources& Res;
    QPlainTextEdit* Memo;
    QWidget* BottomPanel;
    QPushButton* Close;
};

} // namespace wayline
