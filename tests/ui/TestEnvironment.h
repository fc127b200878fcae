#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

// Widget tests run on the offscreen platform, which warns on every window
// shape; the shapes are checked through QWidget::mask() instead. Settings go
// to a private folder so tests neither read nor write the user's.
class TTestEnvironment {
public:
    TTestEnvironment() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, Settings.path());
    }
    ~TTestEnvironment() { qInstallMessageHandler(Previous); }
    TTestEnvironment(const TTestEnvironment&) = delete;
    TTestEnvironment& operator=(const TTestEnvironment&) = delete;

    // Call from initTestCase: Qt Test installs its own handler when it
    // starts running, and this one goes in front of it.
    void QuietWindowMasks() { Previous = qInstallMessageHandler(&Filter); }

    QString SettingsPath() const { return Settings.path(); }

private:
    static void Filter(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (text.contains(QStringLiteral("does not support setting window masks")) ||
            text.contains(QStringLiteral("does not support raise()")) ||
            text.contains(QStringLiteral("does not support propagateSizeHints()"))) {
            return;
        }
        if (Previous) {
            Previous(type, context, text);
        }
    }

    QTemporaryDir Settings;
    static inline QtMessageHandler Previous = nullptr;
};
