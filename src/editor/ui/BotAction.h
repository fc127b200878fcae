#pragma once

#include "editor/core/ActionDocument.h"
#include "editor/core/SpinRules.h"
#include "editor/core/VisibleActions.h"
#include "editor/ui/SuperSpinEdit.h"

#include <QLabel>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>

#include <array>
#include <vector>

namespace wayline {

class TDrawGrid;
class TResources;
class TSkinImage;

// What a row shows for each action kind: the first frame of its palette
// picture and its name, plus the affix texts of the value.
struct TActionLooks {
    std::array<QPixmap, ActionKindCount> Pictures;
    std::array<QString, ActionKindCount> Names; // texts 398..405
    QString SecondsSuffix;                      // text 374 " sec"
    QString StepPrefix;                         // text 375 "step "

    // The affix of a text number from TSpinLimits (0: none).
    QString AffixText(int textId) const;
};

// Looks from the palette pictures (each picture's tag is its kind) and the
// interface texts.
TActionLooks LoadActionLooks(const TResources& resources,
                             const std::vector<TSkinImage*>& palettePictures);

// One visible step row: the action's picture over the grid's Actions column
// and a spin edit for its value beside it. The picture is a child of the
// grid; the spin edit is a child of the main window, so it can lie over
// whichever grid the row belongs to. Rows are few and re-bound to other
// steps as the grid scrolls.
class TBotAction : public QObject {
    Q_OBJECT
public:
    static constexpr int IconSize = 25;
    static constexpr int IconGap = 2; // from the step-number column
    static constexpr int SpinGap = 4; // between picture and spin edit
    static constexpr int SpinHeight = 25;
    static constexpr std::int16_t RowIncrement = 1;

    // slot: 1..7 on the main grid, 1..6 on a sensor grid. The grid must be
    // a descendant of mainWindow and have its column widths set.
    TBotAction(TDrawGrid* grid, int slot, QWidget* mainWindow, const TActionLooks& looks,
               QChar decimalSeparator, QChar negativeSign, TSuperSpinEdit::TChangeHandler onChange);
    // The picture and the spin edit go with the row.
    ~TBotAction() override;

    QLabel* Icon() const { return FIcon; }
    TSuperSpinEdit* SpinEdit() const { return FSpinEdit; }
    int Slot() const { return FSlot; }
    std::uint8_t Kind() const { return FKind; }
    TDrawGrid* Grid() const { return FGrid; }

    // Picture and hint of the kind.
    void SetKind(std::uint8_t kind);
    // The spin edit's limits, format and affixes. Nothing is written to the
    // step bound before; detach first (Bind does).
    void SetLimits(const TSpinLimits& limits);
    void SetLimits(std::uint8_t kind, int ownRow) { SetLimits(SpinLimitsFor(kind, ownRow)); }
    // Detaches from the step shown before without touching it, then binds
    // the spin edit to this step: its Value is clamped to the limits set
    // beforehand and written back. nullptr only detaches.
    void Bind(TActionStep* step);
    void Show(bool visible);
    bool IsShown() const { return Shown; }
    // Moves the picture into another grid at the same place (the sensor rows
    // follow the shown sensor tab).
    void SetGrid(TDrawGrid* grid);

    // One slot of DisplayVisibleActions: SetKind, detach, SetLimits, Bind,
    // Show(true) for saBind; Show(false) for saHide; nothing for saKeep.
    void ApplyBinding(const TSlotBinding& binding, TActionStep* step);

    // Creation geometry, in the grid's and the main window's coordinates.
    QRect IconGeometry() const;
    QRect SpinGeometry() const;

private:
    TDrawGrid* FGrid;
    int FSlot;
    const TActionLooks& Looks;
    QPointer<QLabel> FIcon;
    QPointer<TSuperSpinEdit> FSpinEdit;
    std::uint8_t FKind = akMoveForward;
    bool Shown = false;
};

} // namespace wayline
