#pragma once

#include <QWidget>

class QPushButton;

namespace wayline {

class TResources;

// The start window: the user chooses beginner or advanced mode. It is the
// application's first window; after the choice it is hidden, never closed.
class TIntroForm : public QWidget {
    Q_OBJECT
public:
    explicit TIntroForm(const TResources& resources, QWidget* parent = nullptr);

    QPushButton* BeginnerButton() const { return Beginner; }
    QPushButton* AdvancedButton() const { return Advanced; }

Q_SIGNALS:
    // Emitted once the window has hidden itself; `advanced` is the choice.
    void ModeChosen(bool advanced);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Choose(bool advanced);

    const TResources& Res;
    QPushButton* Beginner;
    QPushButton* Advanced;
    bool Chosen = false;
};

} // namespace wayline
