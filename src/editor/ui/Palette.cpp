#include "editor/ui/Palette.h"

#include "uikit/SkinImage.h"
#include "editor/core/DropRules.h"
#include "editor/ui/Dragger.h"
#include "editor/ui/DrawGrid.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>

#include <cstdlib>

namespace wayline {

void StopOnFirstFrame(TSkinImage& picture) {
    QMovie* movie = picture.Movie();
    if (!movie) {
        return;
    }
    movie->setSpeed(0);
    movie->stop();
    movie->jumpToFrame(0);
}

TPalette::TPalette(std::vector<TSkinImage*> pictures, TDragger& dragger, QObject* parent)
    : QObject(parent), FPictures(std::move(pictures)), Dragger(dragger) {
    for (TSkinImage* picture : FPictures) {
        if (!picture) {
            continue;
        }
        picture->setMouseTracking(true);
        connect(picture, &TSkinImage::MousePressed, this, [this](TSkinImage* icon, QMouseEvent* e) {
            if (e->button() == Qt::LeftButton) {
                ActionMouseDown(icon, e->position().toPoint(), e->globalPosition().toPoint());
            }
        });
        connect(picture, &TSkinImage::MouseMoved, this, &TPalette::PictureMoved);
        connect(picture, &TSkinImage::MouseReleased, this, &TPalette::PictureReleased);
        connect(picture, &TSkinImage::DoubleClicked, this, &TPalette::ActionDblClick);
    }
}

TSkinImage* TPalette::PictureOfKind(int kind) const {
    for (TSkinImage* picture : FPictures) {
        if (picture && picture->Tag() == kind) {
            return picture;
        }
    }
    return nullptr;
}

void TPalette::ActionMouseMove(TSkinImage* icon) {
    for (TSkinImage* picture : FPictures) {
        if (picture && picture != icon) {
            StopOnFirstFrame(*picture);
        }
    }
    if (icon) {
        if (QMovie* movie = icon->Movie()) {
            movie->setSpeed(HoverSpeed);
            if (movie->state() != QMovie::Running) {
                movie->start();
            }
        }
    }
    Q_EMIT Hovered(icon);
}

void TPalette::StopAll() {
    for (TSkinImage* picture : FPictures) {
        if (picture) {
            StopOnFirstFrame(*picture);
        }
    }
}

void TPalette::ActionMouseDown(TSkinImage* icon, const QPoint& inPicture, const QPoint& cursor) {
    if (!icon || Dragger.IsDragging()) {
        return;
    }
    Pending = icon;
    PressInPicture = inPicture;
    PressCursor = cursor;
}

void TPalette::PictureMoved(TSkinImage* icon, QMouseEvent* event) {
    const QPoint cursor = event->globalPosition().toPoint();
    if (Dragger.IsDragging()) {
        // The dragger normally has the mouse; should the moves still arrive
        // here, they carry the drag all the same.
        Dragger.DragTo(cursor);
        return;
    }
    if (Pending == icon && (event->buttons() & Qt::LeftButton)) {
        const QPoint moved = cursor - PressCursor;
        if (std::abs(moved.x()) > DragThreshold || std::abs(moved.y()) > DragThreshold) {
            StartDrag(icon, cursor);
        }
        return;
    }
    Pending = nullptr;
    if (!(event->buttons() & Qt::LeftButton)) {
        ActionMouseMove(icon);
    }
}

void TPalette::PictureReleased(TSkinImage*, QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (Dragger.IsDragging()) {
        Dragger.DragRelease(event->globalPosition().toPoint());
        return;
    }
    // Released before moving far enough: a click, which does nothing.
    Pending = nullptr;
}

void TPalette::StartDrag(TSkinImage* icon, const QPoint& cursor) {
    Pending = nullptr;
    StopOnFirstFrame(*icon);
    QLabel* picture = Dragger.DragAction();
    picture->setPixmap(icon->FirstFrame());
    Dragger.SetDragActionTag(icon->Tag());
    // The dragger's picture covers the palette picture where the cursor
    // holds it.
    Dragger.move(cursor.x() - PressInPicture.x() - picture->x(),
                 cursor.y() - PressInPicture.y() - picture->y());
    Dragger.show();
    Dragger.raise();
    QApplication::processEvents();
    Dragger.DragActionMouseDown(picture->x() + PressInPicture.x(),
                                picture->y() + PressInPicture.y());
    icon->update();
}

void TPalette::ActionDblClick(TSkinImage* icon) {
    Pending = nullptr;
    TDrawGrid* grid = CurrentGrid ? CurrentGrid() : nullptr;
    if (!icon || !grid ||
        !DoubleClickAppends(static_cast<std::uint8_t>(icon->Tag()), grid->Tag())) {
        return;
    }
    grid->SetTopRow(DoubleClickTopRow(grid->Tag(), grid->RowCount(), grid->TopRow()));
    Q_EMIT AppendRequested(grid, QPoint(0, grid->height()), icon->Tag());
}

} // namespace wayline
