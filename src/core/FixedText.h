// Fixed-width text fields of presets and files. Widths count characters (Unicode code
// points), never bytes, so a German umlaut or an accented name costs one place like "a".
// Pure functions, any thread.
#pragma once

#include <QString>

namespace kalvor {

// The value as the store keeps it: cut to `width` characters, trailing and leading
// blanks removed (a field is trimmed on every read).
QString fitToWidth(const QString& text, int width);

// The value as a fixed-width field is written: cut to `width`, then padded with blanks.
QString padToWidth(const QString& text, int width);

// Number of characters (code points) in `text`.
int characterCount(const QString& text);

} // namespace kalvor
