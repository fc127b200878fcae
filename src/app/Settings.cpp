#include "app/Settings.h"

#include <QSettings>

namespace wayline {

namespace {

const QString Group = QStringLiteral("1.0");
const QString HyperHelpKey = QStringLiteral("HyperHelp");
const QString LeftKey = QStringLiteral("LeftServoCenter");
const QString RightKey = QStringLiteral("RightServoCenter");
const QString ComPortKey = QStringLiteral("ComPort");
const QString LastDirectoryKey = QStringLiteral("LastDirectory");

QSettings UserStore() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("CorvaneInc"),
                     QStringLiteral("Wayline"));
}

// A servo centre is one byte in the document: only its low 8 bits count.
std::optional<int> ByteValue(const QSettings& store, const QString& key) {
    if (!store.contains(key)) {
        return std::nullopt;
    }
    bool ok = false;
    const int value = store.value(key).toInt(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return value & 0xFF;
}

} // namespace

TStoredSettings TSettingsStore::Load() {
    QSettings store = UserStore();
    return Load(store);
}

void TSettingsStore::Save(const TSettingsToSave& values) {
    QSettings store = UserStore();
    Save(store, values);
}

TStoredSettings TSettingsStore::Load(QSettings& store) {
    TStoredSettings result;
    // Opening the key must not create it.
    if (!store.childGroups().contains(Group)) {
        return result;
    }
    store.beginGroup(Group);
    if (store.contains(HyperHelpKey)) {
        result.HyperHelp = store.value(HyperHelpKey).toBool();
    }
    result.LeftServoCenter = ByteValue(store, LeftKey);
    result.RightServoCenter = ByteValue(store, RightKey);
    if (store.contains(ComPortKey)) {
        result.ComPort = StoredPortName(store.value(ComPortKey).toString());
    }
    if (store.contains(LastDirectoryKey)) {
        result.LastDirectory = store.value(LastDirectoryKey).toString();
    }
    store.endGroup();
    return result;
}

void TSettingsStore::Save(QSettings& store, const TSettingsToSave& values) {
    store.beginGroup(Group);
    store.setValue(HyperHelpKey, values.HyperHelp);
    store.setValue(LeftKey, values.LeftServoCenter & 0xFF);
    store.setValue(RightKey, values.RightServoCenter & 0xFF);
    store.setValue(ComPortKey, StoredComPort(values.SelectedPort));
    store.setValue(LastDirectoryKey, values.CurrentDirectory);
    store.endGroup();
    // A failure to write is not reported: the next run simply starts with
    // the defaults.
    store.sync();
}

namespace {

// Unix serial devices (ttyUSB0, ttyACM0, ttyS0) have case-sensitive names
// that never start with "COM"; without this the port box's choice could
// never be remembered on such hosts.
bool IsUnixPortName(const QString& name) {
    return name.startsWith(QStringLiteral("tty"));
}

} // namespace

QString StoredComPort(const QString& selectedPort) {
    if (selectedPort.startsWith(QStringLiteral("COM")) || IsUnixPortName(selectedPort)) {
        return selectedPort;
    }
    return QStringLiteral("AUTO");
}

QString StoredPortName(const QString& stored) {
    return IsUnixPortName(stored) ? stored : stored.toUpper();
}

} // namespace wayline
