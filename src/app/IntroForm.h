#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace wayline {

class TResources;

// The start window: the user chooses beginner or advanced mode, and the
// language the program speaks. It is the application's first window; after
// the choice of mode it is hidden, never closed.
class TIntroForm : public QWidget {
    Q_OBJECT
public:
    explicit TIntroForm(const TResources& resources, QWidget* parent = nullptr);

    QPushButton* BeginnerButton() const { return Beginner; }
    QPushButton* AdvancedButton() const { return Advanced; }
    QLabel* LanguageLabel() const { return LanguageCaption; }
    QComboBox* LanguageBox() const { return Languages; }

Q_SIGNALS:
    // Emitted once the window has hidden itself; `advanced` is the choice.
    void ModeChosen(bool advanced);
    // The user picked another language in the list.
    void LanguageChosen(const QString& language);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Choose(bool advanced);
    void PlaceControls();
    void ApplyTexts();

    const TResources& Res;
    QPushButton* Beginner;
    QPushButton* Advanced;
    QLabel* LanguageCaption;
    QComboBox* Languages;
    bool Chosen = false;
};

} // namespace wayline
