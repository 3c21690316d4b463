// The 8-bit code pages of RTF files and plain-text scripts. RTF stores characters beyond
// ASCII as `\'hh` bytes of the document's code page (`\ansicpgN`) or of the font's
// character set (`\fcharsetN`); scripts saved as ".txt" on other systems are mostly
// Windows-1252. Pure functions, any thread.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace kalvor::text {

inline constexpr int kDefaultCodePage = 1252;

// Decodes bytes of Windows code page `codePage` (1250..1258, 874, 932, 936, 949, 950, 437,
// 850, 10000...). A code page this machine cannot decode is read as Windows-1252, so no
// byte is ever dropped.
QString decodeCodePage(QByteArrayView bytes, int codePage);

// The code page of an RTF font character set (`\fcharsetN`); nullopt for the symbol sets
// and for sets that mean "the document's own" (0 ANSI, 1 default).
std::optional<int> codePageOfCharset(int charset);

// The Windows-1252 byte for a character, when it has one.
std::optional<unsigned char> encodeCp1252(QChar c);

// A plain-text file: each line UTF-8 when it is valid UTF-8, else Windows-1252; CR LF or
// LF line ends; a UTF-8 byte order mark dropped; UTF-16 when it starts with a UTF-16 byte
// order mark. Lines joined with "\n".
QString decodeTextFile(QByteArrayView contents);

} // namespace kalvor::text
