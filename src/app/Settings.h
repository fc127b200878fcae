#pragma once

#include <QString>

#include <optional>

class QSettings;

namespace wayline {

// The values that survive from one run to the next, as found in the
// per-user settings store. A value that is absent stays empty and leaves the
// program's current value alone.
struct TStoredSettings {
    std::optional<bool> HyperHelp;
    std::optional<int> LeftServoCenter;  // low 8 bits already taken
    std::optional<int> RightServoCenter; // low 8 bits already taken
    std::optional<QString> ComPort;      // already in capitals
    std::optional<QString> LastDirectory;
    std::optional<QString> Language; // as chosen on the start window
};

// What Quit writes.
struct TSettingsToSave {
    bool HyperHelp = true;
    int LeftServoCenter = 100;
    int RightServoCenter = 100;
    QString SelectedPort;
    QString LastDirectory; // the folder the file dialogs open in
    std::optional<QString> Language; // written only when the user chose one
};

// The store: organisation "CorvaneInc", application "Wayline", group "1.0"
// (on Windows the registry key SOFTWARE\CorvaneInc\Wayline\1.0 of the user).
class TSettingsStore {
public:
    // Reads without creating anything; a missing group gives all-empty values.
    static TStoredSettings Load();
    static void Save(const TSettingsToSave& values);

    // The same against a given store, for tests.
    static TStoredSettings Load(QSettings& store);
    static void Save(QSettings& store, const TSettingsToSave& values);
};

// Where the file dialogs open: `lastDirectory` (the last file's folder)
// while it is a folder, else the user's documents folder, or home.
QString StartFolderForFiles(const QString& lastDirectory);

} // namespace wayline
