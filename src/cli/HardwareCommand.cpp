#include "cli/HardwareCommand.h"

#include "control/gpio/GpiodDevice.h"
#include "control/xkeys/KeypadDevice.h"

#include <cstdio>

namespace kalvor::cli {

namespace {

void usage() {
    std::fputs("usage: kalvor-tool hardware [--leds on|off]\n"
               "  lists the X-keys HID interfaces (the one the program would use is marked\n"
               "  with *) and the GPIO chips; --leds sends the keypad's opening (on) or\n"
               "  closing (off) LED reports\n",
               stderr);
}

} // namespace

int runHardware(const QStringList& args) {
    QString leds;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--leds") && i + 1 < args.size()) {
            leds = args.at(++i);
        } else {
            usage();
            return 2;
        }
    }
    if (!leds.isEmpty() && leds != QLatin1String("on") && leds != QLatin1String("off")) {
        usage();
        return 2;
    }
    auto hid = xkeys::makeHidKeypads();
    const auto listed = hid->enumerate();
    const auto chosen = xkeys::chooseKeypad(listed);
    std::printf("X-keys HID interfaces (vendor 05F3):\n");
    if (listed.empty())
        std::printf("  none\n");
    for (const auto& f : listed) {
        const auto model = xkeys::findModel(f.productId);
        const bool used = chosen && chosen->path == f.path;
        std::printf("  %c %04X usage page %02X  %s  %s\n", used ? '*' : ' ', f.productId,
                    f.usagePage, f.path.c_str(),
                    model ? qUtf8Printable(txt(model->deviceText)) : "(not a supported keypad)");
    }
    std::printf("GPIO chips:\n");
    const QStringList chips = gpio::listGpioChips();
    if (chips.isEmpty())
        std::printf("  none\n");
    for (const QString& c : chips)
        std::printf("  %s\n", qUtf8Printable(c));
    if (leds.isEmpty())
        return 0;
    if (!chosen) {
        std::fprintf(stderr, "kalvor-tool: no supported keypad to send LED reports to\n");
        return 1;
    }
    if (const QString why = hid->open(chosen->path); !why.isEmpty()) {
        std::fprintf(stderr, "kalvor-tool: %s\n", qUtf8Printable(why));
        return 1;
    }
    const auto reports = leds == QLatin1String("on")
                             ? xkeys::openingReports(chosen->model, {0xFF, 0x3F})
                             : xkeys::ledsOffReports(chosen->model);
    for (const auto& r : reports) {
        if (!hid->write(r)) {
            std::fprintf(stderr, "kalvor-tool: the keypad refused an LED report\n");
            return 1;
        }
    }
    return 0;
}

} // namespace kalvor::cli
