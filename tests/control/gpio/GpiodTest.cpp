// The libgpiod backend against the kernel. A real chip is made with the gpio-sim module
// through configfs where the machine offers it; elsewhere the test says why it skips.
#include "control/gpio/GpiodDevice.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace kalvor::gpio;

namespace {

const QString kSimRoot = QStringLiteral("/sys/kernel/config/gpio-sim");

// A gpio-sim chip of 24 lines, removed again at the end.
struct SimChip {
    QString dir = kSimRoot + QStringLiteral("/kalvor-test");
    QString chipName;
    QString devName; // the platform device, "gpio-sim.N"
    bool made = false;
    SimChip() {
        QDir().mkpath(dir + QStringLiteral("/bank0"));
        if (!write(QStringLiteral("/bank0/num_lines"), "24") ||
            !write(QStringLiteral("/live"), "1"))
            return;
        chipName = read(QStringLiteral("/bank0/chip_name"));
        devName = read(QStringLiteral("/dev_name"));
        made = !chipName.isEmpty() && !devName.isEmpty();
    }
    ~SimChip() {
        write(QStringLiteral("/live"), "0");
        QDir().rmdir(dir + QStringLiteral("/bank0"));
        QDir().rmdir(dir);
    }
    QString read(const QString& file) {
        QFile f(dir + file);
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).trimmed() : QString();
    }
    bool write(const QString& file, const char* value) {
        QFile f(dir + file);
        return f.open(QIODevice::WriteOnly) && f.write(value) > 0;
    }
    // Pulls line `offset` of the simulated chip up or down, as a contact would.
    bool pull(int offset, bool up) {
        QFile f(QStringLiteral("/sys/devices/platform/%1/%2/sim_gpio%3/pull")
                    .arg(devName, chipName)
                    .arg(offset));
        return f.open(QIODevice::WriteOnly) && f.write(up ? "pull-up" : "pull-down") > 0;
    }
};

} // namespace

TEST(Gpiod, UnknownChipOrBadLinesAreRefusedWithTheReason) {
    QString why;
    EXPECT_EQ(openGpiodChip(QStringLiteral("no-such-chip"), parseGpioLines({}), &why), nullptr);
    EXPECT_TRUE(why.contains(QStringLiteral("\"no-such-chip\" cannot be opened")))
        << why.toStdString();
    EXPECT_EQ(openGpiodChip(QString(), parseGpioLines({}), &why), nullptr);
    EXPECT_TRUE(why.contains(QStringLiteral("GpioChip")));
    EXPECT_EQ(
        openGpiodChip(QStringLiteral("gpiochip0"), parseGpioLines(QStringLiteral("1,2")), &why),
        nullptr);
    EXPECT_TRUE(why.contains(QStringLiteral("24 line offsets")));
}

TEST(Gpiod, PortsOnTheKernelsSimulatedChip) {
    if (!QDir(kSimRoot).exists())
        GTEST_SKIP() << "the kernel offers no gpio-sim here (" << kSimRoot.toStdString()
                     << " missing: configfs not mounted or module not loadable)";
    SimChip sim;
    if (!sim.made)
        GTEST_SKIP() << "gpio-sim present but a chip could not be made (needs root)";
    QString why;
    auto dev = openGpiodChip(sim.chipName, parseGpioLines({}), &why);
    ASSERT_NE(dev, nullptr) << why.toStdString();
    ASSERT_TRUE(dev->setDirections(
        {GpioDirection::In, GpioDirection::Out, GpioDirection::Off, GpioDirection::Off}, {}));
    ASSERT_TRUE(sim.pull(2, true));
    const auto port1 = dev->readPort(1);
    ASSERT_TRUE(port1);
    EXPECT_EQ(*port1, 0x04);
    EXPECT_TRUE(dev->writePort(2, 0x81));
}
