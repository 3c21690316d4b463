#include "control/midi/MidiMessage.h"

namespace kalvor::midi {

namespace {

// Data bytes a channel message carries after its status.
int dataBytes(std::uint8_t status) {
    const int kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

} // namespace

std::optional<ShortMessage> decodeShortMessage(const std::uint8_t* bytes, std::size_t size,
                                               RunningStatus& running) {
    if (!bytes || size == 0)
        return std::nullopt;
    std::size_t at = 0;
    std::uint8_t status = bytes[0];
    if (status < 0x80) {
        // Data first: the message continues the last channel status, if any.
        if (running.status == 0)
            return std::nullopt;
        status = running.status;
    } else {
        at = 1;
        if (status >= 0xF8) // real-time bytes leave the running status alone
            return status == kTimingClock || status == kActiveSensing
                       ? std::optional<ShortMessage>(ShortMessage{status, 0, 0})
                       : std::nullopt;
        running.status = status < 0xF0 ? status : 0;
    }
    if (status == kQuarterFrame) {
        if (size < 2 || bytes[1] >= 0x80)
            return std::nullopt;
        return ShortMessage{status, bytes[1], 0};
    }
    if (status >= 0xF0) // SysEx, song position, tune request...: not ours
        return std::nullopt;
    const int need = dataBytes(status);
    if (size < at + static_cast<std::size_t>(need))
        return std::nullopt;
    ShortMessage m{status, bytes[at], need == 2 ? bytes[at + 1] : std::uint8_t{0}};
    if (m.data1 >= 0x80 || m.data2 >= 0x80)
        return std::nullopt;
    return m;
}

bool passesInputFilter(std::uint8_t status, bool mtcEnabled) {
    if (status == kTimingClock || status == kActiveSensing)
        return false;
    if (status == kQuarterFrame)
        return mtcEnabled;
    return true;
}

QString monitorLine(const ShortMessage& m) {
    const int kind = m.status & 0xF0;
    const int channel = (m.status & 0x0F) + 1;
    switch (kind) {
    case 0x90:
        return QStringLiteral("[Channel:%1] [Note on:%2] [Velocity:%3]")
            .arg(channel)
            .arg(m.data1)
            .arg(m.data2);
    case 0x80:
        return QStringLiteral("[Channel:%1] [Note off:%2] [Velocity:%3]")
            .arg(channel)
            .arg(m.data1)
            .arg(m.data2);
    case 0xC0:
        return QStringLiteral("[Channel:%1] [Program:%2]").arg(channel).arg(m.data1);
    default:
        return {};
    }
}

std::uint32_t packed(const ShortMessage& m) {
    return m.status | (static_cast<std::uint32_t>(m.data1) << 8) |
           (static_cast<std::uint32_t>(m.data2) << 16);
}

} // namespace kalvor::midi
