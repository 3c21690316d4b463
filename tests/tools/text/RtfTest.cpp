// Our RTF reader and writer on what word processors write into show scripts: hand-written
// fixtures with the control words they emit, a round trip of every attribute, and files
// that are damaged or not RTF at all.
// Plain-text scripts as other editors save them: the German text reads the same whatever
// encoding and line ends the file was written with.
#include "support/TestEnvironment.h"
#include "tools/text/CodePages.h"
#include "tools/text/RtfReader.h"
#include "tools/text/RtfWriter.h"
#include "tools/text/ScriptFile.h"

#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace kalvor::text;
using kalvor::test::readFile;
using kalvor::test::writeFile;

namespace {

// The run that holds `piece`, or null.
const TextRun* runWith(const RichDocument& doc, const QString& piece) {
    for (const Paragraph& p : doc.paragraphs) {
        for (const TextRun& r : p.runs)
            if (r.text.contains(piece))
                return &r;
    }
    return nullptr;
}

struct Expect {
    const char* piece;
    const char* font;
    double size;
    bool bold, italic, underline;
    int colour;
};

} // namespace

TEST(Rtf, WordProcessorFixturesOpenWithTextAndFormatting) {
    struct Fixture {
        const char* what;
        const char* rtf;
        const char* text;
        std::vector<Alignment> alignments;
        std::vector<Expect> runs;
    };
    const Fixture fixtures[] = {
        {"as a simple editor writes it",
         "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1031{\\fonttbl{\\f0\\fnil"
         "\\fcharset0 Calibri;}{\\f1\\fswiss\\fprq2\\fcharset0 Arial;}}\r\n"
         "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
         "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
         "\\pard\\sa200\\sl276\\slmult1\\qc\\b\\f1\\fs32 Act One\\b0\\par\r\n"
         "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22 The king enters. \\cf1\\b F3: Thunder\\cf0"
         "\\b0  plays.\\par\r\n"
         "\\i Gr\\'fc\\'dfe\\i0  und \\ul Stra\\'dfe\\ulnone\\par\r\n"
         "\\pard\\qr\\fs20 Page \\u8364?uro\\tab end\\par\r\n}\r\n",
         "Act One\nThe king enters. F3: Thunder plays.\nGrüße und Straße\nPage €uro\tend",
         {Alignment::Centre, Alignment::Left, Alignment::Left, Alignment::Right},
         {{"Act One", "Arial", 16, true, false, false, 0},
          {"The king", "Calibri", 11, false, false, false, 0},
          {"F3: Thunder", "Calibri", 11, true, false, false, 255},
          {"Grüße", "Calibri", 11, false, true, false, 0},
          {"Straße", "Calibri", 11, false, false, true, 0},
          {"€uro", "Calibri", 10, false, false, false, 0}}},
        {"as a full word processor writes it: panose, code pages, fields, styles, info",
         "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\adeff0\\deff0{\\fonttbl{\\f0\\froman"
         "\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times New Roman{\\*\\falt Times};}"
         "{\\f1\\fswiss\\fcharset204\\fprq2 Arial Cyr;}}\r\n"
         "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green128\\blue0;}\r\n"
         "{\\stylesheet{\\ql \\f0\\fs24 Normal;}{\\*\\cs10 Default Paragraph Font;}}\r\n"
         "{\\info{\\title Script}{\\author Someone}}{\\*\\rsidtbl \\rsid123}\r\n"
         "\\pard\\plain \\ql \\f0\\fs24 {\\f1 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2} "
         "{\\uc2\\u8220\\'93\\'93quoted\\u8221\\'94\\'94}\\par\r\n"
         "\\pard \\qj {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt {\\cf2\\ul link}}}"
         "{\\*\\bkmkstart b1}\\par\r\n}",
         "Привет “quoted”\nlink",
         {Alignment::Left, Alignment::Justify},
         {{"Привет", "Arial Cyr", 12, false, false, false, 0},
          {"quoted", "Times New Roman", 12, false, false, false, 0},
          {"link", "Times New Roman", 12, false, false, true, 128 * 256}}},
        {"with symbols, unknown words and a destination of its own",
         "{\\rtf1\\ansi\\deff0{\\fonttbl\\f0\\fnil Courier New;}"
         "{\\*\\unknownthing {nested} stuff}\\zzz123 \\ltrpar"
         "\\fs28 one\\emdash two\\~three\\line four \\{x\\}\\\\ \\lquote q\\rquote\\-\r\n"
         "\\par}",
         "one—two\u00a0three\u2028four {x}\\ ‘q’",
         {Alignment::Left},
         {{"one", "Courier New", 14, false, false, false, 0}}},
        {"a numbered cue list keeps its numbers",
         "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}{\\*\\listtable{\\list{\\listlevel"
         "{\\leveltext\\'02\\'00.;}}}}\\pard\\qc{\\listtext\\pard\\plain\\f0 1.\\tab}\\ls1 "
         "Thunder\\par}",
         "1.\tThunder",
         {Alignment::Centre},
         {{"Thunder", "Arial", 12, false, false, false, 0}}},
        {"a last paragraph without its \\par",
         "{\\rtf1\\ansi\\pard\\qr\\i right}",
         "right",
         {Alignment::Right},
         {{"right", "", 12, false, true, false, 0}}},
    };
    for (const Fixture& f : fixtures) {
        SCOPED_TRACE(f.what);
        const RtfReadResult r = readRtf(f.rtf);
        EXPECT_EQ(r.status, RtfReadResult::Status::Read);
        EXPECT_EQ(r.document.plainText(), QString::fromUtf8(f.text));
        ASSERT_EQ(r.document.paragraphs.size(), f.alignments.size());
        for (std::size_t i = 0; i < f.alignments.size(); ++i)
            EXPECT_EQ(r.document.paragraphs[i].alignment, f.alignments[i]) << i;
        for (const Expect& e : f.runs) {
            SCOPED_TRACE(e.piece);
            const TextRun* run = runWith(r.document, QString::fromUtf8(e.piece));
            ASSERT_NE(run, nullptr);
            EXPECT_TRUE((run->format == CharFormat{QString::fromUtf8(e.font), e.size, e.bold,
                                                   e.italic, e.underline, e.colour}));
        }
    }
}

TEST(Rtf, RoundTripKeepsEveryAttribute) {
    const auto fmt = [](const char* font, double size, bool b, bool i, bool u, int colour) {
        return CharFormat{QString::fromUtf8(font), size, b, i, u, colour};
    };
    RichDocument doc;
    Paragraph title{Alignment::Centre, {}};
    appendRun(title, QStringLiteral("Act One"), fmt("Arial", 18, true, false, false, 0));
    Paragraph cue{Alignment::Left, {}};
    appendRun(cue, QStringLiteral("Enter {the} king\\queen\t"),
              fmt("Times New Roman", 8.5, false, true, false, 0));
    appendRun(cue, QStringLiteral("F1: Fanfare"),
              fmt("Times New Roman", 12, true, false, false, 255));
    appendRun(cue, QStringLiteral("CMD: "),
              fmt("Times New Roman", 12, true, false, true, 0xFF0000));
    appendRun(cue, QString::fromUtf8("Grüße € Я 😀\u00a0x\u2028next line"),
              fmt("DejaVu Sans", 11, false, false, true, 0x00FF00));
    Paragraph empty{Alignment::Right, {}};
    Paragraph last{Alignment::Justify, {}};
    appendRun(last, QStringLiteral("end"), fmt("Arial", 72, true, true, true, 0x123456));
    doc.paragraphs = {title, cue, empty, last, Paragraph{Alignment::Left, {}}};

    const QByteArray rtf = writeRtf(doc);
    const RtfReadResult back = readRtf(rtf);
    EXPECT_EQ(back.status, RtfReadResult::Status::Read);
    EXPECT_EQ(back.document, doc) << rtf.toStdString();
    for (const char c : rtf)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "RTF is 7-bit text";
}

TEST(Rtf, DamagedOrForeignFilesGiveAStatusAndNeverHang) {
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 7919 + 13) % 251);
    const QByteArray deep =
        "{\\rtf1 " + QByteArray(10000, '{') + "x" + QByteArray(10000, '}') + "}";
    struct Case {
        const char* what;
        QByteArray bytes;
        RtfReadResult::Status status;
        const char* text;
    };
    const Case cases[] = {
        {"binary garbage", garbage, RtfReadResult::Status::NotRtf, ""},
        {"an empty file", QByteArray(), RtfReadResult::Status::NotRtf, ""},
        {"truncated inside the text", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello wor",
         RtfReadResult::Status::Truncated, "Hello wor"},
        {"truncated inside a control word", "{\\rtf1 abc\\par de\\'e",
         RtfReadResult::Status::Truncated, "abc\nde"},
        {"10,000 nested groups", deep, RtfReadResult::Status::TooDeep, ""},
        {"10,000 unclosed groups", "{\\rtf1 " + QByteArray(10000, '{'),
         RtfReadResult::Status::TooDeep, ""},
        {"a picture's binary data longer than the file", "{\\rtf1 a{\\pict\\bin999999999 xyz}",
         RtfReadResult::Status::Truncated, "a"},
        {"numbers out of every range",
         "{\\rtf1{\\colortbl;\\red999\\green-4\\blue99999999999;}\\fs-5\\f99999999999\\cf7"
         "\\uc-3\\u99999999 x\\u-99999 y\\'zzz}",
         RtfReadResult::Status::Read, "\ufffdx\ufffdyzzz"},
        {"closing braces after the end", "{\\rtf1 ok}}}}", RtfReadResult::Status::Read, "ok"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RtfReadResult r = readRtf(c.bytes);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.document.plainText(), QString::fromUtf8(c.text));
    }
}

TEST(ScriptFiles, PlainTextInWindows1252OrUtf8ReadsAndSavesBack) {
    QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray bytes;
        const char* text;
    } cases[] = {
        {"cp1252.txt", QByteArray("Gr\xfc\xdf") + "e \x80 \x93quoted\x94\r\nline 2\r\n",
         "Grüße € “quoted”\nline 2"},
        {"utf8.txt", QByteArray("\xef\xbb\xbfGr\xc3\xbc\xc3\x9f") + "e\nzwei", "Grüße\nzwei"},
        {"rtf-under-other-name.doc", "{\\rtf1 rich}", "rich"},
        {"plain-under-other-name.asc", "plain", "plain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        writeFile(path, c.bytes);
        const ScriptRead r = readScriptFile(path);
        ASSERT_EQ(r.status, ScriptRead::Status::Read);
        const QString text = r.kind == ScriptKind::Plain ? r.plain : r.rich.plainText();
        EXPECT_EQ(text, QString::fromUtf8(c.text));
    }
    const QString saved = dir.filePath(QStringLiteral("saved.txt"));
    ASSERT_TRUE(writeScriptFile(saved, {}, QString::fromUtf8("Grüße\nzwei"), nullptr));
    EXPECT_EQ(readFile(saved), QByteArray("Gr\xc3\xbc\xc3\x9f") + "e\r\nzwei\r\n");
    EXPECT_EQ(readScriptFile(saved).plain, QString::fromUtf8("Grüße\nzwei"));
}

TEST(ScriptFiles, ShortDocumentNameForTheRemoteUnit) {
    const struct {
        const char* path;
        const char* shortName;
    } cases[] = {
        {"/shows/Hamlet.rtf", "Hamlet"},
        {"/shows/A Midsummer Night.rtf", "A Midsummer~"},
        {"/shows/Twelve chars.txt", "Twelve chars"},
        {"C:\\Scripts\\Faust.RTF", "Faust"},
        {"", ""},
    };
    for (const auto& c : cases) {
        ScriptDocument d;
        d.setPath(QString::fromUtf8(c.path));
        EXPECT_EQ(d.shortDocumentName(), QString::fromUtf8(c.shortName)) << c.path;
    }
}

TEST(ScriptFiles, LinesForTheRemoteUnitComeFromTheSavedScript) {
    QTemporaryDir dir;
    const QString rtf = dir.filePath(QStringLiteral("cues.rtf"));
    writeFile(
        rtf, R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Arial;}}\f0 Act 1\par {\b F1: }Thunder\par})");
    ScriptDocument d;
    d.setPath(rtf);
    EXPECT_EQ(d.lines(), QStringList({"Act 1", "F1: Thunder"}));
    d.setMissing(true);
    EXPECT_TRUE(d.lines().isEmpty());
    d.setPath(dir.filePath(QStringLiteral("gone.txt")));
    EXPECT_TRUE(d.lines().isEmpty());
}

namespace kalvor::test {
namespace {

QByteArray encoded(QStringEncoder::Encoding encoding, const QString& text) {
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

TEST(PlainScript, GermanTextReadsTheSameInEveryEncodingEditorsUse) {
    const QString expected = QStringLiteral("Akt 1: Gewitter über Köln\nSätze, Grüße");
    const QString crlf = QString(expected).replace(u'\n', QStringLiteral("\r\n")) + "\r\n";
    const struct {
        const char* what;
        QByteArray bytes;
    } rows[] = {
        {"Windows-1252", "Akt 1: Gewitter \xfc"
                         "ber K\xf6ln\r\nS\xe4tze, Gr\xfc\xdf"
                         "e\r\n"},
        {"UTF-8 with LF", expected.toUtf8() + "\n"},
        {"UTF-8 with byte order mark", encoded(QStringEncoder::Utf8, crlf)},
        {"UTF-16 little-endian (Notepad's Unicode)", encoded(QStringEncoder::Utf16LE, crlf)},
        {"UTF-16 big-endian", encoded(QStringEncoder::Utf16BE, crlf)},
    };
    const QString dir = freshFolder(QStringLiteral("plain-scripts"));
    for (const auto& row : rows) {
        const QString path = dir + QStringLiteral("/script.txt");
        writeFile(path, row.bytes);
        const text::ScriptRead read = text::readScriptFile(path);
        EXPECT_EQ(read.status, text::ScriptRead::Status::Read) << row.what;
        EXPECT_EQ(read.kind, text::ScriptKind::Plain) << row.what;
        EXPECT_EQ(read.plain.toStdString(), expected.toStdString()) << row.what;
    }
}

} // namespace
} // namespace kalvor::test
