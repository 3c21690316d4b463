// Writes a RichDocument as RTF that our reader and common word processors open: Windows-1252
// (`\ansicpg1252`) with `\'hh` for the characters it has and `\uN?` for all others, a
// font table of the families in use, a colour table of the colours in use (black is
// "automatic"), and every run in a group of its own with its full format, so each run
// reads back the same whatever stands around it. Pure, any thread.
//
// A run without a font name is written in the first font of the table.
#pragma once

#include "tools/text/RichText.h"

#include <QByteArray>

namespace kalvor::text {

QByteArray writeRtf(const RichDocument& document);

} // namespace kalvor::text
