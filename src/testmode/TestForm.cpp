#include "testmode/TestForm.h"

#include "app/Resources.h"

namespace wayline {

namespace {
constexpr int TestModeTextId = 414;
constexpr int TestWindowRecord = 76;
} // namespace

TTestForm::TTestForm(const TResources& resources, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TestForm"));
    setWindowTitle(resources.LoadText(TestModeTextId));
    resize(420, 300);
    resources.PlaceControl(TestWindowRecord, this, false);
}

} // namespace wayline
