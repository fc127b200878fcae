#pragma once

class QWidget;

namespace wayline {

// Asks the window manager for a caption bar without buttons: a title and a
// border, and a window that can only be moved (not resized, minimised,
// maximised or closed from its frame). Qt's flags for a title without
// buttons leave the decorations to the window manager's defaults, and many
// then draw minimise, maximise and close buttons all the same; the explicit
// Motif hints say what is wanted. Call once the window has its native
// window and before it is mapped (showEvent). Does nothing off X11.
void RequestTitleOnlyFrame(QWidget* window);

} // namespace wayline
