// The output device list and its scan rules; see OutputDevices.h. UI thread.
#include "engine/kae/OutputDevices.h"

#include <QRegularExpression>

#include <array>

namespace kalvor::engine {

namespace {

constexpr std::array<const char*, 9> kPairMarkers{"3-4", "3/4", "3+4", "5-6", "5/6",
                                                  "5+6", "7-8", "7/8", "7+8"};
constexpr std::array<const char*, 3> kEmulationMarkers{"émulé", "emulated", "emuliert"};

template <std::size_t N>
bool containsAny(const QString& text, const std::array<const char*, N>& markers) {
    for (const char* marker : markers) {
        if (text.contains(QString::fromUtf8(marker), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

bool hasPairMarker(const QString& description) {
    return containsAny(description, kPairMarkers);
}

bool hasEmulationMarker(const QString& description) {
    return containsAny(description, kEmulationMarkers);
}

QString withoutCardNumber(const QString& name) {
    static const QRegularExpression card(QStringLiteral("\\(hw:\\d+,(\\d+)\\)$"));
    QString cut = name;
    return cut.replace(card, QStringLiteral("(hw:,\\1)"));
}

std::vector<OutputDevice> scanDevices(const std::function<std::optional<QString>(int)>& describe,
                                      bool noEmulatedDevices, bool firstPairOnly) {
    std::vector<OutputDevice> found;
    for (int n = 1;; ++n) {
        const std::optional<QString> description = describe(n);
        if (!description)
            break;
        if (noEmulatedDevices && hasEmulationMarker(*description))
            continue;
        if (firstPairOnly && hasPairMarker(*description))
            continue;
        found.push_back(OutputDevice{*description, n, 2});
    }
    return found;
}

OutputDeviceList::OutputDeviceList(QObject* parent) : QAbstractListModel(parent) {}

int OutputDeviceList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant OutputDeviceList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= count())
        return {};
    const OutputDevice& device = at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return device.name;
    case NumberRole:
        return device.number;
    case SpeakersRole:
        return device.speakers;
    default:
        return {};
    }
}

void OutputDeviceList::setDevices(std::vector<OutputDevice> devices) {
    beginResetModel();
    devices_ = std::move(devices);
    endResetModel();
}

void OutputDeviceList::setSpeakers(int row, int speakers) {
    if (row < 0 || row >= count())
        return;
    devices_[static_cast<std::size_t>(row)].speakers = speakers;
    const QModelIndex changed = index(row);
    Q_EMIT dataChanged(changed, changed, {SpeakersRole});
}

int OutputDeviceList::findName(const QString& name) const {
    for (int row = 0; row < count(); ++row) {
        if (at(row).name == name)
            return row;
    }
    return -1;
}

int OutputDeviceList::findRenumbered(const QString& name) const {
    const QString wanted = withoutCardNumber(name);
    if (wanted == name)
        return -1;
    for (int row = 0; row < count(); ++row) {
        if (withoutCardNumber(at(row).name) == wanted)
            return row;
    }
    return -1;
}

int OutputDeviceList::findNumber(int number) const {
    for (int row = 0; row < count(); ++row) {
        if (at(row).number == number)
            return row;
    }
    return -1;
}

} // namespace kalvor::engine
