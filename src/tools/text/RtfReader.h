// Our own reader for the RTF that word processors write into show scripts (no RTF library
// is packaged for the distribution). It reads the subset below into a RichDocument and
// passes over everything else without losing the body text. Pure, any thread; the input
// is only ever walked forwards with an explicit group stack, so no input, however deep its
// groups, can exhaust the call stack.
//
// Grammar (bytes):
//
//   file     = ws "{" "\rtf" [number] body "}" any*      ; bytes after the last "}" ignored
//   body     = { group | control | text }
//   group    = "{" body "}"
//   control  = "\" letter{1..32} [["-"] digit{1..10}] [" "]   ; control word; the blank ends it
//            | "\" other                                      ; control symbol
//   text     = any other byte; CR and LF are ignored, a TAB byte is a tab
//
// Groups and destinations. Character and paragraph formatting belong to the group and come
// back at its "}". A group is skipped whole when it begins with "\*" (an ignorable
// destination: \*\generator, \*\panose, \*\fldinst, ...) or with a destination that holds
// no body text (\info, \stylesheet, \header.., \footer.., \pict, \object, \footnote,
// \listtable, \listoverridetable, \revtbl, \rsidtbl, \filetbl, \themedata, ...). Field
// results (\fldrslt) are read as text.
//
//   {\fonttbl {\fN [family] [\fcharsetN] name;} ...}   entries may also stand without groups
//   {\colortbl ;\redN\greenN\blueN; ...}             an empty entry is "automatic" (black)
//
// Document: \ansi (1252) \mac \pc \pca, \ansicpgN, \deffN.
// Character: \plain, \fN, \fsN (half points), \b \b0, \i \i0, \ul \ul0 \ulnone and the other
//   underline styles (\uld, \uldb, \ulw, ...), \cfN.
// Paragraph: \pard (left aligned), \ql \qc \qr \qj, \par; \sect \page \row end a paragraph
//   too and \cell is a tab, so text in tables and sections survives.
// Characters: \'hh in the code page of the current font's \fcharset, else the document's;
//   \uN (a signed 16-bit unit) followed by \ucN (default 1) fallback characters that are
//   skipped; \tab \line \~ \_ \- \emdash \endash \bullet \lquote \rquote \ldblquote
//   \rdblquote; \\ \{ \}. \binN skips N raw bytes.
// Limits: groups nest at most kMaxRtfDepth deep; a deeper file is refused.
#pragma once

#include "tools/text/RichText.h"

#include <QByteArrayView>

namespace kalvor::text {

inline constexpr int kMaxRtfDepth = 1000;

struct RtfReadResult {
    enum class Status {
        Read,
        NotRtf,    // no "{\rtf" at the start: nothing read
        Truncated, // the file ends inside a group: the text up to there is kept
        TooDeep,   // groups nested deeper than kMaxRtfDepth: nothing read
    };
    Status status = Status::Read;
    RichDocument document;
    int codePage = 1252; // the document's own (\ansicpg)
};

RtfReadResult readRtf(QByteArrayView bytes);

// Whether the bytes start like an RTF file (blanks, then "{\rtf").
bool looksLikeRtf(QByteArrayView bytes);

} // namespace kalvor::text
