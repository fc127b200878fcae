#include "comm/ui/PortDiscovery.h"

#include <QCollator>
#include <QComboBox>
#include <QSerialPortInfo>

#include <algorithm>

namespace wayline {

void TPortComboBox::showPopup() {
    Q_EMIT DroppingDown();
    QComboBox::showPopup();
}

QStringList HostSerialPorts() {
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& port : ports) {
        names.append(port.portName());
    }
    // The platform's discovery order changes between runs; a natural sort
    // keeps ttyS2 before ttyS10 and the list in the same order every time.
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(names.begin(), names.end(), [&collator](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    });
    names.removeDuplicates();
    return names;
}

TPortDiscovery::TPortDiscovery(QComboBox* box, QString autoText, TPortEnumerator enumerate)
    : Box(box), AutoText(std::move(autoText)), Enumerate(std::move(enumerate)) {}

void TPortDiscovery::EnumeratePorts(QStringList& list) const {
    list.clear();
    if (Enumerate) {
        list = Enumerate();
    }
    for (const QString& extra : Extras) {
        list.removeAll(extra);
        list.append(extra);
    }
}

void TPortDiscovery::RefreshPortCombo() {
    EnumeratePorts(Names);
    const QString remembered = GetSelectedPort();
    Box->clear();
    Box->addItem(AutoText);
    for (const QString& name : Names) {
        Box->addItem(ShownName(name), name);
    }
    SelectPortInCombo(remembered);
}

QString TPortDiscovery::SelectPortInCombo(const QString& name) {
    int index = Box->findData(name, Qt::UserRole, Qt::MatchExactly);
    if (index < 0) {
        index = Box->findText(name, Qt::MatchExactly);
    }
    Box->setCurrentIndex(index >= 0 ? index : 0);
    return GetSelectedPort();
}

QString TPortDiscovery::GetSelectedPort() const {
    const int index = Box->currentIndex();
    if (index <= 0) {
        return QStringLiteral("AUTO");
    }
    const QVariant port = Box->currentData();
    return port.isValid() ? port.toString() : Box->currentText();
}

} // namespace wayline
