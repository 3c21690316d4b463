#include "tools/OptionDevices.h"

#include "core/Settings.h"

namespace kalvor {

QString midiNoneEntry() {
    return QStringLiteral("<none>");
}

std::vector<SerialPortChoice> serialPortChoices(const Settings& settings) {
    std::vector<SerialPortChoice> ports;
    for (int n = 1; n <= kSerialPorts; ++n) {
        ports.push_back({QStringLiteral("COM %1").arg(n), QString::number(n),
                         settings.text(QStringLiteral("ComDevice%1").arg(n))});
    }
    return ports;
}

QStringList midiChoices(const std::function<QStringList()>& source, const QString& stored) {
    QStringList list{midiNoneEntry()};
    if (source)
        list += source();
    if (!stored.isEmpty() && !list.contains(stored))
        list << stored;
    return list;
}

} // namespace kalvor
