// Loading a show as the operator meets it: the show is cleared first, what a file holds
// arrives in the store, bad files end in the documented boxes and leave an emptied show,
// the steps owned elsewhere are called in order, and the file itself is never touched.
#include "support/PlaylistFixtures.h"

#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "show/playlist/PlaylistDocument.h"
#include "show/playlist/PlaylistFiles.h"
#include "support/DiskFaults.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <tuple>

using namespace kalvor;
using namespace kalvor::playlist;
using namespace Qt::StringLiterals;

namespace {

// A show with every hook noting its name in `log`; those with something to hand over keep it.
struct Booth {
    explicit Booth(Settings* settings = nullptr) : files(store, settings, nullptr) {
        const auto note = [this](const char* what) {
            return [this, what](auto&&...) {
                log << what;
            };
        };
        auto& h = files.hooks();
        h.showRemotePresetScreen = note("remote");
        h.clearTextReader = note("clearTextReader");
        h.selectFirstPreset = note("selectFirst");
        h.createNewPreset = note("newPreset");
        h.clearRelinkList = note("relink");
        h.applyOverviewLayout = note("layout");
        h.stopChannel = note("stop");
        h.suspendOverviewRedraw = [this](bool off) {
            log << (off ? "overviewOff" : "overviewOn");
        };
        h.applyGpio = [this](const GpioBlock& g) {
            gpio = g;
        };
        h.openTextReaderDocument = [this](const TextReaderDocument& d) {
            text = d;
        };
        h.recallFirstPreset = [this](bool ignore) {
            log << (ignore ? "recall-ignoring" : "recall");
        };
        h.showPlaylistName = [this](const QString& s) {
            log << s;
        };
        h.soundsLoaded = [this](const QStringList& s) {
            sounds << s;
        };
    }
    QStringList paths(int ch) const {
        QStringList out;
        for (const auto& e : store.soundList(ch))
            out << e.path;
        return out;
    }
    test::ScriptedDialogs dialogs;
    ShowStore store;
    PlaylistFiles files;
    QStringList log;
    std::optional<GpioBlock> gpio;
    std::optional<TextReaderDocument> text;
    QStringList sounds; // handed on to be opened ahead
};

// The only box shown, as "title: text"; empty when there was none.
QString onlyBox(const test::ScriptedDialogs& dialogs) {
    const auto boxes = dialogs.messages();
    EXPECT_LE(boxes.size(), 1);
    return boxes.isEmpty() ? QString() : boxes[0].title + u": "_s + boxes[0].text;
}

bool announced(const QString& ending) {
    for (const auto& e : SystemMessages::instance().entries())
        if (e.endsWith(ending))
            return true;
    return false;
}

// A fixture file of `version`, with the standard tail unless another is given.
QByteArray fixture(int version, int presets = 1, const QStringList& sounds = {},
                   const QStringList& tail = {}) {
    test::FixtureOptions o;
    o.presets = presets;
    o.soundSection = sounds;
    o.tail = tail.isEmpty() ? test::standardTail(version) : tail;
    return test::fixtureFile(version, o);
}

} // namespace

TEST(PlaylistLoad, ClearsTheShowThenReadsAndHandsTheRestToItsOwners) {
    const QString dir = test::freshFolder(u"load-order"_s);
    const QString path = dir + u"/Hamlet.kal"_s;
    test::writeFile(path, fixture(17, 2, {u"Channel 1"_s, dir + u"/a.wav"_s}));
    Booth booth;
    booth.store.presets().append(Preset{});
    booth.store.setSoundList(5, {makeSoundEntry(u"/old.wav"_s)});

    const LoadReport report = booth.files.LoadPlaylist(path, u"Hamlet.kal"_s);
    EXPECT_EQ(booth.log.removeAll(u"stop"_s), 32);
    EXPECT_EQ(booth.log,
              (QStringList{"remote", "clearTextReader", "overviewOff", "layout", "selectFirst",
                           "recall-ignoring", "overviewOn", "Playlist: Hamlet   ", "relink"}));
    // The old show's lists are gone; the file's are in, and the show is idle again.
    EXPECT_EQ(
        std::tuple(report.outcome, booth.store.soundList(5).size(), booth.store.presets().count(),
                   booth.paths(1), booth.store.playlistPath(), booth.files.startFolder(),
                   booth.files.isLoading(), booth.dialogs.busyDepth()),
        std::tuple(LoadOutcome::Loaded, 0, 2, QStringList{dir + u"/a.wav"_s}, path, dir, false, 0));
    EXPECT_TRUE(announced(u"Loading playlist "_s + path + u" {Format 17}...\r\n"_s));
}

// Each preset's sounds first (recalls want them), then the rest of the lists; each file
// once, missing files left out.
TEST(PlaylistLoad, TheSoundsFoundAreHandedOnInTheOrderRecallsWantThem) {
    const QString dir = test::freshFolder(u"sounds-loaded"_s);
    const QStringList names{"a.wma", "b.wma", "c.wav", "gone.wma", "d.wma", "a2.wma"};
    QStringList at;
    for (const QString& name : names) {
        at << dir + QLatin1Char('/') + name;
        if (name != QLatin1String("gone.wma"))
            test::writeFile(at.back(), {});
    }
    PlaylistDocument doc;
    doc.soundPaths[0] = at.mid(0, 3);
    doc.soundPaths[3] = at.mid(3, 2);
    doc.soundPaths[5] = at.mid(5);
    // Channels 0, 3 and 5 of two presets: past the end of a list, or the missing file.
    const int selected[2][3] = {{2, 1, 7}, {2, 0, 0}};
    for (int p = 0; p < 2; ++p) {
        doc.presets.emplace_back().name = u"P%1"_s.arg(p);
        for (int k = 0; k < 3; ++k)
            doc.presets.back().channels[k == 0 ? 0 : k * 2 + 1].selectedSound = selected[p][k];
    }
    test::writeFile(dir + u"/show.kal"_s, writePlaylist(doc));
    Booth booth;
    ASSERT_EQ(booth.files.LoadPlaylist(dir + u"/show.kal"_s).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(booth.sounds.join(QLatin1Char(' ')).remove(dir + QLatin1Char('/')),
              u"c.wav d.wma a2.wma a.wma b.wma"_s);
}

// The sound section as lines joined by "|"; where its paths land as "channel:path,path".
TEST(PlaylistLoad, SoundListChannelLinesDecideWhereEachPathGoes) {
    using Row = std::tuple<const char*, const char*, const char*>;
    const Row cases[] = {
        {"two channels", "Channel 7|/s/a|/s/b|/s/c|Channel 12|/s/d", "7:/s/a,/s/b,/s/c 12:/s/d"},
        {"Channel 99 skips its paths until the next valid line",
         "Channel 2|/s/a|Channel 99|/s/lost1|/s/lost2|Channel 31|/s/z", "2:/s/a 31:/s/z"},
        {"Channel 32 is beyond the last channel", "Channel 32|/s/lost", ""},
        {"paths before any Channel line go to the first channel; blank lines carry nothing",
         "/s/first||Channel 0|/s/second", "0:/s/first,/s/second"},
        {"backslashes stay as written", "Channel 4|\\shows\\rain.wav", "4:\\shows\\rain.wav"},
    };
    const QString path = test::freshFolder(u"sound-lists"_s) + u"/s.kal"_s;
    for (const auto& [label, section, expected] : cases) {
        test::writeFile(path, fixture(17, 1, QString::fromLatin1(section).split(QLatin1Char('|'))));
        Booth booth;
        EXPECT_EQ(booth.files.LoadPlaylist(path).outcome, LoadOutcome::Loaded) << label;
        QStringList landed;
        for (int ch = 0; ch < kChannelCount; ++ch)
            if (!booth.paths(ch).isEmpty())
                landed << u"%1:"_s.arg(ch) + booth.paths(ch).join(QLatin1Char(','));
        EXPECT_EQ(landed.join(QLatin1Char(' ')), QLatin1String(expected)) << label;
        EXPECT_TRUE(booth.dialogs.messages().isEmpty()) << label;
    }
}

TEST(PlaylistLoad, MissingSoundsAreRedAndAnnouncedOnlyWhenAskedFor) {
    const QString dir = test::freshFolder(u"missing"_s);
    test::writeFile(dir + u"/Sounds/Act 1/Thunder.WAV"_s, "RIFF");
    test::writeFile(dir + u"/Sounds/Rain.wav"_s, "RIFF");
    const QString wrongCase = dir + u"\\sounds\\act 1\\thunder.wav"_s;
    const QString gone = dir + u"/Sounds/Gone.wav"_s;
    const QStringList section{u"Channel 0"_s, wrongCase, dir + u"/Sounds/Rain.wav"_s, gone};
    Settings settings(dir + u"/Kalvor.ini"_s);
    // DisplayLoadFailed, format: the box's text changed with format 9.
    for (const auto& [flag, version] : {std::pair{0, 17}, {1, 8}, {1, 17}}) {
        SCOPED_TRACE(testing::Message() << "DisplayLoadFailed " << flag << ", format " << version);
        settings.setInteger(u"DisplayLoadFailed", flag);
        const QString path = dir + u"/show.kal"_s;
        test::writeFile(path, fixture(version, 1, section));
        test::ScriptedWaits waits;
        Booth booth(&settings);
        EXPECT_EQ(booth.files.LoadPlaylist(path).missingSounds, 1);
        const auto& list = booth.store.soundList(0);
        ASSERT_EQ(booth.paths(0), section.mid(1))
            << "kept as written, found without regard to case";
        EXPECT_EQ(list[0].displayName, u"thunder"_s);
        EXPECT_EQ(QList<int>({list[0].colour, list[1].colour, list[2].colour}).indexOf(255), 2);
        // One box per missing file, only when asked; its text changed with format 9.
        const QString text = version <= 8
                                 ? u"The specified file does not exist!"_s
                                 : u"The specified file: \r\n"_s + gone + u"\r\ndoes not exist!"_s;
        EXPECT_EQ(onlyBox(booth.dialogs),
                  flag ? u"Error while loading soundfile: "_s + text : QString());
        // Saved again, the sound lines are the operator's, byte for byte.
        const QString saved = dir + u"/saved.kal"_s;
        ASSERT_EQ(booth.files.SavePlaylist(saved, false), SaveOutcome::Saved);
        EXPECT_TRUE(test::readFile(saved).contains("\r\n" + section.join(u"\r\n"_s).toUtf8() +
                                                   "\r\n~\r\n"));
    }
}

// A show folder carried to another machine, its sounds beside it: the sound lines that
// name them relative to the show are found there, not in whatever folder the program
// was started from.
TEST(PlaylistLoad, RelativeSoundPathsAreTakenFromTheShowsOwnFolder) {
    const QString moved = test::freshFolder(u"moved show"_s) + u"/Hamlet"_s;
    test::writeFile(moved + u"/Sounds/Rain.wav"_s, "RIFF");
    test::writeFile(moved + u"/Sounds/Act 1/Thunder.WAV"_s, "RIFF");
    const QStringList section{u"Channel 3"_s, u"Sounds/Rain.wav"_s,
                              u"sounds\\act 1\\thunder.wav"_s};
    test::writeFile(moved + u"/show.kal"_s, fixture(17, 1, section));
    Booth booth;
    EXPECT_EQ(booth.files.LoadPlaylist(moved + u"/show.kal"_s).missingSounds, 0);
    EXPECT_EQ(booth.sounds,
              (QStringList{moved + u"/Sounds/Rain.wav"_s, moved + u"/Sounds/Act 1/Thunder.WAV"_s}));
    EXPECT_EQ(booth.paths(3), section.mid(1)) << "kept as written";
}

TEST(PlaylistLoad, BadFilesEndInTheirBoxAnEmptiedShowAndAnUntouchedFile) {
    const QString dir = test::freshFolder(u"bad-input"_s);
    const QByteArray good = fixture(17, 3, {u"Channel 0"_s, u"/s/a.wav"_s});
    const QByteArray megabyte(1 << 20, 'x');
    QByteArray garbage(70000, '\0');
    std::mt19937 rng(99);
    for (auto& b : garbage)
        b = static_cast<char>(rng());
    auto replaceLine = [](QByteArray file, int lineNumber, const QByteArray& with) {
        QList<QByteArray> lines = file.split('\n');
        lines[lineNumber - 1] = with + "\r";
        return lines.join('\n');
    };
    // Line 2 is the first preset's name, line 27 channel 1's Volume, line 31 its first EQ
    // float. `box` is a part of the only box's text; none: no box.
    using Row = std::tuple<const char*, QByteArray, LoadOutcome, int, const char*, bool>;
    const Row cases[] = {
        {"truncated in a preset", good.left(good.size() / 2), LoadOutcome::ReadError, 2,
         "Error 62 = Input past end of file", false},
        {"truncated before the layout block", good.left(good.indexOf("~\r\nArial") + 3),
         LoadOutcome::ReadError, 3, "Error 62 = Input past end of file", true},
        {"header of no known version", "Fileformat 18\r\n" + good.mid(15),
         LoadOutcome::UnknownFormat, 0, nullptr, false},
        {"empty file", QByteArray(), LoadOutcome::UnknownFormat, 0, nullptr, false},
        {"binary garbage", garbage, LoadOutcome::UnknownFormat, 0, nullptr, false},
        {"binary garbage after a header", "Fileformat 17\r\n" + garbage, LoadOutcome::ReadError, 1,
         "'Load_Playlist_From_Disk / Format 17'", false},
        {"a megabyte preset name", replaceLine(good, 2, megabyte), LoadOutcome::Loaded, 3, nullptr,
         true},
        {"a megabyte sound path",
         good.left(good.indexOf("/s/a.wav")) + "/" + megabyte +
             good.mid(good.indexOf("/s/a.wav") + 8),
         LoadOutcome::Loaded, 3, nullptr, true},
        {"volume beyond 32 bits", replaceLine(good, 27, "4294967296"), LoadOutcome::ReadError, 1,
         "Error 6 = Overflow", false},
        {"a word where a float belongs", replaceLine(good, 31, "loud"), LoadOutcome::ReadError, 1,
         "Error 13 = Type mismatch", false},
        {"a hundred and one presets", fixture(17, kPresetCapacity + 1, {u"Channel 0"_s, u"/s/a"_s}),
         LoadOutcome::CapacityExceeded, 0, "exceeds the\r\navailable Preset memory space!", false},
    };
    for (const auto& [label, bytes, outcome, presets, box, soundsRead] : cases) {
        SCOPED_TRACE(label);
        const QString path = dir + u"/show.kal"_s;
        test::writeFile(path, bytes);
        const QDateTime modified = QFileInfo(path).lastModified();
        Booth booth;
        booth.store.setSoundList(9, {makeSoundEntry(u"/previous/show.wav"_s)});
        booth.store.setPlaylistPath(u"/previous/show.kal"_s);
        const LoadReport r = booth.files.LoadPlaylist(path);
        EXPECT_EQ(r.outcome, outcome);
        EXPECT_EQ(booth.store.presets().count(), presets);
        EXPECT_TRUE(booth.store.soundList(9).isEmpty()) << "the show is cleared before reading";
        EXPECT_EQ(booth.store.soundList(0).isEmpty(), !soundsRead);
        const QString shown = onlyBox(booth.dialogs);
        EXPECT_TRUE(box ? shown.contains(box) : shown.isEmpty()) << qPrintable(shown);
        for (const QString& name : booth.store.presets().names())
            EXPECT_LE(name.size(), 40) << "a preset name is cut to its 40 characters";
        const bool loaded = outcome == LoadOutcome::Loaded;
        EXPECT_EQ(booth.store.playlistPath(), loaded ? path : QString())
            << "a file that did not read cleanly must not become the target of a save";
        EXPECT_EQ(booth.log.contains(u"newPreset"_s), !loaded && presets == 0);
        EXPECT_TRUE(outcome != LoadOutcome::UnknownFormat || booth.files.loadedFormat() == 1);
        EXPECT_EQ(test::readFile(path), bytes) << "a load never changes the file";
        EXPECT_EQ(QFileInfo(path).lastModified(), modified);
    }
}

// The error box names only the error; what the operator must check by hand is where the
// file stopped being read, so the system messages say it.
TEST(PlaylistLoad, AReadErrorTellsWhereTheFileStoppedBeingRead) {
    const QString path = test::freshFolder(u"read-stop"_s) + u"/show.kal"_s;
    const QByteArray good = fixture(17, 2, {u"Channel 0"_s, u"/s/a.wav"_s});
    // Line 2463: channel 1's Volume in preset 2 (2 + 2435 + 26).
    QList<QByteArray> lines = good.split('\n');
    lines[2463 - 1] = "4294967296\r";
    using Row = std::pair<QByteArray, QString>;
    const Row cases[] = {
        {lines.join('\n'), u"line 2463 (preset 2)"_s},
        {good.left(good.indexOf("~\r\nArial") + 3), u"line 4875 (overview layout)"_s},
    };
    for (const auto& [bytes, where] : cases) {
        test::writeFile(path, bytes);
        Booth booth;
        EXPECT_EQ(booth.files.LoadPlaylist(path).outcome, LoadOutcome::ReadError);
        EXPECT_TRUE(announced(u"Reading stopped at "_s + where + u"; nothing after it was read."_s))
            << qPrintable(where);
    }
}

// An old file ends after its sound lists, so a read cut short there looks like a whole
// show; loaded as one, its next save would drop the sounds that were never read.
TEST(PlaylistLoad, AFileThatFailsPartWayThroughIsNotTakenForAWholeShow) {
    const QString path = test::freshFolder(u"read-fault"_s) + u"/show.kal"_s;
    const QByteArray bytes = fixture(10, 1, {u"Channel 0"_s, u"/s/a.wav"_s, u"/s/b.wav"_s});
    test::writeFile(path, bytes);
    Booth booth;
    LoadReport report;
    {
        const test::FailingRead failing(path, bytes.indexOf("/s/b.wav"));
        report = booth.files.LoadPlaylist(path);
    }
    EXPECT_EQ(report.outcome, LoadOutcome::Unreadable);
    EXPECT_TRUE(booth.store.playlistPath().isEmpty());
    EXPECT_TRUE(onlyBox(booth.dialogs).contains(u"Error 57"_s))
        << qPrintable(onlyBox(booth.dialogs));
}

TEST(PlaylistLoad, AFileThatIsNotThereGetsTheError52Box) {
    Booth booth;
    const LoadReport r = booth.files.LoadPlaylist(test::testHome() + u"/no/such/show.kal"_s);
    EXPECT_EQ(r.outcome, LoadOutcome::Unreadable);
    EXPECT_EQ(onlyBox(booth.dialogs), u"Error 52 while loading file: File or drive not found!"_s);
    EXPECT_TRUE(booth.log.contains(u"newPreset"_s));
    EXPECT_EQ(booth.files.loadedFormat(), 1);
}

TEST(PlaylistLoad, TheGpioBlockTravelsOnlyWithTheConfigurationPlaylist) {
    const QString dir = test::freshFolder(u"gpio"_s);
    Settings settings(dir + u"/Kalvor.ini"_s);
    const QByteArray file = fixture(15);
    const QString path = dir + u"/show.kal"_s;
    test::writeFile(path, file);
    for (const bool applied : {true, false}) {
        settings.setText(u"GPIO Configuration", applied ? u"1"_s : u"0"_s);
        Booth booth(&settings);
        EXPECT_EQ(booth.files.LoadPlaylist(path).outcome, LoadOutcome::Loaded);
        EXPECT_EQ(booth.gpio ? booth.gpio->lines[4].function : -1, applied ? 5 : -1);
        // Saved again, the show keeps the block it brought (or the global assignments).
        const PlaylistDocument doc = booth.files.currentDocument();
        ASSERT_TRUE(doc.gpio);
        EXPECT_EQ(doc.gpio->lines[4].function, applied ? 5 : 0);
    }
    // A block whose numbers are words ends the reader after the rest was taken.
    settings.setText(u"GPIO Configuration", u"1"_s);
    QByteArray broken = file;
    broken.replace("Function 3\r\n3\r\n", "Function 3\r\nthree\r\n");
    test::writeFile(path, broken);
    Booth booth(&settings);
    EXPECT_EQ(booth.files.LoadPlaylist(path).outcome, LoadOutcome::ReadError);
    EXPECT_TRUE(booth.store.presets().count() == 1 && booth.log.contains(u"layout"_s));
    EXPECT_TRUE(onlyBox(booth.dialogs).contains(u"Load_Playlist_From_Disk / Format 15"_s));
}

// A link to a file that has gone is the text reader's to report (TextReader tests).
TEST(PlaylistLoad, TheLinkedTextDocumentIsFoundWithoutRegardToCaseAndKeptAsWritten) {
    const QString dir = test::freshFolder(u"text-link"_s);
    test::writeFile(dir + u"/Scripts/Hamlet Act One.RTF"_s, "{\\rtf1}");
    const QString link = dir + u"\\scripts\\hamlet act one.rtf"_s;
    QStringList tail = test::standardTail(17);
    tail[tail.indexOf(u"-"_s)] = link;
    test::writeFile(dir + u"/show.kal"_s, fixture(17, 1, {}, tail));
    Booth booth;
    EXPECT_EQ(booth.files.LoadPlaylist(dir + u"/show.kal"_s).outcome, LoadOutcome::Loaded);
    ASSERT_TRUE(booth.text);
    EXPECT_EQ(std::tuple(booth.text->kind, booth.text->title, booth.text->shortName),
              std::tuple(TextReaderDocument::Kind::RichText, u"Text Reader (hamlet act one.rtf)"_s,
                         u"hamlet act ~"_s));
    EXPECT_EQ(booth.files.currentDocument().textReaderLink.path(), link)
        << "saved again as it came";
}

TEST(PlaylistLoad, FormatThreeAnnouncesItselfWithTwoDotsAndIgnoreAutostartFollowsTheSetting) {
    const QString dir = test::freshFolder(u"v3"_s);
    Settings settings(dir + u"/Kalvor.ini"_s);
    settings.setInteger(u"IgnoreAutostart", 0);
    const QString path = dir + u"/old.kal"_s;
    test::writeFile(path, test::fixtureFile(3, {}));
    Booth booth(&settings);
    EXPECT_EQ(booth.files.LoadPlaylist(path).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(announced(u" {Format 3}..\r\n"_s));
    EXPECT_TRUE(booth.log.contains(u"recall"_s));
}
