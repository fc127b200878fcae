#include "comm/ui/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace wayline {

namespace {
bool Shown = false;
} // namespace

void SetHourglassCursor(bool on) {
    if (on == Shown) {
        return;
    }
    Shown = on;
    if (on) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        QGuiApplication::restoreOverrideCursor();
    }
}

bool HourglassCursorShown() {
    return Shown;
}

} // namespace wayline
