#include "comm/ui/ProgressForm.h"

#include "app/Resources.h"

namespace wayline {

namespace {
constexpr int DownloadProgressTextId = 423;
} // namespace

TProgressForm::TProgressForm(const TResources& resources, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(resources.LoadText(DownloadProgressTextId));
    resize(360, 220);
}

} // namespace wayline
