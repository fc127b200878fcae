#include "uikit/WindowDecorations.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace wayline {

namespace {

// The Motif window manager hints, as every X11 window manager reads them.
constexpr std::uint32_t MwmHintsFunctions = 1u << 0;
constexpr std::uint32_t MwmHintsDecorations = 1u << 1;
constexpr std::uint32_t MwmFuncMove = 1u << 2;
constexpr std::uint32_t MwmDecorBorder = 1u << 1;
constexpr std::uint32_t MwmDecorTitle = 1u << 3;

} // namespace

void RequestTitleOnlyFrame(QWidget* window) {
    // Other platforms (offscreen among them) may answer for X11 without a
    // connection of their own.
    if (!qGuiApp || QGuiApplication::platformName() != QStringLiteral("xcb") || !window ||
        !window->windowHandle()) {
        return;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        return;
    }
    constexpr std::string_view name = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
        nullptr);
    if (!atom) {
        return;
    }
    // flags, functions, decorations, input mode, status
    const std::array<std::uint32_t, 5> hints{MwmHintsFunctions | MwmHintsDecorations, MwmFuncMove,
                                             MwmDecorBorder | MwmDecorTitle, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window->windowHandle()->winId()), atom->atom,
                        atom->atom, 32, static_cast<std::uint32_t>(hints.size()), hints.data());
    xcb_flush(connection);
    std::free(atom);
}

} // namespace wayline
