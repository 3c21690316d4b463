// The HID side of a keypad behind one small interface: the hidraw implementation below
// talks to the kernel, tests put a scripted keypad in its place. UI thread.
#pragma once

#include "control/xkeys/XkeysModels.h"
#include "control/xkeys/XkeysReports.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kalvor::xkeys {

struct KeypadFound {
    std::uint16_t productId = 0;
    std::uint16_t usagePage = 0;
    std::string path; // /dev/hidrawN
};

enum class ReadStatus {
    Report,  // a report was copied
    Nothing, // no new report
    Gone,    // the device went away
};

class KeypadDevice {
public:
    virtual ~KeypadDevice() = default;

    // Every HID interface of our vendor, in the order the system lists them.
    virtual std::vector<KeypadFound> enumerate() = 0;
    // Empty when opened, else why not, in words for the system messages.
    virtual QString open(const std::string& path) = 0;
    // Never blocks. The report starts with its report number (0), as the decoders expect.
    virtual ReadStatus read(std::vector<std::uint8_t>& report) = 0;
    virtual bool write(const Report& report) = 0;
    virtual void close() = 0;
};

// The first listed keypad we drive: usage page 0C, a product of the model table (and not
// the vendor's 0025). The program, the options page and kalvor-tool all choose through here.
struct ChosenKeypad {
    Model model;
    std::string path;
};
std::optional<ChosenKeypad> chooseKeypad(const std::vector<KeypadFound>& listed);

// The keypads through hidapi's hidraw backend.
std::unique_ptr<KeypadDevice> makeHidKeypads();

} // namespace kalvor::xkeys
