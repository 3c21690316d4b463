// The text reader as the operator uses it during a show, through its real widgets on the
// offscreen platform, with a show on the offline device behind it.
#include "core/UiLanguage.h"
#include "mainwindow/Hotkeys.h"
#include "mainwindow/ui/BoothStyle.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"
#include "tools/ui/TextReaderRtf.h"
#include "tools/ui/TextReaderWindow.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using Tool = TextReaderWindow::Tool;

namespace {

struct ReaderRig : ShowRig {
    ReaderRig() {
        UiLanguage::instance().set(Language::English);
        loadChannel(0, {tone(QStringLiteral("Thunder roll"), 2.0)});
        loadChannel(2, {tone(QStringLiteral("  Birds  "), 2.0)});
        show->presets().NewPreset(); // 0: no place in the text
        show->presets().NewPreset(); // 1
        reader = std::make_unique<TextReaderWindow>(*show, *settings, script);
        reader->attachToPlaylists(show->playlists());
    }
    ~ReaderRig() { UiLanguage::instance().set(Language::English); }

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = QDir(folder).filePath(name);
        writeFile(path, bytes);
        return path;
    }
    void open(const QString& path) {
        dialogs.answerFiles({{path}});
        reader->tool(Tool::Open)->trigger();
    }
    void clickPreset(int row) {
        QListWidget* list = reader->presetList();
        const QRect r = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    }
    void cursorTo(int position) {
        QTextCursor c = reader->editor()->textCursor();
        c.setPosition(position);
        reader->editor()->setTextCursor(c);
    }
    text::ScriptDocument script;
    std::unique_ptr<TextReaderWindow> reader;
};

QTextCharFormat formatAt(QTextEdit* edit, int position) {
    QTextCursor c(edit->document());
    c.setPosition(position + 1);
    return c.charFormat();
}

} // namespace

TEST(TextReader, PlainTextOpensInSystemEightBlackAndSavesAsText) {
    ReaderRig rig;
    rig.reader->editor()->setHtml(QStringLiteral("<p><b style='color:red'>old</b></p>"));
    const QString path =
        rig.write(QStringLiteral("Hamlet act one.txt"), "Enter \x93Hamlet\x94 \x96 Gr\xfc\xdf"
                                                        "e\r\nsecond line\r\n");
    rig.open(path);
    QTextEdit* edit = rig.reader->editor();
    EXPECT_EQ(edit->toPlainText(), QString::fromUtf8("Enter “Hamlet” – Grüße\nsecond line"));
    for (int at : {0, 20}) {
        const QTextCharFormat f = formatAt(edit, at);
        EXPECT_EQ(f.fontFamilies().toStringList(), QStringList{QStringLiteral("System")});
        EXPECT_EQ(f.fontPointSize(), 8);
        EXPECT_LT(f.fontWeight(), QFont::DemiBold);
        EXPECT_FALSE(f.fontItalic());
        EXPECT_EQ(f.foreground().color(), QColor(Qt::black));
    }
    EXPECT_EQ(rig.reader->windowTitle(), QStringLiteral("Text Reader (Hamlet act one.txt)"));
    EXPECT_EQ(rig.reader->shortDocumentName(), QStringLiteral("Hamlet act ~"));

    // The save dialog offers the text filter first and the old name without ".txt".
    const auto offer = rig.reader->saveOffer();
    EXPECT_TRUE(offer.filter.startsWith(QStringLiteral("Text files (*.txt)")))
        << offer.filter.toStdString();
    EXPECT_EQ(offer.suggestedPath, QDir(rig.folder).filePath(QStringLiteral("Hamlet act one")));

    struct Case {
        const char* what;
        MessageResult answer;
        bool written;
    };
    const Case cases[] = {{"No keeps the old file", MessageResult::No, false},
                          {"Yes replaces it", MessageResult::Yes, true}};
    for (const Case& c : cases) {
        const QString target = rig.write(QStringLiteral("target.txt"), "before\r\n");
        rig.dialogs.clear();
        rig.dialogs.answerFiles({{target}});
        rig.dialogs.answerMessages({c.answer});
        rig.reader->tool(Tool::SaveAs)->trigger();
        ASSERT_EQ(rig.dialogs.messages().size(), 1) << c.what;
        const RecordedBox box = rig.dialogs.messages().front();
        EXPECT_EQ(box.text, QStringLiteral("File exists! Overwrite?"));
        EXPECT_EQ(box.defaultButton, MessageResult::No);
        EXPECT_EQ(readFile(target).startsWith("Enter"), c.written) << c.what;
    }
}

TEST(TextReader, StoredPlacesFollowRecallsFromAnySource) {
    ReaderRig rig;
    rig.reader->editor()->setPlainText(QStringLiteral("Scene one.\nThe storm begins here.\nEnd."));
    // "Save line" changes nothing without a text or without a selected preset.
    struct Case {
        const char* what;
        bool emptyText;
        int selected;
    };
    const Case nothing[] = {{"empty text", true, 1}, {"no preset selected", false, -1}};
    for (const Case& c : nothing) {
        const QString keep = rig.reader->editor()->toPlainText();
        if (c.emptyText)
            rig.reader->editor()->clear();
        rig.store.presets().setSelected(c.selected);
        rig.store.announcePresets();
        rig.cursorTo(0);
        QTest::mouseClick(rig.reader->saveLineButton(), Qt::LeftButton);
        for (int p = 0; p < 2; ++p)
            EXPECT_EQ(rig.store.presets().slot(p).textReaderPosition, -1) << c.what;
        rig.reader->editor()->setPlainText(keep);
    }

    // Preset 2 remembers "storm".
    rig.clickPreset(1);
    EXPECT_EQ(rig.store.presets().selected(), 1) << "the main list follows";
    rig.cursorTo(15);
    QTest::mouseClick(rig.reader->saveLineButton(), Qt::LeftButton);
    EXPECT_EQ(rig.store.presets().slot(1).textReaderPosition, 15);

    // A preset without a place leaves the cursor where the operator reads.
    rig.cursorTo(30);
    rig.clickPreset(0);
    EXPECT_EQ(rig.store.presets().current(), 0);
    EXPECT_EQ(rig.reader->editor()->textCursor().position(), 30);
    EXPECT_FALSE(rig.reader->editor()->textCursor().hasSelection());

    // Its recall from the list, and from the main window's next button, select "s".
    for (const bool fromList : {true, false}) {
        rig.cursorTo(2);
        if (fromList) {
            rig.clickPreset(1);
        } else {
            rig.store.presets().setSelected(0);
            rig.show->recall().NextPreset();
        }
        const QTextCursor c = rig.reader->editor()->textCursor();
        EXPECT_EQ(c.selectionStart(), 15);
        EXPECT_EQ(c.selectedText(), QStringLiteral("s"));
    }
}

TEST(TextReader, MarksFindFormatAndTooltips) {
    ReaderRig rig;
    QTextEdit* edit = rig.reader->editor();
    edit->setPlainText(QStringLiteral("the theatre, the end "));
    rig.cursorTo(edit->document()->characterCount() - 1);
    QMenu* marks = rig.reader->soundInfoMenu();
    Q_EMIT marks->aboutToShow();
    const QList<QAction*> entries = marks->actions();
    EXPECT_EQ(entries.at(0)->text(), QStringLiteral("F1: Thunder roll"));
    EXPECT_EQ(entries.at(2)->text(), QStringLiteral("F3: Birds"));
    entries.at(2)->trigger();
    entries.last()->trigger();
    EXPECT_TRUE(edit->toPlainText().endsWith(QStringLiteral("the end F3: BirdsCMD: ")));
    for (int at : {22, 31}) {
        const QTextCharFormat f = formatAt(edit, at);
        EXPECT_GE(f.fontWeight(), QFont::Bold);
        EXPECT_FALSE(f.fontItalic());
        EXPECT_EQ(f.foreground().color(), QColor(255, 0, 0));
    }
    // Bold shows on the toolbar where the cursor stands in a mark.
    rig.cursorTo(25);
    EXPECT_TRUE(rig.reader->tool(Tool::Bold)->isChecked());
    rig.cursorTo(5);
    EXPECT_FALSE(rig.reader->tool(Tool::Bold)->isChecked());

    // Whole words from the cursor; then from behind the selection; then the message.
    rig.cursorTo(0);
    const int starts[] = {0, 13};
    for (int start : starts) {
        rig.dialogs.answerInputs({QStringLiteral("the")});
        rig.reader->tool(Tool::Find)->trigger();
        EXPECT_EQ(edit->textCursor().selectionStart(), start);
        EXPECT_EQ(edit->textCursor().selectedText(), QStringLiteral("the"));
    }
    rig.dialogs.clear();
    rig.dialogs.answerInputs({QStringLiteral("the")});
    rig.reader->tool(Tool::Find)->trigger();
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_EQ(rig.dialogs.messages().front().text, QStringLiteral("Search text not found!"));

    // The toolbar is labelled again on a language switch.
    UiLanguage::instance().set(Language::German);
    EXPECT_EQ(rig.reader->tool(Tool::SaveAs)->toolTip(),
              QStringLiteral("Datei speichern unter ..."));
    EXPECT_EQ(rig.reader->windowTitle(), QStringLiteral("Text Anzeige"));
    UiLanguage::instance().set(Language::English);

    // On paper: the marks and the text, through the printer chosen.
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(QDir(rig.folder).filePath(QStringLiteral("script.pdf")));
    rig.reader->choosePrinter = [&] {
        return &pdf;
    };
    rig.reader->tool(Tool::Print)->trigger();
    EXPECT_GT(QFileInfo(pdf.outputFileName()).size(), 1000);
}

TEST(TextReader, PlayButtonsAndKeysReachTheChannels) {
    ReaderRig rig;
    HotkeyDecoder keys(*rig.show, *rig.settings, {});
    rig.reader->passKey = [&](QKeyEvent* e) {
        const KeyStroke stroke = toKeyStroke(*e);
        return e->type() == QEvent::KeyPress ? keys.keyDown(stroke, e->isAutoRepeat())
                                             : keys.keyUp(stroke, e->isAutoRepeat());
    };
    QTextEdit* edit = rig.reader->editor();
    edit->setPlainText(QStringLiteral("text"));

    QTest::mousePress(rig.reader->playButton(2), Qt::LeftButton);
    QTest::mouseRelease(rig.reader->playButton(2), Qt::LeftButton);
    EXPECT_TRUE(KAE__Channel_IsPlaying(2));
    EXPECT_EQ(rig.store.selectedChannel(), 2);
    QTest::mousePress(rig.reader->playButton(2), Qt::RightButton);
    EXPECT_FALSE(KAE__Channel_IsPlaying(2)) << "the right button stops";

    QTest::keyPress(edit, Qt::Key_F1);
    QTest::keyRelease(edit, Qt::Key_F1);
    QTest::keyPress(edit, Qt::Key_F3);
    EXPECT_TRUE(KAE__Channel_IsPlaying(0));
    EXPECT_TRUE(KAE__Channel_IsPlaying(2));
    EXPECT_EQ(edit->toPlainText(), QStringLiteral("text")) << "keys never type into the script";
    QTest::keyPress(edit, Qt::Key_Escape);
    EXPECT_FALSE(KAE__Channel_IsPlaying(0));
    EXPECT_FALSE(KAE__Channel_IsPlaying(2));
}

TEST(TextReader, ThePlaylistBringsItsScriptBack) {
    ReaderRig rig;
    const QString script =
        rig.write(QStringLiteral("Cues.rtf"),
                  "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 {\\b\\cf0 Act} one\\par}");
    rig.open(script);
    const QString show = QDir(rig.folder).filePath(QStringLiteral("show.kal"));
    ASSERT_EQ(rig.show->playlists().SavePlaylist(show, false), playlist::SaveOutcome::Saved);

    rig.reader->tool(Tool::Close)->trigger(); // answered No: nothing happens
    EXPECT_EQ(rig.reader->editor()->toPlainText(), QStringLiteral("Act one"));
    rig.dialogs.answerMessages({MessageResult::Yes});
    rig.reader->tool(Tool::Close)->trigger();
    EXPECT_TRUE(rig.reader->editor()->document()->isEmpty());

    rig.show->LoadPlaylist(show);
    EXPECT_EQ(rig.reader->editor()->toPlainText(), QStringLiteral("Act one"));
    EXPECT_EQ(rig.reader->windowTitle(), QStringLiteral("Text Reader (Cues.rtf)"));
    EXPECT_EQ(rig.reader->shortDocumentName(), QStringLiteral("Cues"));
    EXPECT_EQ(rig.reader->presetList()->count(), 2);

    QFile::remove(script);
    rig.show->LoadPlaylist(show);
    EXPECT_TRUE(rig.reader->editor()->toPlainText().contains(QStringLiteral("could not be found")));
    EXPECT_EQ(rig.reader->windowTitle(), QStringLiteral("Text Reader"));
    EXPECT_TRUE(rig.reader->shortDocumentName().isEmpty());
    EXPECT_EQ(rig.show->playlists().currentDocument().textReaderLink.name,
              QStringLiteral("Cues.rtf"))
        << "the link survives a machine without the file";
}

TEST(TextReader, TheEditorKeepsEveryAttributeTheFilesKeep) {
    using namespace kalvor::text;
    RichDocument doc;
    const Alignment alignments[] = {Alignment::Left, Alignment::Centre, Alignment::Right,
                                    Alignment::Justify};
    for (const Alignment a : alignments) {
        Paragraph p{a, {}};
        appendRun(p, QStringLiteral("plain "),
                  {QStringLiteral("Arial"), 10.5, false, false, false, 0});
        appendRun(p, QStringLiteral("F2: Rain"),
                  {QStringLiteral("Arial"), 12, true, false, false, 255});
        appendRun(p, QString::fromUtf8(" Grüße\t€"),
                  {QStringLiteral("DejaVu Serif"), 30, false, true, true, 0x336699});
        doc.paragraphs.push_back(p);
    }
    doc.paragraphs.push_back(Paragraph{Alignment::Left, {}});
    QTextDocument qt;
    fillTextDocument(qt, doc);
    EXPECT_EQ(richDocumentOf(qt), doc);
}

TEST(TextReader, BadFilesKeepTheTextAndSaySo) {
    ReaderRig rig;
    rig.reader->editor()->setPlainText(QStringLiteral("keep me"));
    QByteArray garbage(2048, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>(i * 31 % 256);
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* message;
        bool kept;
    };
    const Case cases[] = {
        {"missing.rtf", {}, "File not found!", true},
        {"garbage.rtf", garbage, "The file is not an RTF document:", true},
        {"deep.rtf", "{\\rtf1 " + QByteArray(10000, '{') + "x", "nested too deeply", true},
        {"truncated.rtf", "{\\rtf1 half a scr", "ends early", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = c.bytes.isEmpty() ? QDir(rig.folder).filePath(QLatin1String(c.name))
                                               : rig.write(QLatin1String(c.name), c.bytes);
        rig.dialogs.clear();
        rig.open(path);
        ASSERT_EQ(rig.dialogs.messages().size(), 1);
        EXPECT_TRUE(rig.dialogs.messages().front().text.contains(QLatin1String(c.message)));
        EXPECT_EQ(rig.reader->editor()->toPlainText() == QStringLiteral("keep me"), c.kept);
    }
    EXPECT_EQ(rig.reader->editor()->toPlainText(), QStringLiteral("half a scr"));
}

// Pictures of the window with a script, for checking the look:
// KALVOR_SHOTS_DIR=/tmp/shots tools_text_test --gtest_filter='Screenshots.*'
TEST(Screenshots, TextReaderWithAScript) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "KALVOR_SHOTS_DIR not set";
    applyBoothStyle(*qApp);
    ReaderRig rig;
    const QString script = rig.write(
        QStringLiteral("The Tempest.rtf"),
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Liberation Serif;}{\\f1\\fswiss "
        "Liberation Sans;}}{\\colortbl ;\\red255\\green0\\blue0;\\red40\\green40\\blue140;}"
        "\\pard\\qc\\f1\\fs36\\b The Tempest\\b0\\par\\fs24\\i Act I, Scene 1 \\endash  On a "
        "ship at sea\\i0\\par\\pard\\par\\f0\\fs26 {\\cf1\\b F1: Thunder roll} A tempestuous "
        "noise of thunder and lightning heard. Enter a Shipmaster and a Boatswain.\\par\\par"
        "{\\b MASTER.} Boatswain!\\par{\\b BOATSWAIN.} Here, master. What cheer?\\par{\\b "
        "MASTER.} Good, speak to th\\rquote mariners. Fall to\\rquote t yarely, or we run "
        "ourselves aground. Bestir, bestir!\\par\\par{\\cf1\\b F3: Birds} {\\cf1\\b CMD: } "
        "{\\cf2\\i Exit. Enter Mariners.}\\par\\par{\\b BOATSWAIN.} Heigh, my hearts! Cheerly, "
        "cheerly, my hearts! Yare, yare! Take in the topsail. Tend to th\\rquote master\\rquote s "
        "whistle.\\par}");
    rig.open(script);
    rig.store.presets().rename(0, QStringLiteral("Pre-show"));
    rig.store.presets().rename(1, QStringLiteral("Storm"));
    rig.store.announcePresets();
    rig.show->playback().PressPlay(0);
    for (const Language lang : {Language::English, Language::German}) {
        UiLanguage::instance().set(lang);
        rig.reader->resize(1280, 760);
        rig.reader->show();
        QCoreApplication::processEvents();
        const QString name = lang == Language::English ? QStringLiteral("text-reader-en.png")
                                                       : QStringLiteral("text-reader-de.png");
        ASSERT_TRUE(rig.reader->grab().save(QDir(dir).filePath(name)));
    }
}
