// A formatted text as the RTF reader gives it and the writer takes it: paragraphs with
// their alignment, each a run of pieces of text that share one character format. It is
// the common ground between the files and the editor, so the file code needs no window
// system and the fuzzer and the tests drive it directly. Plain data, any thread.
#pragma once

#include <QString>

#include <vector>

namespace kalvor::text {

enum class Alignment { Left, Centre, Right, Justify };

struct CharFormat {
    QString font;       // family name; empty: the document's default font
    double size = 12.0; // points, in half-point steps as RTF stores them
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int colour = 0; // red + 256 * green + 65536 * blue; 0 (black) is also "automatic"
    friend bool operator==(const CharFormat&, const CharFormat&) = default;
};

struct TextRun {
    QString text; // no paragraph breaks; tabs and line breaks (U+2028) may occur
    CharFormat format;
    friend bool operator==(const TextRun&, const TextRun&) = default;
};

struct Paragraph {
    Alignment alignment = Alignment::Left;
    std::vector<TextRun> runs;
    QString text() const;
    friend bool operator==(const Paragraph&, const Paragraph&) = default;
};

struct RichDocument {
    std::vector<Paragraph> paragraphs;
    // The paragraphs' text joined with "\n".
    QString plainText() const;
    friend bool operator==(const RichDocument&, const RichDocument&) = default;
};

// Appends `text` in `format` to the paragraph, joining it to the last run when the format
// is the same, so that equal documents have equal runs however they were built.
void appendRun(Paragraph& paragraph, const QString& text, const CharFormat& format);

} // namespace kalvor::text
