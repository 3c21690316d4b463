// hidapi over hidraw. The keypads send reports without a report number, so the number 0
// is put in front of each one to give the layout the decoders are written for.
#include "control/xkeys/KeypadDevice.h"
#include "control/xkeys/XkeysModels.h"

#include <hidapi/hidapi.h>

#include <QFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kalvor::xkeys {

namespace {

class HidKeypads final : public KeypadDevice {
public:
    HidKeypads() { initialised_ = hid_init() == 0; }
    ~HidKeypads() override {
        close();
        if (initialised_)
            hid_exit();
    }

    std::vector<KeypadFound> enumerate() override {
        std::vector<KeypadFound> found;
        if (!initialised_)
            return found;
        hid_device_info* list = hid_enumerate(kVendorId, 0);
        for (hid_device_info* d = list; d; d = d->next)
            found.push_back({d->product_id, d->usage_page, d->path ? d->path : ""});
        hid_free_enumeration(list);
        return found;
    }

    QString open(const std::string& path) override {
        close();
        if (!initialised_)
            return QStringLiteral("the HID library could not be initialised");
        // hidapi does not say why an open failed; the kernel's answer for the node does.
        if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
            return QStringLiteral("%1: permission denied. The hidraw node belongs to root "
                                  "until the udev rule 90-kalvor-xkeys.rules is installed "
                                  "(see the README); then plug the keypad in again.")
                .arg(QString::fromStdString(path));
        }
        device_ = hid_open_path(path.c_str());
        if (!device_) {
            return QStringLiteral("%1 could not be opened (%2)")
                .arg(QString::fromStdString(path), QString::fromLocal8Bit(std::strerror(errno)));
        }
        hid_set_nonblocking(device_, 1);
        return {};
    }

    ReadStatus read(std::vector<std::uint8_t>& report) override {
        if (!device_)
            return ReadStatus::Gone;
        std::uint8_t buffer[65];
        const int n = hid_read_timeout(device_, buffer + 1, sizeof buffer - 1, 0);
        if (n < 0)
            return ReadStatus::Gone;
        if (n == 0)
            return ReadStatus::Nothing;
        buffer[0] = 0;
        report.assign(buffer, buffer + n + 1);
        return ReadStatus::Report;
    }

    bool write(const Report& report) override {
        return device_ && hid_write(device_, report.data(), report.size()) >= 0;
    }

    void close() override {
        if (device_)
            hid_close(device_);
        device_ = nullptr;
    }

private:
    bool initialised_ = false;
    hid_device* device_ = nullptr;
};

} // namespace

std::unique_ptr<KeypadDevice> makeHidKeypads() {
    return std::make_unique<HidKeypads>();
}

} // namespace kalvor::xkeys
