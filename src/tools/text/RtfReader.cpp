#include "tools/text/RtfReader.h"

#include "tools/text/CodePages.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace kalvor::text {

namespace {

enum class Destination { Body, FontTable, ColourTable, Skip };

struct GroupState {
    Destination destination = Destination::Body;
    int font = -1; // -1: the document's default font
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int colour = 0; // index into the colour table
    Alignment alignment = Alignment::Left;
    int unicodeSkip = 1; // \ucN
};

struct FontEntry {
    QString name;
    std::optional<int> codePage;
};

// Destinations that carry no body text; their groups are skipped whole. A list item's
// number (\listtext) stays: cue numbers are part of a script.
// clang-format off
constexpr const char* kSkippedDestinations[] = {
    "info", "stylesheet", "header", "headerl", "headerr", "headerf", "footer", "footerl",
    "footerr", "footerf", "pict", "object", "footnote", "annotation", "listtable",
    "listoverridetable", "revtbl", "rsidtbl", "filetbl", "themedata", "colorschememapping",
    "latentstyles", "datastore", "xmlnstbl", "fldinst", "generator", "private", "atnid",
    "atnauthor", "txe", "xe", "tc", "bkmkstart", "bkmkend", "nonshppict", "shp", "shpinst",
    "mmathPr", "pgdsctbl",
};
// clang-format on

bool isSkippedDestination(const QByteArray& word) {
    for (const char* d : kSkippedDestinations) {
        if (word == d)
            return true;
    }
    return false;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Control characters other than the tab are no text in RTF (line ends are \par and \line),
// whether they come as \'hh or as \uN.
QString withoutControls(QString text) {
    text.removeIf([](QChar c) { return c.unicode() < 0x20 && c.unicode() != '\t'; });
    return text;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

class Reader {
public:
    explicit Reader(QByteArrayView in) : in_(in) {}

    RtfReadResult run() {
        RtfReadResult result;
        if (!looksLikeRtf(in_)) {
            result.status = RtfReadResult::Status::NotRtf;
            return result;
        }
        while (pos_ < in_.size() && in_[pos_] != '{')
            ++pos_;
        bool closed = false;
        while (pos_ < in_.size()) {
            const char c = in_[pos_++];
            if (c == '{') {
                flushBytes();
                if (static_cast<int>(stack_.size()) >= kMaxRtfDepth) {
                    result.status = RtfReadResult::Status::TooDeep;
                    return result;
                }
                flushText();
                stack_.push_back(stack_.empty() ? GroupState{} : stack_.back());
                skipCount_ = 0;
            } else if (c == '}') {
                if (stack_.empty())
                    break;
                groupEnds();
                if (stack_.empty()) {
                    closed = true;
                    break;
                }
            } else if (stack_.empty()) {
                continue;
            } else if (c == '\\') {
                control();
            } else if (c == '\r' || c == '\n') {
                continue;
            } else {
                textByte(c);
            }
        }
        flushBytes();
        flushText();
        // A last paragraph without its \par still counts; an empty one after it does not.
        if (!paragraph_.runs.empty())
            endParagraph();
        result.document = std::move(doc_);
        result.codePage = codePage_;
        if (!closed)
            result.status = RtfReadResult::Status::Truncated;
        return result;
    }

private:
    GroupState& state() { return stack_.back(); }

    void groupEnds() {
        flushBytes();
        flushText();
        if (state().destination == Destination::FontTable && fontEntry_ >= 0 &&
            !fontName_.trimmed().isEmpty() && stack_.size() >= 2 &&
            stack_[stack_.size() - 2].destination != Destination::FontTable) {
            // The last entry of a table written without its ";".
            finishFontEntry();
        }
        // A last paragraph without its \par takes the alignment the document gave it.
        if (stack_.size() == 1 && !paragraph_.runs.empty())
            endParagraph();
        stack_.pop_back();
        skipCount_ = 0;
    }

    // ---- text ------------------------------------------------------------------------

    bool skippingFallback() {
        if (skipCount_ > 0) {
            --skipCount_;
            return true;
        }
        return false;
    }

    void textByte(char c) {
        if (state().destination == Destination::Skip || skippingFallback())
            return;
        const auto b = static_cast<unsigned char>(c);
        if (state().destination == Destination::ColourTable) {
            if (c == ';')
                finishColour();
            return;
        }
        if (state().destination == Destination::FontTable) {
            if (c == ';') {
                flushBytes();
                finishFontEntry();
            } else if (b >= 0x80) {
                pendingBytes_.append(c);
            } else if (b >= 0x20) {
                flushBytes();
                fontName_ += QLatin1Char(c);
            }
            return;
        }
        if (b >= 0x80) {
            // Raw 8-bit text is not what the format asks for, but some writers do it.
            pendingBytes_.append(c);
            return;
        }
        flushBytes();
        if (c == '\t')
            text_ += QLatin1Char('\t');
        else if (b >= 0x20)
            text_ += QLatin1Char(c);
    }

    void addChar(QChar ch) {
        flushBytes();
        if (state().destination == Destination::Body)
            text_ += ch;
        else if (state().destination == Destination::FontTable)
            fontName_ += ch;
    }

    int currentCodePage() const {
        const int f = stack_.back().font >= 0 ? stack_.back().font : defaultFont_;
        const auto it = fonts_.find(f);
        if (it != fonts_.end() && it->second.codePage)
            return *it->second.codePage;
        return codePage_;
    }

    void flushBytes() {
        if (pendingBytes_.isEmpty())
            return;
        if (stack_.empty()) {
            pendingBytes_.clear();
            return;
        }
        // A font's name is written in the font's own character set.
        const int codePage = state().destination == Destination::FontTable
                                 ? fontCodePage_.value_or(codePage_)
                                 : currentCodePage();
        const QString decoded = withoutControls(decodeCodePage(pendingBytes_, codePage));
        pendingBytes_.clear();
        if (state().destination == Destination::Body)
            text_ += decoded;
        else if (state().destination == Destination::FontTable)
            fontName_ += decoded;
    }

    CharFormat formatOf(const GroupState& s) const {
        CharFormat f;
        const auto it = fonts_.find(s.font >= 0 ? s.font : defaultFont_);
        if (it != fonts_.end())
            f.font = it->second.name;
        f.size = s.halfPoints / 2.0;
        f.bold = s.bold;
        f.italic = s.italic;
        f.underline = s.underline;
        if (s.colour > 0 && s.colour < static_cast<int>(colours_.size()))
            f.colour = std::max(0, colours_[static_cast<std::size_t>(s.colour)]);
        return f;
    }

    // Called before anything that may change the format, so text keeps the format it was
    // written in.
    void flushText() {
        if (text_.isEmpty() || stack_.empty())
            return;
        appendRun(paragraph_, text_, formatOf(state()));
        text_.clear();
    }

    void endParagraph() {
        paragraph_.alignment = stack_.empty() ? Alignment::Left : state().alignment;
        doc_.paragraphs.push_back(std::move(paragraph_));
        paragraph_ = {};
    }

    void finishFontEntry() {
        if (fontEntry_ >= 0) {
            FontEntry& e = fonts_[fontEntry_];
            e.name = fontName_.trimmed();
            e.codePage = fontCodePage_;
        }
        fontEntry_ = -1;
        fontName_.clear();
        fontCodePage_.reset();
    }

    void finishColour() {
        colours_.push_back(colourSeen_ ? red_ + 256 * green_ + 65536 * blue_ : -1);
        red_ = green_ = blue_ = 0;
        colourSeen_ = false;
    }

    // ---- control words ---------------------------------------------------------------

    void control() {
        if (pos_ >= in_.size())
            return;
        const char c = in_[pos_];
        if (!isLetter(c)) {
            ++pos_;
            symbol(c);
            return;
        }
        QByteArray word;
        while (pos_ < in_.size() && isLetter(in_[pos_])) {
            if (word.size() < 32)
                word.append(in_[pos_]);
            ++pos_;
        }
        std::optional<long long> param;
        if (pos_ < in_.size()) {
            qsizetype p = pos_;
            const bool negative = in_[p] == '-';
            if (negative)
                ++p;
            if (p < in_.size() && in_[p] >= '0' && in_[p] <= '9') {
                long long v = 0;
                int digits = 0;
                while (p < in_.size() && in_[p] >= '0' && in_[p] <= '9') {
                    if (digits++ < 10)
                        v = v * 10 + (in_[p] - '0');
                    ++p;
                }
                param = negative ? -v : v;
                pos_ = p;
            }
        }
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_;
        controlWord(word, param);
    }

    void symbol(char c) {
        switch (c) {
        case '\'': {
            const int hi = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
            const int lo = pos_ + 1 < in_.size() ? hexValue(in_[pos_ + 1]) : -1;
            // A broken escape is dropped with its hex digits; the text after it stays.
            if (hi < 0)
                return;
            if (lo < 0) {
                ++pos_;
                return;
            }
            pos_ += 2;
            if (state().destination == Destination::Skip || skippingFallback() ||
                state().destination == Destination::ColourTable)
                return;
            pendingBytes_.append(static_cast<char>(hi * 16 + lo));
            return;
        }
        case '*':
            flushBytes();
            flushText();
            state().destination = Destination::Skip;
            return;
        case '\\':
        case '{':
        case '}':
            if (!skippingFallback() && state().destination != Destination::Skip)
                addChar(QLatin1Char(c));
            return;
        case '~':
            special(QChar(0x00A0));
            return;
        case '_':
            special(QChar(0x2011));
            return;
        case '-': // an optional hyphen: only where the line breaks, never in the text
            return;
        case '\r':
        case '\n': // a backslash before a line end is a paragraph end
            controlWord("par", std::nullopt);
            return;
        case '\t':
            special(QLatin1Char('\t'));
            return;
        default:
            return;
        }
    }

    void special(QChar ch) {
        if (state().destination == Destination::Skip || skippingFallback())
            return;
        addChar(ch);
    }

    static int clampInt(std::optional<long long> v, int lo, int hi, int fallback) {
        if (!v)
            return fallback;
        return static_cast<int>(std::clamp<long long>(*v, lo, hi));
    }

    void controlWord(const QByteArray& w, std::optional<long long> param) {
        GroupState& s = state();
        if (w == "bin") {
            // Raw bytes belong to a picture or object; they are never text.
            flushBytes();
            const long long n = std::max<long long>(0, param.value_or(0));
            pos_ += static_cast<qsizetype>(std::min<long long>(n, in_.size() - pos_));
            return;
        }
        if (s.destination == Destination::Skip)
            return;
        if (w == "u") {
            // Out of the 16-bit range the unit cannot be what the writer meant.
            long long unit = param.value_or(0xFFFD);
            if (unit < -32768 || unit > 65535)
                unit = 0xFFFD;
            if (unit < 0)
                unit += 65536;
            if (!skippingFallback() && (unit >= 0x20 || unit == '\t'))
                addChar(QChar(static_cast<char16_t>(unit)));
            skipCount_ = s.unicodeSkip;
            return;
        }
        // A control word counts as one fallback character of a preceding \u.
        if (skippingFallback())
            return;
        if (w == "tab" || w == "cell") {
            special(QLatin1Char('\t'));
            return;
        }
        if (w == "line") {
            special(QChar(QChar::LineSeparator));
            return;
        }
        static const std::pair<const char*, char16_t> kChars[] = {
            {"emdash", 0x2014},    {"endash", 0x2013},  {"bullet", 0x2022},
            {"lquote", 0x2018},    {"rquote", 0x2019},  {"ldblquote", 0x201C},
            {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002},
        };
        for (const auto& [name, ch] : kChars) {
            if (w == name) {
                special(QChar(ch));
                return;
            }
        }

        flushBytes();
        flushText();
        if (w == "fonttbl") {
            s.destination = Destination::FontTable;
        } else if (w == "colortbl") {
            s.destination = Destination::ColourTable;
        } else if (isSkippedDestination(w)) {
            s.destination = Destination::Skip;
        } else if (s.destination == Destination::FontTable) {
            fontTableWord(w, param);
        } else if (s.destination == Destination::ColourTable) {
            colourTableWord(w, param);
        } else {
            bodyWord(s, w, param);
        }
    }

    void fontTableWord(const QByteArray& w, std::optional<long long> param) {
        if (w == "f") {
            if (fontEntry_ >= 0 && !fontName_.trimmed().isEmpty())
                finishFontEntry();
            fontEntry_ = clampInt(param, 0, 65535, 0);
            fontName_.clear();
            fontCodePage_.reset();
        } else if (w == "fcharset") {
            fontCodePage_ = codePageOfCharset(clampInt(param, 0, 255, 0));
        } else if (w == "cpg") {
            fontCodePage_ = clampInt(param, 0, 65535, kDefaultCodePage);
        }
    }

    void colourTableWord(const QByteArray& w, std::optional<long long> param) {
        const int v = clampInt(param, 0, 255, 0);
        if (w == "red") {
            red_ = v;
            colourSeen_ = true;
        } else if (w == "green") {
            green_ = v;
            colourSeen_ = true;
        } else if (w == "blue") {
            blue_ = v;
            colourSeen_ = true;
        }
    }

    void bodyWord(GroupState& s, const QByteArray& w, std::optional<long long> param) {
        const bool on = !param || *param != 0;
        if (w == "par" || w == "sect" || w == "page" || w == "row") {
            endParagraph();
        } else if (w == "pard") {
            s.alignment = Alignment::Left;
        } else if (w == "ql") {
            s.alignment = Alignment::Left;
        } else if (w == "qc") {
            s.alignment = Alignment::Centre;
        } else if (w == "qr") {
            s.alignment = Alignment::Right;
        } else if (w == "qj") {
            s.alignment = Alignment::Justify;
        } else if (w == "plain") {
            s.font = -1;
            s.halfPoints = 24;
            s.bold = s.italic = s.underline = false;
            s.colour = 0;
        } else if (w == "f") {
            s.font = clampInt(param, 0, 65535, 0);
        } else if (w == "fs") {
            s.halfPoints = clampInt(param, 2, 3276, 24);
        } else if (w == "b") {
            s.bold = on;
        } else if (w == "i") {
            s.italic = on;
        } else if (w == "ulnone") {
            s.underline = false;
        } else if (w == "ul" || (w.startsWith("ul") && w != "ulc" && w.size() > 2)) {
            s.underline = on;
        } else if (w == "cf") {
            s.colour = clampInt(param, 0, 65535, 0);
        } else if (w == "uc") {
            s.unicodeSkip = clampInt(param, 0, 16, 1);
        } else if (w == "deff") {
            defaultFont_ = clampInt(param, 0, 65535, 0);
        } else if (w == "ansicpg") {
            codePage_ = clampInt(param, 0, 65535, kDefaultCodePage);
        } else if (w == "ansi") {
            codePage_ = kDefaultCodePage;
        } else if (w == "mac") {
            codePage_ = 10000;
        } else if (w == "pc") {
            codePage_ = 437;
        } else if (w == "pca") {
            codePage_ = 850;
        }
        // Everything else (\rtf, \viewkind, \sa, \li, \lang ...) leaves the text as it is.
    }

    QByteArrayView in_;
    qsizetype pos_ = 0;
    std::vector<GroupState> stack_;
    RichDocument doc_;
    Paragraph paragraph_;
    QString text_;
    QByteArray pendingBytes_;
    int skipCount_ = 0;
    int codePage_ = kDefaultCodePage;
    int defaultFont_ = 0;
    std::map<int, FontEntry> fonts_;
    int fontEntry_ = -1;
    QString fontName_;
    std::optional<int> fontCodePage_;
    std::vector<int> colours_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colourSeen_ = false;
};

} // namespace

bool looksLikeRtf(QByteArrayView bytes) {
    qsizetype i = 0;
    while (i < bytes.size() &&
           (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.sliced(i).startsWith("{\\rtf");
}

RtfReadResult readRtf(QByteArrayView bytes) {
    return Reader(bytes).run();
}

} // namespace kalvor::text
