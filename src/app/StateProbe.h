#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QTimer;

namespace wayline {

struct TAppState;
struct TMainWindows;

// A window onto the running program for the tests that drive it from
// outside with real mouse and key events. With the environment variable
// WAYLINE_STATE_FILE set to a path, the program writes what those tests
// check into that file (JSON, replaced whole) whenever it changes: the
// lists, the selection, each picture button's state and how often its
// command ran, the help text, which windows are shown, and where on the
// screen the things to click are. Without the variable there is no probe at
// all: normal use neither pays for it nor can notice it.
class TStateProbe : public QObject {
    Q_OBJECT
public:
    static constexpr int PollIntervalMs = 30;

    TStateProbe(QString path, TAppState& state, TMainWindows& windows);

    // The state as it is now.
    QByteArray Snapshot() const;

private:
    void WriteIfChanged();

    QString Path;
    TAppState& State;
    TMainWindows& Windows;
    QTimer* Poll;
    QByteArray Written;
    int Clicks[12] = {}; // by button tag 1..11
};

// Starts the probe when WAYLINE_STATE_FILE names a file; nullptr otherwise.
TStateProbe* StartStateProbe(TAppState& state, TMainWindows& windows, QObject* owner);

} // namespace wayline
