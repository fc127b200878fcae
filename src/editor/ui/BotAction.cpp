#include "editor/ui/BotAction.h"

#include "uikit/Resources.h"
#include "uikit/SkinImage.h"
#include "editor/ui/DrawGrid.h"

#include <QLabel>
#include <QLineEdit>

namespace wayline {

QString TActionLooks::AffixText(int textId) const {
    if (textId == SecondsSuffixTextId)
        return SecondsSuffix;
    if (textId == StepPrefixTextId)
        return StepPrefix;
    return {};
}

TActionLooks LoadActionLooks(const TResources& resources,
                             const std::vector<TSkinImage*>& palettePictures) {
    TActionLooks looks;
    for (int kind = 0; kind < ActionKindCount; ++kind) {
        looks.Names[static_cast<std::size_t>(kind)] =
            resources.LoadText(ActionNameTextId(static_cast<TActionKind>(kind)));
    }
    for (const TSkinImage* picture : palettePictures) {
        if (picture && picture->Tag() >= 0 && picture->Tag() < ActionKindCount) {
            looks.Pictures[static_cast<std::size_t>(picture->Tag())] = picture->FirstFrame();
        }
    }
    looks.SecondsSuffix = resources.LoadText(SecondsSuffixTextId);
    looks.StepPrefix = resources.LoadText(StepPrefixTextId);
    return looks;
}

TBotAction::TBotAction(TDrawGrid* grid, int slot, QWidget* mainWindow, const TActionLooks& looks,
                       QChar decimalSeparator, QChar negativeSign,
                       TSuperSpinEdit::TChangeHandler onChange)
    : QObject(mainWindow), FGrid(grid), FSlot(slot), Looks(looks), FIcon(new QLabel(grid)),
      FSpinEdit(new TSuperSpinEdit(mainWindow)) {
    FIcon->setObjectName(QStringLiteral("BotActionIcon%1").arg(slot));
    FIcon->setScaledContents(true);
    FIcon->setGeometry(grid->ColWidth(0) + IconGap, TDrawGrid::RowPitch * slot + 1, IconSize,
                       IconSize);

    // Right of the picture, in the main window's coordinates.
    const QPoint iconRight = grid->mapTo(mainWindow, QPoint(FIcon->x() + IconSize, FIcon->y()));
    FSpinEdit->SetGeometry(iconRight.x() + SpinGap, iconRight.y(),
                           grid->ColWidth(1) - IconSize - IconGap, SpinHeight);
    FSpinEdit->SetNumberCharacters(decimalSeparator, negativeSign);
    FSpinEdit->SetAcceleration(RowAccelThreshold, RowAccelFactor);
    TSpinLimits limits = FSpinEdit->Limits();
    limits.Increment = RowIncrement;
    FSpinEdit->SetLimits(limits);
    FSpinEdit->SetOnChange(std::move(onChange));
    FSpinEdit->Edit()->setObjectName(QStringLiteral("BotActionEdit%1").arg(slot));
    // The spin edit lies over the grid, which is older than the row.
    FSpinEdit->Edit()->raise();
    FSpinEdit->UpDown()->raise();
    Show(false);
}

TBotAction::~TBotAction() {
    delete FSpinEdit;
    delete FIcon;
}

void TBotAction::SetKind(std::uint8_t kind) {
    if (kind >= ActionKindCount) {
        return;
    }
    FKind = kind;
    FIcon->setPixmap(Looks.Pictures[kind]);
    FIcon->setToolTip(Looks.Names[kind]);
}

void TBotAction::SetLimits(const TSpinLimits& limits) {
    FSpinEdit->Detach();
    FSpinEdit->SetPrefix(Looks.AffixText(limits.PrefixTextId));
    FSpinEdit->SetSuffix(Looks.AffixText(limits.SuffixTextId));
    FSpinEdit->SetLimits(limits);
}

void TBotAction::Bind(TActionStep* step) {
    FSpinEdit->Detach();
    if (step) {
        FSpinEdit->Bind(step);
    }
}

void TBotAction::Show(bool visible) {
    Shown = visible;
    FIcon->setVisible(visible);
    FSpinEdit->SetVisible(visible);
}

void TBotAction::SetGrid(TDrawGrid* grid) {
    if (!grid || grid == FGrid) {
        return;
    }
    const QPoint at = FIcon->pos();
    FGrid = grid;
    FIcon->setParent(grid);
    FIcon->move(at);
    // A new parent hides the picture; it keeps the row's visibility.
    FIcon->setVisible(Shown);
}

void TBotAction::ApplyBinding(const TSlotBinding& binding, TActionStep* step) {
    switch (binding.Action) {
    case saKeep:
        break;
    case saBind:
        SetKind(binding.Kind);
        FSpinEdit->Detach();
        SetLimits(binding.Limits);
        Bind(step);
        Show(true);
        break;
    case saHide:
        Show(false);
        break;
    }
}

QRect TBotAction::IconGeometry() const {
    return FIcon->geometry();
}

QRect TBotAction::SpinGeometry() const {
    return FSpinEdit->Geometry();
}

} // namespace wayline
