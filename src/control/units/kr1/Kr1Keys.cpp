#include "control/units/kr1/Kr1Keys.h"

#include "control/units/kr1/Kr1Protocol.h"

namespace kalvor::kr1 {

Key decodeKey(int code, bool hotkeys) {
    Key k;
    k.code = code;
    if (code >= 1 && code <= 8)
        return {KeyAction::ChannelPress, code - 1, code};
    if (code >= 9 && code <= 16)
        return {KeyAction::ChannelRelease, code - 9, code};
    if (hotkeys) {
        if (code >= 17 && code <= 32)
            return {KeyAction::ChannelTap, code - 1, code};
        if (code >= 209 && code <= 232)
            return {KeyAction::ChannelTap, code - 201, code};
        if (code == 109)
            return {KeyAction::Menu, 0, code};
        return k;
    }
    switch (code) {
    case kPresetMinus:
        return {KeyAction::PreviousPreset, 0, code};
    case kPresetPlus:
        return {KeyAction::NextPreset, 0, code};
    case kPause:
        return {KeyAction::Pause, 0, code};
    case kRollBack:
        return {KeyAction::RollBack, 0, code};
    case kRepeat:
        return {KeyAction::Repeat, 0, code};
    case kContinue:
        return {KeyAction::Continue, 0, code};
    case kRollForward:
        return {KeyAction::RollForward, 0, code};
    case kStopAll:
        return {KeyAction::StopAll, 0, code};
    case kMenu:
        return {KeyAction::Menu, 0, code};
    case kEnter:
        return {KeyAction::Enter, 0, code};
    case kMinus:
    case kPlus:
        return {KeyAction::Step, code == kPlus ? 1 : -1, code};
    case kLeft:
    case kRight:
        return {KeyAction::Move, code == kRight ? 1 : -1, code};
    case kUp:
    case kDown:
        return {KeyAction::Cursor, code == kDown ? 1 : -1, code};
    default:
        return k;
    }
}

std::vector<Key> decodeKeys(const QByteArray& bytes, bool hotkeys) {
    std::vector<Key> out;
    out.reserve(static_cast<size_t>(bytes.size()));
    for (const char b : bytes)
        out.push_back(decodeKey(static_cast<unsigned char>(b), hotkeys));
    return out;
}

} // namespace kalvor::kr1
