#pragma once

#include <QFont>
#include <QString>

#include <vector>

class QWidget;

namespace wayline {

// A text that its control does not give room for: it would show cut off.
struct TClippedText {
    QString Where; // the control's object names from the window down: "TestForm/RunTestButton"
    QString Text;
    int Needed = 0; // pixels the text needs (width, or height for wrapped text)
    int Room = 0;   // pixels the control gives it
};

// Space kept free beside a text inside a button, so that a caption that
// just fits does not touch the button's edge.
inline constexpr int ButtonTextMargin = 4;

// The pixels a text takes in a font; '&' marks a mnemonic and is not
// shown ("&&" shows one '&').
int TextWidth(const QFont& font, const QString& text);
// The height `text` takes wrapped at word breaks to `width`, and whether
// every word fits that width at all.
int WrappedHeight(const QFont& font, const QString& text, int width, bool* wordsFit = nullptr);

// Every text shown by `window` and its children, measured with the font of
// the control that shows it against the room the control gives (with the
// style's own margins): labels (one line, or wrapped within their height),
// push, tool and check buttons, the tabs of tab bars and every item of
// combo boxes. Hidden controls are left out.
std::vector<TClippedText> FindClippedTexts(const QWidget* window);

} // namespace wayline
