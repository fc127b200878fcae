#include "uikit/TextFit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>
#include <QWidget>

#include <algorithm>
#include <climits>

namespace wayline {

namespace {

// The text as drawn: mnemonic marks removed.
QString Shown(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i; // "&x" shows x, "&&" shows &
        }
        shown.append(text[i]);
    }
    return shown;
}

QString PathOf(const QWidget* widget, const QWidget* window) {
    QStringList names;
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        names.prepend(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                : w->objectName());
        if (w == window) {
            break;
        }
    }
    return names.join(u'/');
}

void Check(std::vector<TClippedText>& found, const QWidget* widget, const QWidget* window,
           const QString& text, int needed, int room) {
    if (needed > room) {
        found.push_back({PathOf(widget, window), text, needed, room});
    }
}

void CheckLabel(std::vector<TClippedText>& found, const QLabel* label, const QWidget* window) {
    const QString text = label->text();
    if (text.isEmpty() || label->textFormat() == Qt::RichText ||
        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
        return;
    }
    const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                      -label->margin(), -label->margin());
    const QString shown = label->buddy() ? Shown(text) : text;
    if (label->wordWrap()) {
        bool wordsFit = true;
        const int height = WrappedHeight(label->font(), shown, room.width(), &wordsFit);
        if (!wordsFit) {
            // A word wider than the label is cut whatever its height.
            Check(found, label, window, shown, room.width() + 1, room.width());
        }
        Check(found, label, window, shown, height, room.height());
        return;
    }
    int width = 0;
    for (const QString& line : shown.split(u'\n')) {
        width = std::max(width, TextWidth(label->font(), line));
    }
    Check(found, label, window, shown, width, room.width());
}

void CheckButton(std::vector<TClippedText>& found, const QAbstractButton* button,
                 const QWidget* window) {
    const QString text = button->text();
    if (text.isEmpty()) {
        return;
    }
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = text;
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    int needed = TextWidth(button->font(), text);
    int room = 0;
    if (qobject_cast<const QCheckBox*>(button) || qobject_cast<const QRadioButton*>(button)) {
        const auto element = qobject_cast<const QCheckBox*>(button) ? QStyle::SE_CheckBoxContents
                                                                    : QStyle::SE_RadioButtonContents;
        room = button->style()->subElementRect(element, &option, button).width();
    } else if (const auto* push = qobject_cast<const QPushButton*>(button)) {
        // As wide as the style asks for its caption: it fits (a layout gives
        // a button just that).
        if (push->width() >= push->sizeHint().width()) {
            return;
        }
        if (push->autoDefault() || push->isDefault()) {
            option.features |= QStyleOptionButton::AutoDefaultButton;
        }
        room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button)
                   .width() -
               2 * ButtonTextMargin;
        if (!button->icon().isNull()) {
            needed += button->iconSize().width() + ButtonTextMargin;
        }
    } else if (const auto* tool = qobject_cast<const QToolButton*>(button)) {
        // The style's own size for the tool button's contents.
        needed = tool->sizeHint().width();
        room = tool->width();
    } else {
        room = button->width();
    }
    Check(found, button, window, Shown(text), needed, room);
}

void CheckTabs(std::vector<TClippedText>& found, const QTabBar* bar, const QWidget* window) {
    for (int i = 0; i < bar->count(); ++i) {
        const QRect tab = bar->tabRect(i);
        // The caption and the style's padding around it.
        const int needed = TextWidth(bar->font(), bar->tabText(i)) +
                           bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
        // A tab narrower than it asks for elides its text; one beyond the
        // bar's end is only reached by scrolling.
        Check(found, bar, window, bar->tabText(i), needed, tab.width());
        Check(found, bar, window, bar->tabText(i), tab.right() + 1, bar->width());
    }
}

void CheckComboItems(std::vector<TClippedText>& found, const QComboBox* box,
                     const QWidget* window) {
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    const int room =
        box->style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box)
            .width();
    for (int i = 0; i < box->count(); ++i) {
        const QString item = box->itemText(i);
        Check(found, box, window, item, TextWidth(box->font(), item), room);
    }
}

} // namespace

int TextWidth(const QFont& font, const QString& text) {
    return QFontMetrics(font).horizontalAdvance(Shown(text));
}

int WrappedHeight(const QFont& font, const QString& text, int width, bool* wordsFit) {
    const QFontMetrics metrics(font);
    if (wordsFit != nullptr) {
        *wordsFit = true;
        for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")),
                                              Qt::SkipEmptyParts)) {
            if (metrics.horizontalAdvance(word) > width) {
                *wordsFit = false;
            }
        }
    }
    return metrics.boundingRect(QRect(0, 0, width, INT_MAX), Qt::TextWordWrap, text).height();
}

std::vector<TClippedText> FindClippedTexts(const QWidget* window) {
    std::vector<TClippedText> found;
    if (window == nullptr) {
        return found;
    }
    QList<const QWidget*> widgets{window};
    for (const QWidget* child : window->findChildren<const QWidget*>()) {
        // Windows of their own (and what they hold) are measured on their own.
        if (child->window() == window && child->isVisibleTo(window)) {
            widgets << child;
        }
    }
    for (const QWidget* widget : widgets) {
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            CheckLabel(found, label, window);
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            CheckButton(found, button, window);
        } else if (const auto* bar = qobject_cast<const QTabBar*>(widget)) {
            CheckTabs(found, bar, window);
        } else if (const auto* box = qobject_cast<const QComboBox*>(widget)) {
            CheckComboItems(found, box, window);
        }
    }
    return found;
}

} // namespace wayline
