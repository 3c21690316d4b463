// The settings store as a booth machine meets it: a fresh user, hand-edited files in any
// letter case, values with decimal commas, and garbage that must not cost the other keys.
#include "core/Settings.h"
#include "core/UiLanguage.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace kalvor;
using kalvor::test::freshFolder;
using kalvor::test::readFile;
using kalvor::test::writeFile;

namespace {

QString iniPath() {
    return freshFolder(QStringLiteral("settings")) + QStringLiteral("/Kalvor.ini");
}

} // namespace

// One key of each kind: the defaults that shape a fresh user's first show.
TEST(Settings, FreshUserStartsWithTheDocumentedDefaults) {
    test::ScriptedDialogs dialogs;
    Settings s(iniPath());
    s.load();
    struct Case {
        const char16_t* key;
        const char* expected;
    };
    const Case cases[] = {
        {u"Language", "english"},
        {u"EndSignalRange", "10"},
        {u"ButtonColorPlayNew", "65280"},
        {u"ComDevice4", "/dev/ttyS3"},
        {u"EnableCom", "OFF"},
        {u"XKeysStickLeds", "ON"},
        {u"SoundListFontSize", "8,25"},
        {u"PreviewVolume", "94"},
        {u"TouchScreenFontBold", "True"},
        {u"LineFunctionNo. 24", "0"},
        {u"LineFunctionText 07", "OFF (no function assigned)"},
    };
    for (const auto& c : cases) {
        const QString key = QString::fromUtf16(c.key);
        EXPECT_EQ(s.text(key), QString::fromLatin1(c.expected)) << qPrintable(key);
        EXPECT_TRUE(s.isDefault(key)) << qPrintable(key);
    }
    EXPECT_TRUE(s.isOn(u"XKeysStickLeds") && s.boolean(u"TouchScreenFontBold"));
    EXPECT_TRUE(dialogs.messages().isEmpty()) << "a fresh user sees no error";
}

TEST(Settings, KeysMatchWithoutRegardToCase) {
    test::ScriptedDialogs dialogs;
    // A file edited by hand in other letter cases reaches the same values.
    const QString handPath = iniPath();
    writeFile(handPath, "[user]\r\ntooltips=0\r\nBUFFERSIZE=750\r\n[MIDI]\r\nusemidiin=1\r\n");
    Settings hand(handPath);
    hand.load();
    EXPECT_EQ(hand.integer(u"ToolTips"), 0);
    EXPECT_EQ(hand.integer(u"BufferSize"), 750);
    EXPECT_EQ(hand.text(u"UseMIDIIn"), QStringLiteral("1"));
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST(Settings, TextValuesStayRawTextAndBlankKeysAreWrittenAsTheyAre) {
    test::ScriptedDialogs dialogs;
    const QString path = iniPath();
    {
        Settings s(path);
        s.setText(u"SoundListFontSize", QStringLiteral("9,75"));
        s.setText(u"KR-2 Quick Select", QStringLiteral("ON"));
        s.setInteger(u"LineFunctionNo. 03", 12);
        s.setText(u"DefaultPlayList", QStringLiteral("/shows/a, b; \"c\" = d.kal"));
        s.setOn(u"EnableCom", true);        // an "ON"/"OFF" key
        s.setOn(u"LoadLastPlaylist", true); // a "1"/"0" key
        ASSERT_TRUE(s.sync());
    }
    const QByteArray file = readFile(path);
    EXPECT_TRUE(file.contains("SoundListFontSize=9,75\r\n")) << file.constData();
    EXPECT_TRUE(file.contains("KR-2 Quick Select=ON\r\n")) << file.constData();
    EXPECT_TRUE(file.contains("[GPIO]\r\n")) << file.constData();
    EXPECT_TRUE(file.contains("LineFunctionNo. 03=12\r\n")) << file.constData();
    EXPECT_TRUE(file.contains("EnableCom=ON\r\n") && file.contains("LoadLastPlaylist=1\r\n"));

    Settings s(path);
    s.load();
    EXPECT_EQ(s.text(u"SoundListFontSize"), QStringLiteral("9,75"));
    EXPECT_EQ(s.text(u"kr-2 quick select"), QStringLiteral("ON"));
    EXPECT_EQ(s.integer(u"LineFunctionNo. 03"), 12);
    EXPECT_TRUE(s.isOn(u"EnableCom") && s.isOn(u"LoadLastPlaylist"));
    EXPECT_EQ(s.text(u"DefaultPlayList"), QStringLiteral("/shows/a, b; \"c\" = d.kal"));
}

TEST(Settings, AValueThatDoesNotConvertIsReportedOnceAndReplacedByItsDefault) {
    test::ScriptedDialogs dialogs;
    const QString path = iniPath();
    writeFile(path, "[User]\r\nBufferSize=abc\r\nSampleRate=48000\r\nLogFontBold=perhaps\r\n"
                    "SceneRollbackTime=12.5\r\nEndSignalRange= 7 \r\n");
    Settings s(path);
    // Start-up reads a few keys before the full read; that must not report them twice.
    EXPECT_EQ(s.integer(u"BufferSize"), 500);
    s.load();

    struct Case {
        const char16_t* key;
        int value;
        bool reported;
    };
    const Case cases[] = {
        {u"BufferSize", 500, true},       // not a number
        {u"SceneRollbackTime", 30, true}, // not a whole number
        {u"SampleRate", 48000, false},
        {u"EndSignalRange", 7, false}, // blanks around a number are fine
    };
    const auto boxes = dialogs.messages();
    for (const auto& c : cases) {
        const QString key = QString::fromUtf16(c.key);
        EXPECT_EQ(s.integer(key), c.value) << qPrintable(key);
        int mentions = 0;
        for (const auto& b : boxes)
            mentions += b.text.contains(QStringLiteral("User/") + key) ? 1 : 0;
        EXPECT_EQ(mentions, c.reported ? 1 : 0) << qPrintable(key);
    }
    EXPECT_FALSE(s.boolean(u"LogFontBold"));
    ASSERT_EQ(boxes.size(), 3); // BufferSize, SceneRollbackTime, LogFontBold
    for (const auto& b : boxes) {
        EXPECT_EQ(b.title, QStringLiteral("Error!"));
        EXPECT_EQ(b.icon, MessageIcon::Critical);
        EXPECT_TRUE(b.text.startsWith(QStringLiteral("Error 13 = Type mismatch")));
        EXPECT_TRUE(b.text.contains(QStringLiteral("reported in module 'LoadRegistrySettings'")));
    }
    // Reading again does not report again; the stored text is kept for the user to fix.
    EXPECT_EQ(s.integer(u"BufferSize"), 500);
    EXPECT_EQ(dialogs.messages().size(), 3);
    EXPECT_TRUE(readFile(path).contains("BufferSize=abc"));
}

TEST(Settings, GarbageInTheFileCostsNothingElse) {
    test::ScriptedDialogs dialogs;
    const QString path = iniPath();
    const char head[] = "\x00\xff\xfe[[[\r\n=novalue\r\nno equals sign at all\r\n";
    QByteArray junk(head, sizeof(head) - 1); // keeps the NUL byte
    junk += "[User]\r\nLanguage=deutsch\r\nUnknownKey=kept\r\n";
    junk += QByteArray(100000, 'x') + "\r\n";
    junk += "ComMode=KR-1\n"; // a line with LF only
    writeFile(path, junk);
    {
        Settings s(path);
        s.load();
        EXPECT_EQ(s.text(u"Language"), QStringLiteral("deutsch"));
        EXPECT_EQ(s.text(u"ComMode"), QStringLiteral("KR-1"));
        s.setText(u"BaudRate", QStringLiteral("57600"));
        ASSERT_TRUE(s.sync());
    }
    // Writing one key keeps keys we do not know of.
    const QByteArray after = readFile(path);
    EXPECT_TRUE(after.contains("UnknownKey=kept"));
    EXPECT_TRUE(after.contains("Language=deutsch"));
    EXPECT_TRUE(after.contains("BaudRate=57600"));
}

TEST(Settings, GpioLineCaptionsDefaultToTheCurrentLanguage) {
    test::ScriptedDialogs dialogs;
    UiLanguage::instance().set(Language::German);
    Settings s(iniPath());
    s.load();
    EXPECT_EQ(s.text(u"LineFunctionText 01"), QStringLiteral("AUS (keine Funktion gewählt)"));
    UiLanguage::instance().set(Language::English);
}

// Whatever a single write stores, the next start reads back unchanged.
TEST(Settings, EveryWrittenValueReadsBackTheSame) {
    test::ScriptedDialogs dialogs;
    struct Case {
        const char16_t* key;
        const char16_t* value;
    };
    const Case cases[] = {
        {u"DefaultSoundPath", u"/home/jörg/Töne für Ärzte/"},
        {u"DefaultPlayList", u"/shows/My Show/act 1.kal"},
        {u"LoggingBackupPath", u"/srv/log backup "},
        {u"StartOffsetPresetInfo3", u"  intro, bar 12"},
        {u"StartOffsetPresetInfo4", u"line one\nline two"},
        {u"LogFontName", u"DejaVu Sans = ; # [x]"},
        {u"StartOffsetPresetInfo5", u"\"Overture\" \\ take 2\""},
        {u"CDExtractPath", u"C:\\Music\\CD"},
        {u"AutoCueLevel", u"-25"},
        {u"DefaultPlayListDir", u""},
    };
    const QString path = iniPath();
    {
        Settings s(path);
        s.setText(u"DefaultPlayListDir", QStringLiteral("/tmp"));
        for (const auto& c : cases)
            s.setText(QString::fromUtf16(c.key), QString::fromUtf16(c.value));
        ASSERT_TRUE(s.sync());
    }
    // A fresh path, as the next start reads it: nothing cached from the write.
    const QString next = iniPath();
    writeFile(next, readFile(path));
    Settings s(next);
    s.load();
    for (const auto& c : cases)
        EXPECT_EQ(s.text(QString::fromUtf16(c.key)), QString::fromUtf16(c.value))
            << qPrintable(QString::fromUtf16(c.key));
    EXPECT_TRUE(dialogs.messages().isEmpty());
}
