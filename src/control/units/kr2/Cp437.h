// The character set of the KR-2 and KD-1 displays: code page 437. Outgoing texts are
// converted letter by letter (the accented letters the show names use); the software peer
// reads every byte back through the whole code page, so a frame drawn with line bytes
// shows as lines. Pure.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

namespace kalvor::units {

// The text as the unit's bytes: the accented letters of the table at their code page 437
// places, everything else as it is (Latin-1), control characters and letters outside
// Latin-1 as "?", so a name can never smuggle a command byte into the stream.
QByteArray toCp437(const QString& text);

// What the display shows for a byte.
QChar fromCp437(unsigned char byte);

} // namespace kalvor::units
