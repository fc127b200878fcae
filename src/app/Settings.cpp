#include "app/Settings.h"

#include "editor/core/SettingsRules.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace wayline {

namespace {

QString Text(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

const QString Group = Text(SettingsGroup);
const QString HyperHelpKey = Text(HyperHelpSetting);
const QString LeftKey = Text(LeftServoCenterSetting);
const QString RightKey = Text(RightServoCenterSetting);
const QString ComPortKey = Text(ComPortSetting);
const QString LastDirectoryKey = Text(LastDirectorySetting);
const QString LanguageKey = Text(LanguageSetting);

QSettings UserStore() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, Text(SettingsOrganisation),
                     Text(SettingsApplication));
}

// A servo centre is one byte in the document: only its low 8 bits count.
std::optional<int> ByteValue(const QSettings& store, const QString& key) {
    if (!store.contains(key)) {
        return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = store.value(key).toLongLong(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return ServoCenterFromSetting(value);
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
        result.ComPort = QString::fromStdString(
            PortNameFromSetting(store.value(ComPortKey).toString().toStdString()));
    }
    if (store.contains(LastDirectoryKey)) {
        result.LastDirectory = store.value(LastDirectoryKey).toString();
    }
    if (store.contains(LanguageKey)) {
        result.Language = store.value(LanguageKey).toString();
    }
    store.endGroup();
    return result;
}

void TSettingsStore::Save(QSettings& store, const TSettingsToSave& values) {
    store.beginGroup(Group);
    store.setValue(HyperHelpKey, values.HyperHelp);
    store.setValue(LeftKey, values.LeftServoCenter & 0xFF);
    store.setValue(RightKey, values.RightServoCenter & 0xFF);
    store.setValue(ComPortKey,
                   QString::fromStdString(PortNameToStore(values.SelectedPort.toStdString())));
    store.setValue(LastDirectoryKey, values.LastDirectory);
    if (values.Language) {
        store.setValue(LanguageKey, *values.Language);
    }
    store.endGroup();
    // A failure to write is not reported: the next run simply starts with
    // the defaults.
    store.sync();
}

QString StartFolderForFiles(const QString& lastDirectory) {
    const std::string folder = FileDialogFolder(
        lastDirectory.toStdString(),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString(),
        QDir::homePath().toStdString(), [](std::string_view path) {
            return QFileInfo(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())))
                .isDir();
        });
    return QString::fromStdString(folder);
}

} // namespace wayline
