// The text reader's editor contents as a RichDocument and back: what our RTF reader gives
// goes into Qt's document, and Qt's document is what the writer saves. Only the attributes
// the files keep are carried (font, size, bold, italic, underline, colour, alignment).
// UI thread (QTextDocument).
#pragma once

#include "tools/text/RichText.h"

class QTextCharFormat;
class QTextDocument;

namespace kalvor {

// Replaces the document's contents; one block per paragraph.
void fillTextDocument(QTextDocument& document, const text::RichDocument& rich);

// Every block of the document, each fragment a run; attributes the fragment leaves unset
// are the document's default font's.
text::RichDocument richDocumentOf(const QTextDocument& document);

QTextCharFormat qtCharFormat(const text::CharFormat& format);

} // namespace kalvor
