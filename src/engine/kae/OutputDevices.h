// The output device list: what the operator can route a channel to, built once at
// start-up from the audio library's device descriptions. It is also the item list of the
// channel's output selector and of the preview device selector, in the same order, so it
// is a list model those selectors can show directly. UI thread.
#pragma once

#include <QAbstractListModel>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace kalvor::engine {

struct OutputDevice {
    QString name;   // the library's description, as the operator sees it
    int number = 0; // the library's device number
    int speakers = 2;
    friend bool operator==(const OutputDevice&, const OutputDevice&) = default;
};

// Second, third and fourth output pairs of multichannel cards name themselves with these.
bool hasPairMarker(const QString& description);
// Devices that only emulate a sound card (the null output, software wrappers).
bool hasEmulationMarker(const QString& description);

// A hardware output's name ends in the number ALSA gave its card at boot ("(hw:2,0)"),
// which can change from one start to the next while the card stays the same. The name
// with that number taken out (the device number stays: it is another output); a name
// without it comes back as it is.
QString withoutCardNumber(const QString& name);

// One scan over the library's descriptions 1, 2, ... until the first missing one, keeping
// what the two options allow.
std::vector<OutputDevice> scanDevices(const std::function<std::optional<QString>(int)>& describe,
                                      bool noEmulatedDevices, bool firstPairOnly);

class OutputDeviceList : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { NumberRole = Qt::UserRole + 1, SpeakersRole };

    explicit OutputDeviceList(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void setDevices(std::vector<OutputDevice> devices);
    void setSpeakers(int row, int speakers);

    int count() const { return static_cast<int>(devices_.size()); }
    bool isEmpty() const { return devices_.empty(); }
    // Entries by list position 0..count-1 (the operator's 1..count).
    const OutputDevice& at(int row) const { return devices_.at(static_cast<std::size_t>(row)); }
    const std::vector<OutputDevice>& devices() const { return devices_; }

    // List positions, -1 when absent; the first match in list order wins.
    int findName(const QString& name) const;
    // The output of a card listed under another card number (see withoutCardNumber); -1
    // when `name` has no card number or no such output is listed.
    int findRenumbered(const QString& name) const;
    int findNumber(int number) const;

private:
    std::vector<OutputDevice> devices_;
};

} // namespace kalvor::engine
