#include "control/gpio/GpiodDevice.h"

#include <gpiod.h>

#include <cerrno>
#include <cstring>

namespace kalvor::gpio {

namespace {

constexpr const char* kConsumer = "kalvor";

QString errorText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

class GpiodDevice final : public GpioDevice {
public:
    GpiodDevice(gpiod_chip* chip, const LineOffsets& lines) : chip_(chip) {
        for (int i = 0; i < kLines; ++i)
            lines_[static_cast<std::size_t>(i)] =
                gpiod_chip_get_line(chip_, lines.offsets[static_cast<std::size_t>(i)]);
        name_ = QStringLiteral("%1 [%2]").arg(QString::fromLocal8Bit(gpiod_chip_name(chip_)),
                                              QString::fromLocal8Bit(gpiod_chip_label(chip_)));
    }
    ~GpiodDevice() override {
        releaseAll();
        gpiod_chip_close(chip_);
    }

    bool complete() const {
        for (gpiod_line* l : lines_) {
            if (!l)
                return false;
        }
        return true;
    }

    QString name() const override { return name_; }

    bool setDirections(const Directions& d, const PortBytes& levels) override {
        for (int i = 0; i < kLines; ++i) {
            const auto dir = d[static_cast<std::size_t>(quarterOf(i + 1))];
            GpioDirection& now = dirs_[static_cast<std::size_t>(i)];
            // Giving a line back and taking it again drops an output to the request's
            // level until the next write: an active-low relay would click.
            if (dir == now)
                continue;
            gpiod_line* l = lines_[static_cast<std::size_t>(i)];
            if (now != GpioDirection::Off)
                gpiod_line_release(l);
            now = GpioDirection::Off;
            int rc = 0;
            if (dir == GpioDirection::In)
                rc = gpiod_line_request_input(l, kConsumer);
            else if (dir == GpioDirection::Out)
                rc = gpiod_line_request_output(
                    l, kConsumer, (levels[static_cast<std::size_t>(i / 8)] >> (i % 8)) & 1);
            if (rc != 0)
                return false;
            now = dir;
        }
        return true;
    }

    std::optional<std::uint8_t> readPort(int port) override {
        if (port < 1 || port > 3)
            return std::nullopt;
        std::uint8_t v = 0;
        for (int bit = 0; bit < 8; ++bit) {
            const auto i = static_cast<std::size_t>((port - 1) * 8 + bit);
            if (dirs_[i] != GpioDirection::In)
                continue;
            const int level = gpiod_line_get_value(lines_[i]);
            if (level < 0)
                return std::nullopt;
            if (level)
                v = static_cast<std::uint8_t>(v | (1u << bit));
        }
        return v;
    }

    bool writePort(int port, std::uint8_t value) override {
        if (port < 1 || port > 3)
            return false;
        for (int bit = 0; bit < 8; ++bit) {
            const auto i = static_cast<std::size_t>((port - 1) * 8 + bit);
            if (dirs_[i] == GpioDirection::Out &&
                gpiod_line_set_value(lines_[i], (value >> bit) & 1) != 0)
                return false;
        }
        return true;
    }

private:
    void releaseAll() {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            if (lines_[i] && dirs_[i] != GpioDirection::Off)
                gpiod_line_release(lines_[i]);
            dirs_[i] = GpioDirection::Off;
        }
    }

    gpiod_chip* chip_;
    std::array<gpiod_line*, kLines> lines_{};
    std::array<GpioDirection, kLines> dirs_{};
    QString name_;
};

} // namespace

std::unique_ptr<GpioDevice> openGpiodChip(const QString& chip, const LineOffsets& lines,
                                          QString* why) {
    auto fail = [why](const QString& text) -> std::unique_ptr<GpioDevice> {
        if (why)
            *why = text;
        return nullptr;
    };
    if (!lines.ok())
        return fail(lines.error);
    if (chip.trimmed().isEmpty())
        return fail(QStringLiteral("no GPIO chip is chosen (setting GpioChip)"));
    gpiod_chip* c = gpiod_chip_open_lookup(chip.trimmed().toLocal8Bit().constData());
    if (!c) {
        const bool denied = errno == EACCES;
        return fail(QStringLiteral("GPIO chip \"%1\" cannot be opened: %2%3")
                        .arg(chip, errorText(),
                             denied ? QStringLiteral(" (the node belongs to root until the "
                                                     "udev rule 90-kalvor-gpio.rules is "
                                                     "installed; see the README)")
                                    : QString()));
    }
    const unsigned count = gpiod_chip_num_lines(c);
    for (unsigned offset : lines.offsets) {
        if (offset >= count) {
            gpiod_chip_close(c);
            return fail(QStringLiteral("GPIO chip \"%1\" has %2 lines; line %3 does not exist")
                            .arg(chip)
                            .arg(count)
                            .arg(offset));
        }
    }
    auto device = std::make_unique<GpiodDevice>(c, lines);
    if (!device->complete())
        return fail(QStringLiteral("GPIO chip \"%1\": its lines cannot be taken: %2")
                        .arg(chip, errorText()));
    return device;
}

QStringList listGpioChips() {
    QStringList out;
    gpiod_chip_iter* it = gpiod_chip_iter_new();
    if (!it)
        return out;
    gpiod_chip* c = nullptr;
    gpiod_foreach_chip(it, c) {
        out << QStringLiteral("%1 [%2] (%3 lines)")
                   .arg(QString::fromLocal8Bit(gpiod_chip_name(c)),
                        QString::fromLocal8Bit(gpiod_chip_label(c)))
                   .arg(gpiod_chip_num_lines(c));
    }
    gpiod_chip_iter_free(it);
    return out;
}

} // namespace kalvor::gpio
