// The libgpiod backend on a chip kept in memory: this program provides the few libgpiod
// calls the backend makes, and each line remembers every level it was driven to. Real
// relay boards are often active low, so a line that sits at 0 for a moment is switched on.
#include "control/gpio/GpiodDevice.h"

#include <gpiod.h>

#include <gtest/gtest.h>

#include <vector>

struct gpiod_line {
    bool requested = false;
    bool output = false;
    std::vector<int> driven; // every level the line was driven to, in order
};
struct gpiod_chip {
    std::array<gpiod_line, 24> lines;
};

namespace {
gpiod_chip* theChip = nullptr;
} // namespace

gpiod_chip* gpiod_chip_open_lookup(const char*) {
    return theChip;
}
void gpiod_chip_close(gpiod_chip*) {}
unsigned int gpiod_chip_num_lines(gpiod_chip*) {
    return 24;
}
const char* gpiod_chip_name(gpiod_chip*) {
    return "gpiochip9";
}
const char* gpiod_chip_label(gpiod_chip*) {
    return "memory";
}
gpiod_line* gpiod_chip_get_line(gpiod_chip* chip, unsigned int offset) {
    return &chip->lines.at(offset);
}
int gpiod_line_request_input(gpiod_line* l, const char*) {
    l->requested = true;
    l->output = false;
    return 0;
}
int gpiod_line_request_output(gpiod_line* l, const char*, int value) {
    l->requested = true;
    l->output = true;
    l->driven.push_back(value);
    return 0;
}
void gpiod_line_release(gpiod_line* l) {
    l->requested = false;
}
int gpiod_line_get_value(gpiod_line*) {
    return 0;
}
int gpiod_line_set_value(gpiod_line* l, int value) {
    if (l->driven.empty() || l->driven.back() != value)
        l->driven.push_back(value);
    return 0;
}
gpiod_chip_iter* gpiod_chip_iter_new() {
    return nullptr;
}
gpiod_chip* gpiod_chip_iter_next(gpiod_chip_iter*) {
    return nullptr;
}
void gpiod_chip_iter_free(gpiod_chip_iter*) {}

using namespace kalvor::gpio;

// Port 2 active-low outputs held off (high): taking the directions again, at start-up or
// when the options are saved, never drives them low, not even for a moment.
TEST(GpiodLevels, OutputsNeverPassThroughTheOtherLevel) {
    gpiod_chip chip;
    theChip = &chip;
    QString why;
    auto dev = openGpiodChip(QStringLiteral("gpiochip9"), parseGpioLines({}), &why);
    ASSERT_NE(dev, nullptr) << why.toStdString();
    const Directions d{GpioDirection::In, GpioDirection::Out, GpioDirection::Off,
                       GpioDirection::Off};
    const PortBytes offHigh{0x00, 0xFF, 0x00};
    ASSERT_TRUE(dev->setDirections(d, offHigh));
    ASSERT_TRUE(dev->writePort(2, 0xFF));
    ASSERT_TRUE(dev->setDirections(d, offHigh));
    ASSERT_TRUE(dev->writePort(2, 0xFF));
    for (int offset = 8; offset < 16; ++offset) {
        SCOPED_TRACE(offset);
        EXPECT_EQ(chip.lines.at(offset).driven, std::vector<int>{1});
        EXPECT_TRUE(chip.lines.at(offset).requested);
    }
    dev.reset();
    EXPECT_FALSE(chip.lines.at(8).requested);
    theChip = nullptr;
}
