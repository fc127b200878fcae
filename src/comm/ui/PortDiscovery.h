#pragma once

#include <QComboBox>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

namespace wayline {

// Lists the host's serial ports by the names under which they can be
// opened, in a stable order.
using TPortEnumerator = std::function<QStringList()>;

// The host's serial ports (QSerialPortInfo), naturally sorted.
QStringList HostSerialPorts();

// A drop-down list that tells when it is about to drop down, so its items
// can be refreshed first (USB serial adapters come and go at run time).
class TPortComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

Q_SIGNALS:
    void DroppingDown();
};

// The port box: item 0 is always "AUTO", then the ports found.
class TPortDiscovery {
public:
    explicit TPortDiscovery(QComboBox* box, QString autoText = QStringLiteral("AUTO"),
                            TPortEnumerator enumerate = HostSerialPorts);

    const QStringList& PortNames() const { return Names; }
    void SetAutoText(const QString& text) { AutoText = text; }
    void SetEnumerator(TPortEnumerator enumerate) { Enumerate = std::move(enumerate); }
    // Ports that are there whatever the host has (the virtual robot),
    // listed after the host's ports.
    void SetExtraPorts(QStringList names) { Extras = std::move(names); }
    // How the box and the progress grid show port `name`: an extra port by
    // its name in the language spoken ("Virtueller Roboter"), every other
    // port as it is called. The box's items keep the port's own name as
    // their data, so that the choice is the same in every language.
    void SetShownName(const QString& name, const QString& shown) { Shown[name] = shown; }
    QString ShownName(const QString& name) const { return Shown.value(name, name); }

    // Empties the list and fills it with the host's port names, then the
    // extra ports.
    void EnumeratePorts(QStringList& list) const;
    // Rebuilds the box from a fresh enumeration, keeping its selection where
    // the port still exists.
    void RefreshPortCombo();
    // Selects `name`, or "AUTO" when the box has no such entry; returns the
    // selected port.
    QString SelectPortInCombo(const QString& name);
    // "AUTO" when item 0 or nothing is selected, else the selected text.
    QString GetSelectedPort() const;

private:
    QComboBox* Box;
    QString AutoText;
    TPortEnumerator Enumerate;
    QStringList Extras;
    QHash<QString, QString> Shown;
    QStringList Names;
};

} // namespace wayline
