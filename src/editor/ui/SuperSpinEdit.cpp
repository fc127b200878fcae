#include "editor/ui/SuperSpinEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <QValidator>

namespace wayline {

namespace {

std::string Utf8(const QString& text) {
    return text.toStdString();
}

// Lets only a number stand in the edit while it is typed, so that a key or
// a paste that would leave anything else is refused whole.
class TTypedNumberValidator : public QValidator {
public:
    TTypedNumberValidator(const TSpinState& spin, const TNumberFormat& format, QObject* parent)
        : QValidator(parent), Spin(spin), Format(format) {}

    State validate(QString& input, int&) const override {
        // The shown text (with its prefix or suffix) is set, not typed.
        if (!Spin.Typing()) {
            return Acceptable;
        }
        const TSpinLimits& limits = Spin.Limits();
        return IsTypedNumber(Utf8(input), limits.Decimals, limits.MinValue, Format) ? Acceptable
                                                                                    : Invalid;
    }

private:
    const TSpinState& Spin;
    const TNumberFormat& Format;
};

} // namespace

TUpDown::TUpDown(QWidget* parent) : QWidget(parent), Repeat(new QTimer(this)) {
    // A click takes the focus, so an edit being typed in reads its text
    // before the arrows move the value.
    setFocusPolicy(Qt::StrongFocus);
    connect(Repeat, &QTimer::timeout, this, [this] {
        Repeat->setInterval(Interval);
        RepeatHeldArrow();
    });
}

void TUpDown::SetRepeatDelays(int firstMs, int intervalMs) {
    FirstDelay = firstMs;
    Interval = intervalMs;
}

void TUpDown::RepeatHeldArrow() {
    if (Held != 0) {
        Q_EMIT Clicked(Held > 0);
    }
}

void TUpDown::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int half = height() / 2;
    const QRect halves[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int i = 0; i < 2; ++i) {
        QStyleOption option;
        option.initFrom(this);
        option.rect = halves[i];
        const bool down = (i == 0 && Held > 0) || (i == 1 && Held < 0);
        option.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
        option.rect = halves[i].adjusted(3, 2, -3, -2);
        style()->drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                               &option, &painter, this);
    }
}

void TUpDown::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    Held = event->position().y() < height() / 2.0 ? 1 : -1;
    update();
    Q_EMIT Clicked(Held > 0);
    Repeat->start(FirstDelay);
}

void TUpDown::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    Repeat->stop();
    Held = 0;
    update();
    Q_EMIT Released();
}

void TUpDown::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        Q_EMIT Clicked(event->key() == Qt::Key_Up);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TUpDown::keyReleaseEvent(QKeyEvent* event) {
    // A held key repeats through the keyboard; the acceleration ends when
    // the key really comes up.
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && !event->isAutoRepeat()) {
        Q_EMIT Released();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

TSuperSpinEdit::TSuperSpinEdit(QWidget* parent)
    : QObject(parent), FEdit(new QLineEdit(parent)), FUpDown(new TUpDown(parent)) {
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(14);
    FEdit->setFont(font);
    FEdit->setFrame(false);
    FEdit->installEventFilter(this);
    FEdit->setValidator(new TTypedNumberValidator(Spin, Format, FEdit));
    connect(FEdit, &QLineEdit::inputRejected, this, [this] { Q_EMIT InputRefused(this); });
    connect(FUpDown, &TUpDown::Clicked, this, &TSuperSpinEdit::ArrowClicked);
    connect(FUpDown, &TUpDown::Released, this, &TSuperSpinEdit::ArrowsReleased);
    // The arrows lie over the edit's right edge.
    FUpDown->raise();
    Refresh(true);
}

TSuperSpinEdit::~TSuperSpinEdit() {
    // Deleting a focused edit makes it lose the focus; that must not run
    // the change callback into a window that is going away.
    if (FEdit) {
        FEdit->removeEventFilter(this);
        delete FEdit;
    }
    delete FUpDown;
}

void TSuperSpinEdit::SetNumberCharacters(QChar decimalSeparator, QChar negativeSign) {
    Format.DecimalSeparator = Utf8(QString(decimalSeparator));
    Format.NegativeSign = Utf8(QString(negativeSign));
    RefreshForState();
}

void TSuperSpinEdit::SetPrefix(const QString& prefix) {
    FPrefix = prefix;
    RefreshForState();
}

void TSuperSpinEdit::SetSuffix(const QString& suffix) {
    FSuffix = suffix;
    RefreshForState();
}

void TSuperSpinEdit::SetLimits(const TSpinLimits& limits) {
    Spin.SetLimits(limits);
    RefreshForState();
}

void TSuperSpinEdit::SetAcceleration(std::int16_t threshold, std::uint8_t factor) {
    FAccelThreshold = threshold;
    FAccelFactor = factor;
    // The rules object takes its acceleration at construction; carry the
    // limits and the binding over.
    TSpinState fresh(threshold, factor);
    fresh.SetLimits(Spin.Limits());
    fresh.SetPosition(Spin.Position());
    TActionStep* bound = Spin.Bound();
    Spin = fresh;
    Spin.Bind(bound);
}

void TSuperSpinEdit::SetPosition(int position) {
    Spin.SetPosition(position);
    RefreshForState();
}

void TSuperSpinEdit::Bind(TActionStep* step) {
    Spin.Bind(step);
    RefreshForState();
}

void TSuperSpinEdit::SetGeometry(int left, int top, int width, int height) {
    Bounds = QRect(left, top, width, height);
    const int editWidth = width - UpDownWidth;
    FEdit->setGeometry(left, top + EditTopGap, editWidth, height - EditTopGap);
    FUpDown->setGeometry(left + editWidth - UpDownOverlap, top, UpDownWidth, height);
}

void TSuperSpinEdit::SetVisible(bool visible) {
    Visible = visible;
    FEdit->setVisible(visible);
    FUpDown->setVisible(visible);
}

void TSuperSpinEdit::Refresh(bool withAffixes) {
    const std::string text = Spin.Text(Utf8(FPrefix), Utf8(FSuffix), withAffixes, Format);
    FEdit->setText(QString::fromStdString(text));
}

void TSuperSpinEdit::RefreshForState() {
    Refresh(!Spin.Typing());
}

QString TSuperSpinEdit::Text() const {
    return FEdit->text();
}

bool TSuperSpinEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FEdit) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::FocusIn:
        EditFocusIn();
        break;
    case QEvent::FocusOut:
        EditFocusOut();
        break;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        // Enter and Return come with text on some platforms and without on
        // others; either way they end the edit.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            FUpDown->setFocus(Qt::OtherFocusReason);
            return true;
        }
        // Delete and the Ctrl shortcuts (select all, copy, paste) carry
        // control characters as their text; they are editing commands, not
        // typed characters, and go to the edit untouched.
        if (key->key() == Qt::Key_Delete || (key->modifiers() & Qt::ControlModifier)) {
            break;
        }
        // Tab and Shift+Tab move on to the next control, which ends the
        // edit as leaving it with the mouse does.
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            break;
        }
        switch (FilterSpinKey(Utf8(key->text()), MinValue(), Format)) {
        case skAccept:
            break;
        case skDrop:
            Q_EMIT InputRefused(this);
            return true;
        case skEnter:
            FUpDown->setFocus(Qt::OtherFocusReason);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TSuperSpinEdit::EditFocusIn() {
    // The bare number is what the user edits.
    Spin.BeginTyping();
    Refresh(false);
}

void TSuperSpinEdit::EditFocusOut() {
    // Only an edit that was entered holds typed text. The focus can pass
    // through an edit without entering it (it is moved on while still on
    // its way there); its text then still shows prefix and suffix.
    const bool typed = Spin.EndTyping(Utf8(FEdit->text()), Format);
    Refresh(true);
    if (typed) {
        Changed();
    }
}

void TSuperSpinEdit::ArrowClicked(bool up) {
    const std::int16_t before = Spin.Position();
    Spin.Arrow(up);
    Refresh(true);
    if (!FUpDown->hasFocus()) {
        FUpDown->setFocus(Qt::OtherFocusReason);
    }
    // An arrow held at a limit changes nothing; reporting it would fill the
    // undo ring with copies of the same lists.
    if (Spin.Position() != before) {
        Changed();
    }
}

void TSuperSpinEdit::ArrowsReleased() {
    Spin.ArrowReleased();
}

void TSuperSpinEdit::Changed() {
    if (OnChange) {
        OnChange(Spin.Position());
    }
}

} // namespace wayline
