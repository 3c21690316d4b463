// The options dialog as the operator drives it: every control through a save and a
// restart, the path checks' Retry and Cancel, the default level, the pages callers open,
// the language and tooltip switches reaching the main window, and the refusals.
// The dialog lives from start-up on; settings change outside it meanwhile (a hotkey, the
// overview's menu, a remote unit's keys). Shown again, it must show them, or its save
// would put back what it held before.
#include "tools/ui/OptionsDialog.h"
#include "StripsRig.h"
#include "app/XkeysGpioWiring.h"
#include "core/SettingKeys.h"
#include "core/Settings.h"
#include "mainwindow/PlayLogControl.h"
#include "mainwindow/ui/LogPage.h"
#include "mainwindow/ui/SoundOptionsPanel.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"
#include "tools/OptionTree.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

struct OptionsRig {
    OptionsRig() {
        const auto listed = [](QStringList names) {
            return [names] {
                return names;
            };
        };
        OptionDevices devices;
        devices.midiInputs = listed({QStringLiteral("Port A")});
        devices.midiOutputs = listed({QStringLiteral("Port B")});
        devices.audioOutputs = listed({QStringLiteral("Out 1"), QStringLiteral("Out 2")});
        OptionsHooks hooks;
        hooks.switchLanguage = [this](bool german) {
            main.window->switchLanguage(german);
        };
        hooks.tooltipsChanged = [this](bool on) {
            main.window->applyTooltips(on);
        };
        hooks.changeBufferSize = [this](int ms) {
            bufferSizes << ms;
        };
        hooks.saved = [this] {
            main.window->applySettings();
        };
        folder = freshFolder(QStringLiteral("options"));
        dialog = std::make_unique<OptionsDialog>(settings(), main.rig.show.get(), devices, hooks);
        dialog->loadFtpList(folder + QStringLiteral("/kalvor.ftp"));
    }
    Settings& settings() { return *main.rig.settings; }
    template <class T> T* w(const QString& name) {
        T* x = dialog->findChild<T*>(name);
        EXPECT_NE(x, nullptr) << qPrintable(name);
        return x;
    }
    void click(const char* name) { w<QPushButton>(QLatin1String(name))->click(); }

    StripsRig main;
    std::unique_ptr<OptionsDialog> dialog;
    QList<int> bufferSizes;
    QString folder;
};

// Sets a control as the operator would; radio buttons are chosen by name.
void drive(QObject* o, const QString& value) {
    if (auto* b = qobject_cast<QCheckBox*>(o))
        b->setChecked(value == QLatin1String("1"));
    else if (auto* r = qobject_cast<QRadioButton*>(o))
        r->setChecked(true);
    else if (auto* s = qobject_cast<QSpinBox*>(o))
        s->setValue(value.toInt());
    else if (auto* c = qobject_cast<QComboBox*>(o))
        c->setCurrentIndex(c->findData(value) >= 0 ? c->findData(value) : c->findText(value));
    else if (auto* l = qobject_cast<QLineEdit*>(o))
        l->setText(value);
    else if (auto* p = qobject_cast<QPushButton*>(o))
        setSwatchColour(p, value.toInt());
}

// What the control shows, in the form `drive` takes.
QString shown(QObject* o) {
    if (auto* b = qobject_cast<QCheckBox*>(o))
        return b->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (auto* r = qobject_cast<QRadioButton*>(o))
        return r->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (auto* s = qobject_cast<QSpinBox*>(o))
        return QString::number(s->value());
    if (auto* c = qobject_cast<QComboBox*>(o))
        return c->currentData().isValid() ? c->currentData().toString() : c->currentText();
    if (auto* l = qobject_cast<QLineEdit*>(o))
        return l->text();
    if (auto* p = qobject_cast<QPushButton*>(o))
        return QString::number(swatchColour(p));
    return {};
}

TEST(OptionsDialog, EveryControlSurvivesASaveAndARestart) {
    OptionsRig r;
    // Keys the dialog does not own keep their values; garbage is reported at the read,
    // shown as the default and written back as the default.
    r.settings().setText(u"OverviewLeft", QStringLiteral("77"));
    r.settings().setText(u"LogFontName", QStringLiteral("Arial"));
    r.settings().setText(u"LogColWidth", QStringLiteral("wide"));
    r.settings().load();
    EXPECT_EQ(r.main.rig.dialogs.messages().size(), 1);
    r.main.rig.dialogs.clear();
    r.dialog->loadSettings();
    const QString editor = r.folder + QStringLiteral("/editor");
    writeFile(editor, "#!/bin/sh\n");
    QFile(editor).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    struct Case {
        const char* control;
        QString value;
        const char* key;
        QString stored;
    };
    // One control of each kind on each page, and every kind of conversion between what a
    // control shows and what is stored (radio index to value, "1" to "ON", listed names).
    const Case cases[] = {
        {"chkTooltips", "0", "ToolTips", "0"},
        {"updEndSignalRange", "15", "EndSignalRange", "15"},
        {"btnButtonColorSelect", "255", "ButtonColorPlayNew", "255"},
        {"txtDefaultWaveEditor", editor, "DefaultWaveEditor", editor},
        {"opt_SampleRate_1", "1", "SampleRate", "48000"},
        {"opt_BitResolution_1", "1", "BitResolution", "32"},
        {"updDefaultVolume", "-12", "DefaultVolume", "-12"},
        {"cmbPreviewOutputDevice", "Out 2", "PreviewDevice", "Out 2"},
        {"opt_AudioDeviceSelection_1", "1", "AudioDeviceSelection", "1"},
        {"updAutoCueLevel", "-30", "AutoCueLevel", "-30"},
        {"chkLoadLastPlaylist", "1", "LoadLastPlaylist", "1"},
        {"chkLogEnable", "1", "Logging", "ON"},
        {"cmbComPort", "3", "ComPort", "3"},
        {"cmbComMode", "KR-1", "ComMode", "KR-1"},
        {"txtComDevice2", "/dev/ttyUSB0", "ComDevice2", "/dev/ttyUSB0"},
        {"chkKR2QuickSelect", "1", "KR-2 Quick Select", "ON"},
        {"cmbXKeysLayout", "Vertical Groups", "XKeysLayout", "Vertical Groups"},
        {"chkXKeysChannelSelect", "0", "XKeysChannelSelect", "OFF"},
        {"optActivatePIO", "1", "PIOActivate", "ON"},
        {"opt_GPIOConfiguration_1", "1", "GPIO Configuration", "1"},
        {"cmbPort2Direction", "OUT", "Port2Direction", "OUT"},
        {"cmbTouchScreenResolution", "2", "TouchScreenResolution", "2"},
        {"cmbMidiIn", "Port A", "MidiInDevice", "Port A"},
        {"updMidiPRGChannel", "9", "ProgramChangeChannel", "9"},
        {"cmbDO500Brightness", "4", "DO500Brightness", "4"},
        {"opt_DO500Size_0", "1", "DO500Size", "1"},
        {"opt_DO500TimeFormat_1", "1", "DO500TimeFormat", "2"},
        {"updOscPort", "9123", "OscPort", "9123"},
        {"txtOscAllow", "10.0.0.0/24", "OscAllow", "10.0.0.0/24"},
    };
    for (const Case& c : cases)
        drive(r.w<QObject>(QLatin1String(c.control)), c.value);
    auto* gpio = r.w<QTableWidget>(QStringLiteral("GPIOGrid"));
    static_cast<QComboBox*>(gpio->cellWidget(2, 0))->setCurrentIndex(5);
    auto* duration = static_cast<QComboBox*>(gpio->cellWidget(2, 2));
    duration->setCurrentIndex(duration->findData(250));
    // Line 10 became an output above: its choices are the output functions at once.
    static_cast<QComboBox*>(gpio->cellWidget(9, 0))->setCurrentIndex(33);

    r.dialog->show();
    r.dialog->close(); // the close button runs the save
    EXPECT_FALSE(r.dialog->isVisible());

    Settings restarted(r.settings().filePath());
    restarted.load();
    for (const Case& c : cases)
        EXPECT_EQ(restarted.text(QString::fromLatin1(c.key)), c.stored) << c.control;
    EXPECT_EQ(restarted.text(u"OverviewLeft"), QStringLiteral("77"));
    EXPECT_EQ(restarted.text(u"LogFontName"), QStringLiteral("Arial"));
    EXPECT_EQ(restarted.text(u"LogColWidth"), QStringLiteral("100"));
    EXPECT_FALSE(restarted.effectiveValues().empty());
    EXPECT_EQ(restarted.text(u"LineFunctionNo. 03"), QStringLiteral("5"));
    EXPECT_EQ(restarted.text(u"LineFunctionText 03"), QStringLiteral("PLAY/STOP Channel 5"));
    EXPECT_EQ(restarted.text(u"GPODuration 03"), QStringLiteral("250"));
    EXPECT_EQ(restarted.text(u"LineFunctionText 10"), QStringLiteral("X-Keys F1"));

    // A dialog made on the restarted settings shows every value again.
    OptionsDialog again(restarted, nullptr, {}, {});
    for (const Case& c : cases) {
        const bool listed =
            qstrcmp(c.control, "cmbPreviewOutputDevice") && qstrncmp(c.control, "cmbMidi", 7);
        EXPECT_TRUE(!listed ||
                    shown(again.findChild<QObject*>(QLatin1String(c.control))) == c.value)
            << c.control;
    }
    // Device names that the lists no longer offer are kept, not lost.
    EXPECT_EQ(again.findChild<QComboBox*>(QStringLiteral("cmbMidiIn"))->currentText(),
              QStringLiteral("Port A"));
}

TEST(OptionsDialog, BadPathsOfferRetryOrCancel) {
    struct Case {
        const char* field;
        const char* page;
        const char* key;
        const char* title;
        const char* problem;
        bool folder;
    };
    const char* notPath = "is not a valid pathname!";
    // clang-format off
    const Case cases[] = {
        {"txtDefaultPlayList", "Playlist", "DefaultPlayList", "Default Playlist File", "File does not exist!", false},
        {"txtDefaultPlayListDir", "Playlist", "DefaultPlayListDir", "Default Playlist Directory", notPath, true},
        {"txtDefaultSoundPath", "Soundlist", "DefaultSoundPath", "Default Sound Directory", notPath, true},
        {"txtLogBackupPath", "Log", "LoggingBackupPath", "Log Backup Directory", notPath, true},
        {"txtDefaultWaveEditor", "Interface", "DefaultWaveEditor", "Wave Editor",
         "is not a program that can be started!", false},
    };
    // clang-format on
    for (const Case& c : cases) {
        for (const MessageResult answer : {MessageResult::Retry, MessageResult::Cancel}) {
            OptionsRig r;
            // A folder where a file is wanted and a file where a folder is wanted.
            const QString bad = c.folder ? r.folder + QStringLiteral("/show.kal") : r.folder;
            writeFile(r.folder + QStringLiteral("/show.kal"), "x");
            auto* field = r.w<QLineEdit>(QLatin1String(c.field));
            field->setText(bad);
            r.w<QCheckBox>(QStringLiteral("chkResizing"))->setChecked(false);
            r.main.rig.dialogs.answerMessages({answer});
            r.dialog->show();
            r.click("cmdSave");

            const auto boxes = r.main.rig.dialogs.messages();
            ASSERT_EQ(boxes.size(), 1) << c.field;
            EXPECT_EQ(boxes[0].title, QLatin1String(c.title));
            EXPECT_EQ(boxes[0].text, bad + QStringLiteral("\r\n") + QLatin1String(c.problem));
            EXPECT_EQ(boxes[0].buttons, MessageButtons::RetryCancel);
            Settings stored(r.settings().filePath());
            stored.load();
            if (answer == MessageResult::Retry) {
                EXPECT_TRUE(r.dialog->isVisible()) << c.field;
                EXPECT_EQ(r.dialog->currentPage(), QLatin1String(c.page));
                EXPECT_EQ(field->selectedText(), bad);
                EXPECT_FALSE(field->visibleRegion().isEmpty()) << c.field << " scrolled into view";
                EXPECT_TRUE(stored.isDefault(u"Resizing")) << "nothing is stored half-way";
            } else {
                EXPECT_FALSE(r.dialog->isVisible()) << c.field;
                EXPECT_EQ(stored.text(QString::fromLatin1(c.key)), QString()) << c.field;
                EXPECT_EQ(stored.text(u"Resizing"), QStringLiteral("0"));
            }
        }
    }
}

TEST(OptionsDialog, FoldersAreStoredWithOneTrailingSlash) {
    OptionsRig r;
    const QString dir = r.folder;
    const struct {
        const char* field;
        QString typed;
        const char* key;
    } cases[] = {
        {"txtDefaultPlayListDir", dir, "DefaultPlayListDir"},
        {"txtDefaultSoundPath", dir + QStringLiteral("\\"), "DefaultSoundPath"},
        {"txtLogBackupPath", dir + QStringLiteral("//"), "LoggingBackupPath"},
    };
    for (const auto& c : cases)
        r.w<QLineEdit>(QLatin1String(c.field))->setText(c.typed);
    ASSERT_TRUE(r.dialog->save());
    EXPECT_TRUE(r.main.rig.dialogs.messages().isEmpty());
    for (const auto& c : cases)
        EXPECT_EQ(r.settings().text(QString::fromLatin1(c.key)), dir + QLatin1Char('/')) << c.field;

    // The wave editor is any program: a file that cannot run is refused when picked.
    const QString script = dir + QStringLiteral("/edit");
    writeFile(script, "#!/bin/sh\n");
    auto* editor = r.w<QLineEdit>(QStringLiteral("txtDefaultWaveEditor"));
    r.main.rig.dialogs.answerFiles({{script}});
    r.click("btnEditorSelect");
    EXPECT_EQ(editor->text(), QString());
    ASSERT_EQ(r.main.rig.dialogs.messages().size(), 1);
    EXPECT_EQ(r.main.rig.dialogs.messages()[0].title, QStringLiteral("Wave Editor"));
    QFile(script).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    r.main.rig.dialogs.answerFiles({{script}});
    r.click("btnEditorSelect");
    EXPECT_EQ(editor->text(), script);
}

TEST(OptionsDialog, DefaultLevelGoesToAll32ChannelsOnYes) {
    for (const MessageResult answer : {MessageResult::Yes, MessageResult::No}) {
        OptionsRig r;
        r.main.rig.store.selectChannel(4);
        const int before = r.main.rig.store.channel(31).volume;
        r.w<QSpinBox>(QStringLiteral("updDefaultVolume"))->setValue(-10);
        r.main.rig.dialogs.answerMessages({answer});
        r.click("btnDefaultVolume");
        const auto boxes = r.main.rig.dialogs.messages();
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0].title, QStringLiteral("Default Level"));
        EXPECT_TRUE(
            boxes[0].text.startsWith(QStringLiteral("Set the level of all 32 channels to -10 dB")));
        const int expected = answer == MessageResult::Yes ? 90 : before;
        for (int ch = 0; ch < kChannelCount; ++ch)
            EXPECT_EQ(r.main.rig.store.channel(ch).volume, expected) << ch;
        auto* level = r.main.window->findChild<QLabel*>(QStringLiteral("lblVolume"));
        EXPECT_EQ(level->text() == QStringLiteral("-10dB"), answer == MessageResult::Yes);
    }
}

TEST(OptionsDialog, OpensAtThePageTheCallerNames) {
    OptionsRig r;
    EXPECT_FALSE(r.dialog->isVisible()) << "made at start-up, shown on request";
    const struct {
        const char* asked;
        const char* shown;
        const char* node;
    } cases[] = {
        {"MIDIAssign", "MIDIAssign", "Assign"},
        {"gpio", "GPIO", "GPI/O"},
        {"MIDI", "GPIO", "GPI/O"},
        {"Control", "GPIO", "GPI/O"},
        {"nonsense", "GPIO", "GPI/O"},
        {"FTP", "FTP", "FTP"},
        {"", "FTP", "FTP"},
    };
    for (const auto& c : cases) {
        r.dialog->showPage(QLatin1String(c.asked));
        EXPECT_TRUE(r.dialog->isVisible());
        EXPECT_EQ(r.dialog->currentPage(), QLatin1String(c.shown)) << c.asked;
        EXPECT_EQ(r.w<QTreeWidget>(QStringLiteral("treOptions"))->currentItem()->text(0),
                  QString::fromUtf8(c.node));
    }
    // The main window's menu entry opens it at the last page; Escape saves like Close.
    r.dialog->hide();
    r.main.window->pendingWindows().options = [&r](const QString& page) {
        r.dialog->showPage(page);
    };
    r.main.window->findChild<QAction*>(QStringLiteral("mnuOptions"))->trigger();
    EXPECT_TRUE(r.dialog->isVisible());
    EXPECT_EQ(r.dialog->currentPage(), QStringLiteral("FTP"));
    r.w<QCheckBox>(QStringLiteral("chkResizing"))->setChecked(false);
    r.dialog->reject();
    EXPECT_FALSE(r.dialog->isVisible());
    EXPECT_EQ(r.settings().text(u"Resizing"), QStringLiteral("0"));
}

// A 1024 x 768 touch screen or a laptop's 768 lines: the Close button stays on the screen
// and the longer pages scroll.
TEST(OptionsDialog, KeepsItsSizeOnAScreenOf768Lines) {
    OptionsRig r;
    r.dialog->showPage(QStringLiteral("GPIO"));
    EXPECT_EQ(r.dialog->size(), QSize(900, 600));
    EXPECT_LE(r.dialog->minimumSizeHint().height(), 600);
}

TEST(OptionsDialog, SizesOutOfRangeAreRefusedWithTheirRange) {
    struct Case {
        const char* spin;
        const char* button;
        int value;
        const char* key;
        const char* title;
        const char* stored;
        int hookCalls;
    };
    const Case cases[] = {
        {"updBufferSize", "cmdSetBufferSize", 5, "BufferSize", "Set Buffer size", "500", 0},
        {"updBufferSize", "cmdSetBufferSize", 250, "BufferSize", nullptr, "250", 1},
        {"updPreloadSize", "cmdSetPreloadSize", 6000, "PreBufferSize", "Set Preload size", "500",
         0},
        {"updPreloadSize", "cmdSave", 0, "PreBufferSize", "Set Preload size", "500", 0},
    };
    for (const Case& c : cases) {
        OptionsRig r;
        r.w<QSpinBox>(QLatin1String(c.spin))->setValue(c.value);
        r.click(c.button);
        const auto boxes = r.main.rig.dialogs.messages();
        ASSERT_EQ(boxes.size(), c.title ? 1 : 0) << c.spin << " " << c.value;
        // Every refusal names the range.
        EXPECT_TRUE(!c.title || boxes[0].text.contains(QStringLiteral("10 to 5000 msec.")));
        Settings stored(r.settings().filePath());
        stored.load();
        EXPECT_EQ(stored.text(QString::fromLatin1(c.key)), QLatin1String(c.stored))
            << c.spin << " " << c.value;
        EXPECT_EQ(r.bufferSizes.size(), c.hookCalls);
    }
}

TEST(OptionsDialog, ChangesThatTakeEffectLaterSaySoWhenMade) {
    const struct {
        const char* control;
        const char* title;
        const char* text;
    } cases[] = {
        {"opt_SampleRate_2", "Playback Sample Rate", "You must restart Kalvor"},
        {"opt_BitResolution_1", "Internal Bit Resolution", "You must reload your sounds"},
        {"chkResizing", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        OptionsRig r;
        auto* o = r.w<QAbstractButton>(QLatin1String(c.control));
        o->setChecked(!o->isChecked());
        const auto boxes = r.main.rig.dialogs.messages();
        ASSERT_EQ(boxes.size(), c.title ? 1 : 0) << c.control;
        EXPECT_TRUE(!c.title || boxes[0].text.startsWith(QLatin1String(c.text))) << c.control;
    }
}

TEST(OptionsDialog, MidiAssignGridEditsTheChannelsAssignments) {
    OptionsRig r;
    r.click("cmdDefaultNotes");
    auto* grid = r.w<QTableWidget>(QStringLiteral("MidiGrid"));
    const auto combo = [grid](int row, int col) {
        return static_cast<QComboBox*>(grid->cellWidget(row, col));
    };
    const struct {
        int row;
        int note;
        const char* shown;
    } cases[] = {
        {0, 36, " 36 = C1"}, {1, 38, " 38 = D1"}, {3, 41, " 41 = F1"}, {31, 89, " 89 = F5"}};
    for (const auto& c : cases) {
        EXPECT_EQ(r.main.rig.store.assignments(c.row).midiInNote, c.note) << c.row;
        EXPECT_TRUE(r.main.rig.store.assignments(c.row).midiOutEnabled);
        EXPECT_EQ(combo(c.row, 0)->currentText(), QLatin1String(c.shown)) << c.row;
    }
    EXPECT_EQ(combo(32, 3)->currentText(), QStringLiteral(" 91 = G5")) << "F1 goes on the sequence";
    EXPECT_FALSE(combo(33, 0)->isEnabled());
    combo(2, 1)->setCurrentIndex(4);
    EXPECT_EQ(r.main.rig.store.assignments(2).midiInChannel, 5);
    r.w<QCheckBox>(QStringLiteral("chkMidiNoteOffset"))->setChecked(false);
    EXPECT_EQ(combo(0, 0)->currentText(), QStringLiteral(" 36 = C3"));
}

TEST(OptionsDialog, FtpPageNewDeleteAndFullList) {
    OptionsRig r;
    r.click("cmdFTPNew");
    auto* list = r.w<QListWidget>(QStringLiteral("lbxFTPList"));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(r.w<QLineEdit>(QStringLiteral("txtFTPName"))->text(), QStringLiteral("New Entry"));
    r.w<QLineEdit>(QStringLiteral("txtFTPAddress"))->setText(QStringLiteral("10.0.0.9"));
    Q_EMIT r.w<QLineEdit>(QStringLiteral("txtFTPAddress"))->textEdited(QStringLiteral("10.0.0.9"));
    EXPECT_EQ(r.dialog->ftpList()[0].address, QStringLiteral("10.0.0.9"));
    // Entering a field selects its whole text, by the mouse as by the Tab key.
    QFocusEvent entered(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(r.w<QLineEdit>(QStringLiteral("txtFTPAddress")), &entered);
    QApplication::processEvents();
    EXPECT_EQ(r.w<QLineEdit>(QStringLiteral("txtFTPAddress"))->selectedText(),
              QStringLiteral("10.0.0.9"));
    for (int i = 1; i < kFtpEntries; ++i)
        r.click("cmdFTPNew");
    EXPECT_TRUE(r.main.rig.dialogs.messages().isEmpty());
    r.click("cmdFTPNew");
    ASSERT_EQ(r.main.rig.dialogs.messages().size(), 1);
    EXPECT_EQ(r.main.rig.dialogs.messages()[0].title, QStringLiteral("List Error"));
    EXPECT_EQ(r.main.rig.dialogs.messages()[0].text,
              QStringLiteral("FTP List full.51 entries used!"));
    list->setCurrentRow(7);
    r.click("cmdFTPDelete");
    EXPECT_EQ(list->item(7)->text(), QStringLiteral("-"));
    ASSERT_TRUE(r.dialog->save());
    const FtpReadResult back = readFtpList(r.folder + QStringLiteral("/kalvor.ftp"));
    EXPECT_EQ(back.list, r.dialog->ftpList());
    EXPECT_EQ(firstFreeFtpEntry(back.list), 7);
}

TEST(OptionsDialog, LanguageSwitchRelabelsEverythingThroughOneRoutine) {
    OptionsRig r;
    r.w<QRadioButton>(QStringLiteral("opt_language_0"))->setChecked(true);
    EXPECT_EQ(r.settings().text(u"Language"), QStringLiteral("deutsch"));
    EXPECT_EQ(r.dialog->windowTitle(), QStringLiteral("Programm Einstellungen"));
    auto* tree = r.w<QTreeWidget>(QStringLiteral("treOptions"));
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("Programm"));
    EXPECT_EQ(r.main.window->findChild<QAction*>(QStringLiteral("mnuOptions"))->text(),
              QStringLiteral("&Einstellungen..."));
    // The next box speaks German too.
    r.w<QLineEdit>(QStringLiteral("txtDefaultPlayList"))->setText(QStringLiteral("/nowhere.kal"));
    r.dialog->save();
    ASSERT_EQ(r.main.rig.dialogs.messages().size(), 1);
    EXPECT_EQ(r.main.rig.dialogs.messages()[0].title, QStringLiteral("Vorgabe Playlist Datei"));
    // The main window's menu goes back through the same switch, and the dialog follows.
    r.main.window->switchLanguage(false);
    EXPECT_TRUE(r.w<QRadioButton>(QStringLiteral("opt_language_1"))->isChecked());
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("Program"));
}

TEST(OptionsDialog, TooltipsOffLeaveNoTooltipOnTheMainWindow) {
    OptionsRig r;
    r.main.rig.loadChannel(0, {r.main.rig.tone(QStringLiteral("a.wav"), 0.2)});
    r.main.rig.store.controls(0).infoText = QStringLiteral("Cue 12");
    r.main.strip(0).refreshInfo();
    r.main.recent.append(QStringLiteral("Show"), QStringLiteral("/shows/show.kal"));
    // Path names in the lists appear with the save.
    r.w<QCheckBox>(QStringLiteral("chkDisplayPathNames"))->setChecked(true);
    ASSERT_TRUE(r.dialog->save());
    EXPECT_TRUE(r.main.strip(0).lstSoundlist()->item(0)->text().startsWith(QLatin1Char('/')))
        << qPrintable(r.main.strip(0).lstSoundlist()->item(0)->text());
    const auto tips = [&r] {
        QStringList found;
        for (QWidget* w : r.main.window->findChildren<QWidget*>()) {
            if (!w->toolTip().isEmpty())
                found << w->objectName() + QLatin1Char('=') + w->toolTip();
            if (auto* l = qobject_cast<QListWidget*>(w)) {
                for (int i = 0; i < l->count(); ++i)
                    if (!l->item(i)->toolTip().isEmpty())
                        found << l->objectName() + QStringLiteral(" item");
            }
        }
        for (QAction* a :
             r.main.window->findChild<QMenu*>(QStringLiteral("mnuRecentPlaylists"))->actions()) {
            if (a->toolTip().contains(QLatin1Char('/')))
                found << QStringLiteral("recent ") + a->toolTip();
        }
        return found;
    };
    r.main.window->applySettings();
    ASSERT_FALSE(tips().isEmpty());
    r.w<QCheckBox>(QStringLiteral("chkTooltips"))->setChecked(false);
    EXPECT_EQ(tips(), QStringList{});
    EXPECT_TRUE(r.w<QPushButton>(QStringLiteral("cmdDefaultNotes"))->toolTip().isEmpty());
    r.w<QCheckBox>(QStringLiteral("chkTooltips"))->setChecked(true);
    EXPECT_TRUE(tips().join(QLatin1Char(',')).contains(QStringLiteral("Cue 12")));
}

// The Log page's switch and column width are the main window's log page's too.
TEST(OptionsDialog, LogSwitchAndColumnWidthReachTheLogWithTheSave) {
    OptionsRig r;
    LogPage* page = r.main.window->logPage();
    const struct {
        bool on;
        int width;
    } cases[] = {{true, 250}, {false, 120}};
    for (const auto& c : cases) {
        r.dialog->showPage(QStringLiteral("Log"));
        r.w<QCheckBox>(QStringLiteral("chkLogEnable"))->setChecked(c.on);
        r.w<QSpinBox>(QStringLiteral("updLogColWidth"))->setValue(c.width);
        ASSERT_TRUE(r.dialog->save());
        EXPECT_EQ(r.main.window->playLog().loggingOn(), c.on);
        EXPECT_EQ(page->chkLogEnable()->isChecked(), c.on);
        EXPECT_EQ(page->updLogColWidth()->value(), c.width);
    }
    // The log page takes no width it cannot show.
    EXPECT_EQ(r.w<QSpinBox>(QStringLiteral("updLogColWidth"))->maximum(),
              page->updLogColWidth()->maximum());
    EXPECT_EQ(r.w<QSpinBox>(QStringLiteral("updLogColWidth"))->minimum(),
              page->updLogColWidth()->minimum());
}

// Texts the operator's documentation quotes, in both languages; item >= 0 is a list entry.
TEST(OptionsDialog, QuotedCaptionsInBothLanguages) {
    OptionsRig r;
    const struct {
        const char* control;
        int item;
        const char* en;
        const char* de;
    } cases[] = {
        {"chkUseMIDIIn", -1, "MIDI IN active", "MIDI IN aktiv"},
        {"chkUseMIDIOut", -1, "MIDI OUT active", "MIDI OUT aktiv"},
        {"chkUseMTC", -1, "MTC active", "MTC aktiv"},
        {"lblMidiMon", -1, "MIDI IN Monitor:", "MIDI IN Monitor:"},
        {"cmdClearMidiMon", -1, "Clear List", "Liste löschen"},
        {"cmbComMode", 1, "KR-1 Remote", "KR-1 Remote"},
        {"cmbComMode", 2, "KR-2 Remote", "KR-2 Remote"},
        {"chkKR2QuickSelect", -1, "Sound quick select", "Sound Schnellauswahl"},
    };
    const auto caption = [&r](const char* name, int item) {
        QObject* o = r.w<QObject>(QLatin1String(name));
        if (auto* c = qobject_cast<QComboBox*>(o))
            return c->itemText(item);
        if (auto* b = qobject_cast<QAbstractButton*>(o))
            return b->text();
        if (auto* l = qobject_cast<QLabel*>(o))
            return l->text();
        return QString();
    };
    for (const Language language : {Language::German, Language::English}) {
        UiLanguage::instance().set(language);
        for (const auto& c : cases) {
            EXPECT_EQ(caption(c.control, c.item),
                      QString::fromUtf8(language == Language::English ? c.en : c.de))
                << c.control << " " << c.item;
        }
    }
}

// The GPI/O page with the interface behind it: the program's own wiring and the simulated
// chip.
struct GpioRig : OptionsRig {
    GpioRig() {
        settings().setText(u"GpioChip", QStringLiteral("simulated"));
        parts = wireXkeysGpio(*main.rig.show, settings(), *main.lifecycle, nullptr);
        attachXkeysGpio(*parts, *main.window, *dialog);
    }
    QString head(int line) {
        return w<QTableWidget>(QStringLiteral("GPIOGrid"))->verticalHeaderItem(line - 1)->text();
    }
    std::unique_ptr<XkeysGpio> parts;
};

TEST(OptionsGpioPage, OutputRowsShowTheirContactAsTheInterfaceSwitchesIt) {
    GpioRig r;
    // Set on the page only: the interface is switched on with the page as it stands.
    r.dialog->showPage(QStringLiteral("GPIO"));
    const auto pick = [&r](const char* name, const char* value) {
        auto* box = r.w<QComboBox>(QLatin1String(name));
        box->setCurrentIndex(box->findData(QLatin1String(value)));
    };
    pick("cmbPort1Direction", "OUT");
    pick("cmbPort2Direction", "IN");
    static_cast<QComboBox*>(r.w<QTableWidget>(QStringLiteral("GPIOGrid"))->cellWidget(2, 0))
        ->setCurrentIndex(5);
    r.w<QCheckBox>(QStringLiteral("optActivatePIO"))->click();
    ASSERT_TRUE(r.parts->gpio->isActive());
    const struct {
        int function;
        bool on;
        const char* line3;
    } steps[] = {
        {0, false, "03 OUT Open"}, // activation switches every output off
        {5, true, "03 OUT Closed"},
        {6, true, "03 OUT Closed"},
        {5, false, "03 OUT Open"},
    };
    for (const auto& s : steps) {
        r.parts->gpio->setOutput(s.function, s.on);
        EXPECT_EQ(r.head(3), QLatin1String(s.line3)) << s.function << " " << s.on;
        EXPECT_EQ(r.head(10), QStringLiteral("10 IN")) << "inputs have no contact of ours";
    }
    r.parts->gpio->setOutput(5, true);
    UiLanguage::instance().set(Language::German);
    EXPECT_EQ(r.head(3), QStringLiteral("03 OUT Geschlossen"));
    UiLanguage::instance().set(Language::English);
}

TEST(OptionsGpioPage, OutputDurationIsHoldOrOneOfTheFixedLengths) {
    OptionsRig r;
    const int stored[] = {0, 750, 37}; // 37: from an older playlist, kept as it is
    for (int line = 1; line <= 3; ++line)
        r.settings().setInteger(gpioLineKey("GPODuration ", line), stored[line - 1]);
    r.dialog->loadSettings();
    auto* grid = r.w<QTableWidget>(QStringLiteral("GPIOGrid"));
    const auto cell = [grid](int line) {
        return qobject_cast<QComboBox*>(grid->cellWidget(line - 1, 2));
    };
    ASSERT_NE(cell(4), nullptr);
    QStringList offered;
    for (int i = 0; i < cell(4)->count(); ++i)
        offered << cell(4)->itemText(i);
    EXPECT_EQ(offered.join(QLatin1Char('|')),
              QStringLiteral("Hold|50 msec.|100 msec.|250 msec.|500 msec.|750 msec.|1000 msec.|"
                             "1500 msec.|2000 msec.|3000 msec.|4000 msec.|5000 msec."));
    EXPECT_EQ(cell(1)->currentText(), QStringLiteral("Hold"));
    EXPECT_EQ(cell(2)->currentText(), QStringLiteral("750 msec."));
    EXPECT_EQ(cell(3)->currentText(), QStringLiteral("37 msec."));
    cell(2)->setCurrentIndex(cell(2)->findText(QStringLiteral("250 msec.")));
    ASSERT_TRUE(r.dialog->save());
    const char* const back[] = {"0", "250", "37"};
    for (int line = 1; line <= 3; ++line)
        EXPECT_EQ(r.settings().text(gpioLineKey("GPODuration ", line)),
                  QLatin1String(back[line - 1]));
}

// Pictures of every page in both languages for checking the layout by eye; run with
// KALVOR_SHOTS_DIR set.
TEST(Screenshots, EveryOptionsPageInBothLanguages) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "KALVOR_SHOTS_DIR not set";
    QDir().mkpath(dir);
    OptionsRig r;
    r.dialog->resize(1280, 800);
    for (const Language language : {Language::English, Language::German}) {
        UiLanguage::instance().set(language);
        for (const OptionNode& n : optionNodes()) {
            if (!n.hasPage)
                continue;
            r.dialog->showPage(QLatin1String(n.key));
            const QString name = QString::fromLatin1(n.key).remove(QLatin1Char(' '));
            EXPECT_TRUE(
                r.dialog->grab().save(QStringLiteral("%1/options-%2-%3.png")
                                          .arg(dir, name, UiLanguage::toSetting(language))));
        }
    }
}

} // namespace
} // namespace kalvor::test

using namespace kalvor;
using namespace kalvor::test;

// Whether the dialog was hidden meanwhile or open beside the main window.
TEST(OptionsReopened, SettingsChangedOutsideTheDialogSurviveItsSave) {
    for (const bool open : {false, true}) {
        ShowRig rig;
        OptionsDialog dialog(*rig.settings, rig.show.get(), {}, {});
        const struct {
            const char* key;
            const char* outside;
        } cases[] = {
            {"Logging", "ON"},     // Ctrl+L, the log page's switch
            {"ShowProgress", "0"}, // the overview's menu
            {"PIOActivate", "ON"}, // a keypad found at start-up
            {"DO500Size", "1"},    // the display unit's own keys
            {"HotkeyMode", "1"},   // the KR-1's menu
        };
        if (open)
            dialog.showPage(QStringLiteral("Log"));
        for (const auto& c : cases)
            rig.settings->setText(QString::fromLatin1(c.key), QString::fromLatin1(c.outside));
        dialog.showPage(QStringLiteral("Log"));
        ASSERT_TRUE(dialog.save());
        for (const auto& c : cases)
            EXPECT_EQ(rig.settings->text(QString::fromLatin1(c.key)),
                      QString::fromLatin1(c.outside))
                << c.key << (open ? " open" : " hidden");
    }
}

// Switching a device on opens it with what the page shows, not with what was saved last.
TEST(OptionsRs232Page, EnableOpensThePortAndModeChosenOnThePage) {
    ShowRig rig;
    QStringList opened;
    OptionsHooks hooks;
    hooks.serialEnabled = [&rig, &opened](bool on) {
        const Settings& s = *rig.settings;
        opened << QStringLiteral("%1 %2 %3 %4 %5")
                      .arg(on)
                      .arg(s.text(u"ComPort"), s.text(u"ComDevice3"), s.text(u"ComMode"),
                           s.text(u"EnableCom"));
    };
    OptionsDialog dialog(*rig.settings, rig.show.get(), {}, hooks);
    dialog.showPage(QStringLiteral("RS232Remote"));
    const auto box = [&dialog](const char* name) {
        return dialog.findChild<QComboBox*>(QLatin1String(name));
    };
    box("cmbComPort")->setCurrentIndex(box("cmbComPort")->findData(QStringLiteral("3")));
    box("cmbComMode")->setCurrentIndex(box("cmbComMode")->findData(QStringLiteral("KR-1")));
    dialog.findChild<QLineEdit*>(QStringLiteral("txtComDevice3"))
        ->setText(QStringLiteral("/dev/ttyUSB0"));
    auto* enable = dialog.findChild<QCheckBox*>(QStringLiteral("chkEnableCom"));
    enable->click();
    enable->click();
    EXPECT_EQ(opened, (QStringList{QStringLiteral("1 3 /dev/ttyUSB0 KR-1 ON"),
                                   QStringLiteral("0 3 /dev/ttyUSB0 KR-1 OFF")}));
}

TEST(OptionsAudioPage, ThePreviewChannelTakesTheOutputChosenWithTheSave) {
    audio::ScriptedDevice desk;
    desk.device.name = QStringLiteral("Desk");
    desk.device.driver = QStringLiteral("scripted:Desk");
    desk.device.outputChannels = 2;
    desk.device.defaultRate = kRate;
    ShowRig rig({}, {desk});
    OptionDevices devices;
    devices.audioOutputs = [&rig] {
        QStringList names;
        for (const engine::OutputDevice& d : rig.engine->devices().devices())
            names << d.name;
        return names;
    };
    OptionsDialog dialog(*rig.settings, rig.show.get(), devices, {});
    auto* box = dialog.findChild<QComboBox*>(QStringLiteral("cmbPreviewOutputDevice"));
    ASSERT_EQ(box->count(), 2);
    const Channel& preview = rig.store.channel(kPreviewChannel);
    for (const QString& name : {box->itemText(1), box->itemText(0)}) {
        box->setCurrentIndex(box->findText(name));
        ASSERT_TRUE(dialog.save());
        EXPECT_EQ(preview.outputName, name);
    }
}

TEST(OptionsTouchPage, PlayButtonTextsGoOffAndOnAtOnceAndStayThroughASave) {
    ShowRig rig;
    QList<bool> shown;
    OptionsHooks hooks;
    hooks.touchButtonText = [&shown](bool on) {
        shown << on;
    };
    OptionsDialog dialog(*rig.settings, rig.show.get(), {}, hooks);
    auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("chkTouchButtonText"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isChecked()) << "the view starts with its texts";
    box->click();
    dialog.showPage(QStringLiteral("Touchscreen"));
    ASSERT_TRUE(dialog.save());
    EXPECT_FALSE(box->isChecked());
    box->click();
    EXPECT_EQ(shown, (QList<bool>{false, true}));
}
