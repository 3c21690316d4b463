#include "control/units/kr2/Kr2Keys.h"

#include <array>

namespace kalvor::units {

namespace {

// Codes 11..20 hex, in order: the same places as on the KR-1's keypad.
constexpr std::array<Kr2Key, 16> kFunctionKeys = {
    Kr2Key::PresetMinus, Kr2Key::Pause,    Kr2Key::RollBack,    Kr2Key::Repeat,
    Kr2Key::Menu,        Kr2Key::Minus,    Kr2Key::Left,        Kr2Key::Up,
    Kr2Key::PresetPlus,  Kr2Key::Continue, Kr2Key::RollForward, Kr2Key::StopAll,
    Kr2Key::Enter,       Kr2Key::Plus,     Kr2Key::Right,       Kr2Key::Down,
};

Kr2KeyEvent event(Kr2Key key, int number = 0, QByteArray text = {}) {
    return Kr2KeyEvent{key, number, std::move(text)};
}

} // namespace

std::vector<Kr2KeyEvent> Kr2KeyDecoder::feed(const QByteArray& bytes) {
    std::vector<Kr2KeyEvent> out;
    for (const char c : bytes)
        byte(static_cast<unsigned char>(c), out);
    return out;
}

void Kr2KeyDecoder::byte(unsigned char b, std::vector<Kr2KeyEvent>& out) {
    if (inMessage_) {
        if (b == 0xF7) {
            endMessage(out);
        } else if (b == 0xF0) {
            // A new message before the end of the last: the last one is lost.
            out.push_back(event(Kr2Key::Invalid, 0, QByteArray("unterminated message")));
            message_.clear();
            overlong_ = false;
        } else if (message_.size() < kKr2MessageLimit) {
            message_.append(static_cast<char>(b));
        } else {
            overlong_ = true;
        }
        return;
    }
    if (b == 0xF0) {
        inMessage_ = true;
        overlong_ = false;
        message_.clear();
        return;
    }
    if (b >= 0x01 && b <= 0x08) {
        out.push_back(event(Kr2Key::ChannelDown, b));
    } else if (b >= 0x09 && b <= 0x10) {
        out.push_back(event(Kr2Key::ChannelUp, b - 8));
    } else if (b >= 0x11 && b <= 0x20) {
        out.push_back(event(kFunctionKeys[static_cast<std::size_t>(b - 0x11)]));
    } else if (b >= 0x21 && b <= 0x3C) {
        out.push_back(event(Kr2Key::Reserved, b));
    } else if (b >= 0x41 && b <= 0x60) {
        out.push_back(event(Kr2Key::DirectPlay, b - 0x40));
    } else if (b >= 0x61 && b <= 0x78) {
        out.push_back(event(Kr2Key::Reserved, b));
    } else if (b == 0xFF) {
        out.push_back(event(Kr2Key::AllUp));
    } else {
        out.push_back(event(Kr2Key::Invalid, b));
    }
}

void Kr2KeyDecoder::endMessage(std::vector<Kr2KeyEvent>& out) {
    inMessage_ = false;
    if (overlong_) {
        out.push_back(event(Kr2Key::Invalid, 0, QByteArray("message too long")));
    } else if (message_ == "R") {
        out.push_back(event(Kr2Key::UnitReset));
    } else if (message_.startsWith('V')) {
        out.push_back(event(Kr2Key::UnitVersion, 0, message_.mid(1)));
    } else {
        out.push_back(event(Kr2Key::Invalid, 0, QByteArray("unknown message")));
    }
    message_.clear();
}

QByteArray Kr2KeyDecoder::code(Kr2Key key, int number) {
    switch (key) {
    case Kr2Key::ChannelDown:
        return QByteArray(1, static_cast<char>(number));
    case Kr2Key::ChannelUp:
        return QByteArray(1, static_cast<char>(number + 8));
    case Kr2Key::DirectPlay:
        return QByteArray(1, static_cast<char>(0x40 + number));
    case Kr2Key::AllUp:
        return QByteArray(1, '\xFF');
    case Kr2Key::UnitReset:
        return QByteArray("\xF0R\xF7");
    default:
        break;
    }
    for (std::size_t i = 0; i < kFunctionKeys.size(); ++i) {
        if (kFunctionKeys[i] == key)
            return QByteArray(1, static_cast<char>(0x11 + i));
    }
    return {};
}

} // namespace kalvor::units
