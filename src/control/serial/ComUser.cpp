#include "control/serial/ComUser.h"

namespace kalvor {
namespace {

// The value of the buffer as a preset number; anything that is not a plain run of digits
// (or does not fit) reads as 0, which selects nothing.
int bufferValue(const QByteArray& buffer) {
    bool ok = false;
    const int n = buffer.toInt(&ok);
    return ok && n > 0 ? n : 0;
}

} // namespace

ComUserResult comUser(const QByteArray& text, const QByteArray& buffer,
                      const ComUserSettings& settings) {
    ComUserResult r;
    r.buffer = buffer;
    if (text.isEmpty())
        return r;
    const auto c = static_cast<unsigned char>(text.front());
    QByteArray ack;
    if (c >= 'A' && c <= 'H') {
        const int ch = c - 'A' + 1;
        r.action = ComUserAction{ComUserActionKind::PlayLeft, ch};
        ack = "Received: " + QByteArray(1, char(c)) + " (start/stop channel " +
              QByteArray::number(ch) + ")";
    } else if (c >= 'a' && c <= 'h') {
        const int ch = c - 'a' + 1;
        r.action = ComUserAction{ComUserActionKind::PlayRight, ch};
        ack = "Received: " + QByteArray(1, char(c)) + " (stopping channel " +
              QByteArray::number(ch) + ")";
    } else if (c == 'x') {
        r.action = ComUserAction{ComUserActionKind::StopAll};
        ack = "Received: x (stopping all sounds)";
    } else if (c == '+') {
        r.action = ComUserAction{ComUserActionKind::NextPreset};
        ack = "Received: + (select/start next Preset)";
    } else if (c == '-') {
        r.action = ComUserAction{ComUserActionKind::PreviousPreset};
        ack = "Received: - (select/start previous Preset)";
    } else if (c >= '0' && c <= '9') {
        r.buffer += text;
        if (r.buffer.size() > kComUserBufferLimit)
            r.buffer = "#";
        ack = "Received: " + text + " (number for Preset select)";
    } else if (c == 13) {
        const int n = bufferValue(r.buffer);
        if (n > 0 && n <= settings.presetCount)
            r.action = ComUserAction{ComUserActionKind::RecallPreset, n};
        r.buffer.clear();
        ack = "Received: Return (select/start Preset)";
    } else {
        ack = "Received: " + text + " (not used!)";
    }
    if (settings.echo)
        r.lines << text;
    if (settings.sendAck)
        r.lines << ack;
    return r;
}

} // namespace kalvor
