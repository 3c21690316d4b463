// Output devices as the operator meets them: what start-up lists and says, a channel moved
// to another output while it plays, the preview channel's output, outputs of recalled
// presets, the buffer size, and shut-down; at the end the engine in the program's own
// start-up and shut-down order, and an output that goes away while it plays (last: a JACK
// server that exits leaves PortAudio unable to start afresh in this process).
#include "TestMedia.h"
#include "core/Lifecycle.h"
#include "core/UiLanguage.h"
#include "engine/kae/KaeMessageDispatcher.h"
#include "support/JackListener.h"
#include "support/KaeRig.h"
#include "support/PrivateJack.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

namespace {

QStringList deviceNames(const engine::OutputDeviceList& list) {
    QStringList names;
    for (const auto& d : list.devices())
        names << d.name + QLatin1Char('#') + QString::number(d.number);
    return names;
}

std::string joined(const QStringList& lines) {
    return lines.join(u" | "_s).toStdString();
}

} // namespace

TEST(KaeDevices, StartUpListsTheDevicesTheOptionsAllow) {
    const std::vector<audio::ScriptedDevice> card{
        scriptedDevice(u"Delta 1/2"_s, 2),
        scriptedDevice(u"Delta 3/4"_s, 2),
        scriptedDevice(u"Onboard"_s, 6),
        scriptedDevice(u"Null output (emulated)"_s, 2),
    };
    using Row = std::tuple<const char*, const char*, QStringList>;
    const Row cases[] = {
        // (Every marker rule: KaeMathTest.)
        {"1", "0", {"Delta 1/2#1", "Delta 3/4#2", "Onboard#3"}},
        {"0", "1", {"Delta 1/2#1", "Onboard#3", "Null output (emulated)#4"}},
    };
    for (const auto& [noEmulated, firstPairOnly, listed] : cases) {
        KaeRig rig({card,
                    {{u"NoEmulatedDevices"_s, QLatin1String(noEmulated)},
                     {u"FirstPairOnly"_s, QLatin1String(firstPairOnly)}}});
        ASSERT_TRUE(rig.initResult);
        EXPECT_EQ(deviceNames(rig.kae->devices()), listed);
        EXPECT_TRUE(rig.dialogs.messages().isEmpty());
        // Every channel starts on the first listed output.
        EXPECT_EQ(std::tuple(rig.store.channel(31).outputName, rig.store.channel(31).deviceNumber,
                             rig.kae->slot(31).speakers),
                  std::tuple(u"Delta 1/2"_s, 1, 2));
    }
}

TEST(KaeDevices, StartUpWritesWhatEachDeviceDidAndALoadOnOneNotStartedFails) {
    KaeRig rig({{scriptedDevice(u"Speakers A"_s, 2), scriptedDevice(u"Broken B"_s, 2),
                 scriptedDevice(u"Speakers C"_s, 8)},
                {},
                false});
    // Listed, then gone before it is started.
    rig.backend->setDevices({scriptedDevice(u"Speakers A"_s, 2),
                             scriptedDevice(u"Broken B"_s, 2, false),
                             scriptedDevice(u"Speakers C"_s, 8)});
    UiLanguage::instance().set(Language::German);
    EXPECT_TRUE(KAE__Init()) << "a device that does not start leaves the program running";
    UiLanguage::instance().set(Language::English);
    const QStringList lines = rig.takeAudioLines();
    const QString dashes(74, QLatin1Char('-'));
    const int first = int(lines.indexOf(u"KAE: Initializing Audio Device 1 - Speakers A..."_s));
    ASSERT_GE(first, 0) << joined(lines);
    // Each device: its heading, how it went and its figures (their values are the device's),
    // then a line of dashes.
    EXPECT_EQ(lines.at(first + 1), u"KAE: Initializing successful!"_s);
    EXPECT_EQ(lines.at(first + 6), u"KAE: Sound device 1 max. no. of channels: 2"_s);
    EXPECT_EQ(lines.at(first + 7), u"KAE: Setting buffer size to 500ms..."_s);
    EXPECT_EQ(lines.at(first + 9), dashes);
    EXPECT_EQ(lines.at(first + 10), u"KAE: Initializing Audio Device 2 - Broken B..."_s);
    EXPECT_EQ(lines.at(first + 11), u"KAE: Can't initialize Audio Device 2..."_s);
    EXPECT_FALSE(lines.contains(u"KAE: Initializing Audio Device 3 - Speakers C..."_s))
        << "devices after a failed one stay unstarted";
    EXPECT_EQ(rig.dialogs.waitText(), u"Initialisiere: Broken B..."_s);
    EXPECT_EQ(rig.dialogs.waitProgress(), 66);

    // A load on an output that cannot be selected fails.
    using Row = std::tuple<const char*, int>;
    const Row cases[] = {{"listed but not started", 2}, {"not listed", 9}};
    for (const auto& [what, deviceNumber] : cases) {
        SCOPED_TRACE(what);
        Channel& ch = rig.store.channel(4);
        ch.deviceNumber = deviceNumber;
        ch.outputName = u"Broken B"_s;
        rig.takeAudioLines();
        EXPECT_FALSE(KAE__Channel_Load_Sound(4, rampFile(50000)));
        EXPECT_EQ(rig.kae->slot(4).stream, 0u) << "nothing opened on another device";
        EXPECT_TRUE(ch.fileName.isEmpty());
        const QStringList loadLines = rig.takeAudioLines();
        EXPECT_EQ(std::tuple(loadLines.contains(u"Attaching successful!"_s),
                             loadLines.contains(u"Attaching has failed, Handle is zero!"_s),
                             loadLines.contains(
                                 u"KAE: Error Message: Error while selecting Output Device"_s)),
                  std::tuple(false, true, true))
            << joined(loadLines);
    }
}

TEST(KaeDevices, AMovedChannelPlaysOnWhileItsNewOutputOpens) {
    // Time passes while the sound opens on the new output (a WMA file takes 100 ms): the
    // old output must go on sounding until the new one takes over.
    for (const testmedia::Format format : {testmedia::Format::Wma, testmedia::Format::Wav16}) {
        const QString file = testmedia::extensionOf(format);
        SCOPED_TRACE(file.toStdString());
        KaeRig rig({{scriptedDevice(u"Speakers A"_s), scriptedDevice(u"Speakers B"_s)}, {}});
        ASSERT_TRUE(rig.initResult);
        const QString tone = testmedia::makeTone(mediaFolder(), u"move"_s + file, format, 44100, 2,
                                                 3.0, 441.0, -6.0);
        rig.store.channel(0).volume = 100;
        ASSERT_TRUE(loadAndApply(0, tone));
        ASSERT_TRUE(KAE__Channel_Play(0, true, false));
        rig.render(4410);
        Rendered meanwhile;
        rig.whileOpening = [&] {
            rig.lib->setDevice(1);
            rig.render(4410, meanwhile, 441); // 100 ms
            rig.lib->setDevice(2);
        };
        ASSERT_TRUE(KAE__Channel_ChangeDevice(0, u"Speakers B"_s, false));
        rig.whileOpening = nullptr;
        ASSERT_EQ(meanwhile.frames(), 4410);
        std::int64_t silent = 0;
        for (std::int64_t f = 0; f < meanwhile.frames(); f += 441)
            silent += meanwhile.peak(0, f, f + 441) < 0.01 ? 441 : 0;
        EXPECT_EQ(silent, 0) << "silent on the old output for " << silent * 1000 / 44100
                             << " of the 100 ms the new one took to open";
        const Rendered onB = rig.render(4410);
        EXPECT_GT(onB.peak(0, 0, 441), 0.4) << "the new output takes over at once";
        // From mid-waveform, under the 3 ms (132 frames) ramp, not in one step.
        for (int f = 0; f < 132; ++f)
            ASSERT_LE(std::fabs(onB.at(f, 0)), 0.51f * static_cast<float>(f + 1) / 132) << f;
        // The old one fades out over 3 ms (a cut there would click) and falls silent.
        EXPECT_EQ(rig.lib->setDevice(1) && rig.render(441).peak(0, 133, 441) < 1e-6, true)
            << "and the old one falls silent";
    }
}

TEST(KaeDevices, AChannelMovedDuringItsFadeOutFinishesTheFade) {
    KaeRig rig({{scriptedDevice(u"Speakers A"_s), scriptedDevice(u"Speakers B"_s)}, {}});
    ASSERT_TRUE(rig.initResult);
    Channel& ch = rig.store.channel(1);
    ch.volume = 94;
    ch.fadeOut = FadeSettings{1000, true, 2};
    ASSERT_TRUE(loadAndApply(1, levelFile(3.0)));
    QSignalSpy finished(&rig.kae->dispatcher(), &engine::KaeMessageDispatcher::fadeOutFinished);
    ASSERT_TRUE(KAE__Channel_Play(1, true, false));
    ASSERT_TRUE(KAE__Channel_StartFadeOut(1));
    rig.render(44100 * 4 / 10, 64); // into the second segment
    ASSERT_TRUE(KAE__Channel_ChangeDevice(1, u"Speakers B"_s, false));
    Rendered onB;
    while (finished.isEmpty() && onB.frames() < 2 * 44100)
        rig.render(64, onB, 64);
    ASSERT_EQ(finished.count(), 1) << "the fade-out ends on the new output";
    EXPECT_NEAR(double(onB.frames()), 44100 * 6 / 10, 441) << "when it was due";
    // On from the level it had reached, inside the second segment (from 75 to 56).
    const double from = onB.peak(0, 0, 64);
    EXPECT_TRUE(from < 0.5 * std::pow(10.0, -25 / 20.0) && from > 0.5 * std::pow(10.0, -44 / 20.0))
        << from;
    EXPECT_LT(onB.peak(0, onB.frames() - 64, onB.frames()), 1e-3);
    EXPECT_EQ(rig.kae->slot(1).fadeOutStep, 5);
}

TEST(KaeDevices, PreviewChannelTakesItsOwnOutputAndVolume) {
    const std::vector<audio::ScriptedDevice> set{scriptedDevice(u"Speakers A"_s),
                                                 scriptedDevice(u"Headphones"_s, 2)};
    using Row = std::tuple<const char*, const char*, const char*>;
    const Row cases[] = {
        {"Headphones", "Headphones", "Sounddevice for preview channel found!"},
        {"Gone USB", "Speakers A",
         "Non-existing sounddevice for preview channel has been replaced!"},
        {"", "Speakers A", "Non-existing sounddevice for preview channel has been replaced!"},
    };
    for (const auto& [previewDevice, output, line] : cases) {
        KaeRig rig(
            {set,
             {{u"PreviewDevice"_s, QLatin1String(previewDevice)}, {u"PreviewVolume"_s, u"71"_s}}});
        rig.takeAudioLines();
        EXPECT_EQ(ChoosePreviewOutput(), 71);
        EXPECT_EQ(std::tuple(rig.store.channel(32).outputName, rig.store.channel(32).volume),
                  std::tuple(QString::fromLatin1(output), 71));
        EXPECT_EQ(rig.takeAudioLines(), QStringList{QLatin1String(line)});
    }
}

TEST(KaeDevices, RecalledPresetsFindTheirOutputByNameOrNumber) {
    const std::vector<audio::ScriptedDevice> set{scriptedDevice(u"Speakers A"_s),
                                                 scriptedDevice(u"Speakers B"_s),
                                                 scriptedDevice(QString(70, QLatin1Char('L')))};
    const QString longName(70, QLatin1Char('L'));
    using Row = std::tuple<const char*, QString, int, QString, bool>;
    const Row cases[] = {
        {"0", u"Speakers B"_s, 1, u"Speakers B"_s, false},
        {"0", u"Speakers B   "_s, 0, u"Speakers B"_s, false},
        {"0", u"Gone"_s, 2, u"Speakers A"_s, true},
        // A preset keeps 64 characters of a name; the device is still recognised.
        {"0", longName.left(64), 0, longName, false},
        {"1", u"Gone"_s, 2, u"Speakers B"_s, false},
        {"1", u"Speakers B"_s, 7, u"Speakers A"_s, true},
    };
    for (const auto& [selection, storedName, storedNumber, found, replaced] : cases) {
        KaeRig rig({set, {{u"AudioDeviceSelection"_s, QLatin1String(selection)}}});
        rig.takeAudioLines();
        const engine::OutputDevice device = FindPresetOutput(4, storedName, storedNumber);
        EXPECT_EQ(device.name, found) << storedName.toStdString();
        EXPECT_EQ(rig.takeAudioLines(),
                  replaced ? QStringList{"Non-existing sounddevice in channel 5 has been replaced!"}
                           : QStringList{});
    }
}

TEST(KaeDevices, BufferSizeChangeReachesEveryDeviceAndIsStored) {
    KaeRig rig({{scriptedDevice(u"Speakers A"_s), scriptedDevice(u"Speakers B"_s)}, {}});
    rig.takeAudioLines();
    ChangeBufferSize(250);
    const QStringList lines = rig.takeAudioLines();
    EXPECT_EQ(lines.count(u"KAE: Setting buffer size to 250ms..."_s), 2);
    EXPECT_EQ(rig.settings->integer(u"BufferSize"), 250);
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    const RecordedBox box = rig.dialogs.messages().at(0);
    EXPECT_EQ(std::tuple(box.icon, box.title),
              std::tuple(MessageIcon::Information, u"Set Buffer size"_s));
    EXPECT_EQ(box.text, u"New buffer size will be used after\r\nreloading all "
                        "sounds or the Preset!"_s);
}

TEST(KaeDevices, ShutDownFreesEverythingAndWaitsOnlyWhenAsked) {
    for (const bool settle : {true, false}) {
        KaeRig rig;
        ASSERT_TRUE(KAE__Channel_Load_Sound(0, rampFile(3000)));
        ASSERT_TRUE(KAE__Channel_Play(0, true, false));
        EXPECT_TRUE(KAE__Shutdown(settle));
        EXPECT_EQ(rig.waits.waits(), settle ? QList<int>{1000} : QList<int>{});
        EXPECT_EQ(std::tuple(rig.kae->slot(0).stream, rig.kae->dispatcher().subscribed(),
                             KAE__Channel_IsPlaying(0)),
                  std::tuple(0u, false, false));
    }
}

// The engine in the program's start-up and shut-down order, wired as the program wires
// it: a machine with only the emulated output starts (after the second scan, with its
// message) and runs on it, a machine with no output at all ends, and closing waits its
// 1000 ms once.
namespace {

// The program's hooks for the engine, on a rig that has not started it.
void wireEngine(Lifecycle& lifecycle) {
    StartupHooks& up = lifecycle.startupHooks();
    up.soundDevicePresent = &KAE__SoundDevicePresent;
    up.initAudioEngine = [] {
        return KAE__Init();
    };
    up.choosePreviewOutput = &ChoosePreviewOutput;
    lifecycle.shutdownHooks().freeAudioEngine = [] {
        KAE__Shutdown(false);
    };
}

ProgramContext contextFor(KaeRig& rig) {
    ProgramContext ctx;
    ctx.store = &rig.store;
    ctx.settings = rig.settings.get();
    ctx.runtimeFolder = freshFolder(u"lifecycle_run"_s);
    ctx.version = u"0.1.0"_s;
    return ctx;
}

} // namespace

TEST(KaeLifecycle, OnlyTheEmulatedOutputStillStartsTheProgram) {
    KaeRig rig({{scriptedDevice(u"Null output (emulated)"_s)}, {}, false});
    Lifecycle lifecycle(contextFor(rig));
    wireEngine(lifecycle);
    ASSERT_EQ(lifecycle.Main({}), StartResult::Running);
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    const RecordedBox box = rig.dialogs.messages().at(0);
    EXPECT_EQ(std::tuple(box.title, box.icon), std::tuple(u"Error"_s, MessageIcon::Critical));
    EXPECT_EQ(box.text, u"There are no ALSA/JACK compatible\r\nsound devices "
                        "installed on this computer!\r\nKalvor will now try to "
                        "detect 'emulated' devices!"_s);
    EXPECT_TRUE(rig.takeAudioLines().contains(
        u"KAE: Sound system version is: 9 (should be: 8 or higher)"_s));
    EXPECT_EQ(rig.settings->integer(u"NoEmulatedDevices"), 0);
    EXPECT_EQ(rig.store.channel(0).outputName, u"Null output (emulated)"_s);
    EXPECT_EQ(rig.store.channel(32).outputName, u"Null output (emulated)"_s);
    EXPECT_TRUE(rig.kae->dispatcher().subscribed());
    // ...and it plays there.
    ASSERT_TRUE(KAE__Channel_Load_Sound(0, rampFile(3000)));
    EXPECT_TRUE(KAE__Channel_Play(0, true, false));

    const qsizetype waitsBefore = rig.waits.waits().size();
    lifecycle.setForcedQuit(true);
    ASSERT_TRUE(lifecycle.requestClose());
    EXPECT_EQ(rig.waits.waits().mid(waitsBefore), QList<int>{1000})
        << "the engine does not wait a second time";
    EXPECT_FALSE(rig.kae->dispatcher().subscribed());
}

TEST(KaeLifecycle, NoOutputAtAllEndsStartUp) {
    KaeRig rig({{}, {}, false});
    rig.backend->setDevices({});
    rig.lib->rescanDevices();
    Lifecycle lifecycle(contextFor(rig));
    wireEngine(lifecycle);
    EXPECT_EQ(lifecycle.Main({}), StartResult::NoSoundDevice);
    EXPECT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_FALSE(KAE__Init()) << "nor does the engine start when asked";
    ASSERT_EQ(rig.dialogs.messages().size(), 3);
    EXPECT_EQ(rig.dialogs.messages().at(2).title, u"Error"_s);
    EXPECT_EQ(rig.dialogs.messages().at(2).text,
              u"No sound device found on this computer,\r\nKalvor can not run!"_s);
    EXPECT_FALSE(rig.kae->dispatcher().subscribed());
}

// An output that goes away while it plays (a USB card unplugged, the JACK server ended):
// the operator reads it in the audio messages, and the channels on it stop instead of
// looking as if they played on for ever. Others play on.
namespace {

QString tone(int rate) {
    return testmedia::makeTone(mediaFolder(), u"lost_%1"_s.arg(rate), testmedia::Format::Wav16,
                               rate, 2, 5.0, 440.0, -6.0);
}

void handleLibraryEvents(audio::AudioLib& lib) {
    lib.deliverSyncs();
    QCoreApplication::sendPostedEvents();
}

} // namespace

TEST(KaeDeviceLost, TheOperatorIsToldAndTheChannelsOnItStop) {
    KaeRig rig({{scriptedDevice(u"Speakers A"_s), scriptedDevice(u"Speakers B"_s)}, {}});
    ASSERT_TRUE(rig.initResult);
    Channel& onB = rig.store.channel(1);
    onB.deviceNumber = 2;
    onB.outputName = u"Speakers B"_s;
    for (int slot : {0, 1, 2}) {
        ASSERT_TRUE(KAE__Channel_Load_Sound(slot, tone(44100)));
        ASSERT_TRUE(KAE__Channel_Play(slot, true, false));
    }
    ASSERT_TRUE(KAE__Channel_Pause(2));
    rig.takeAudioLines();
    rig.backend->unplug(u"scripted:Speakers A"_s);
    handleLibraryEvents(*rig.lib);
    handleLibraryEvents(*rig.lib);

    const QStringList lines = rig.takeAudioLines();
    EXPECT_EQ(lines.count(u"Output device lost: Speakers A"_s), 1)
        << lines.join(u" | "_s).toStdString();
    EXPECT_TRUE(KAE__Channel_IsStopped(0)) << "a playing channel on it";
    EXPECT_TRUE(KAE__Channel_IsStopped(2)) << "a paused channel on it";
    EXPECT_FALSE(KAE__Channel_Play(0, true, false)) << "nothing starts there again";
    EXPECT_TRUE(KAE__Channel_IsPlaying(1)) << "the other output plays on";
}

// The same with a real server that exits and starts again: the output is opened again by
// itself and the next play reaches the server's playback ports. The server runs under a
// name of its own, so the shared test server is not touched; last in its program, as
// PortAudio is not started afresh in a process once a JACK server died under it.
TEST(KaeDeviceLost, AJackServerThatExitsAndComesBackPlaysOnTheNextGo) {
    if (!kalvor::test::jackdInstalled())
        GTEST_SKIP() << "jackd is not installed";
    QProcess server;
    ASSERT_TRUE(kalvor::test::startPrivateJack(server, u"kalvor-lost"_s));
    // Only the server's device: the machine's other outputs are no part of this.
    struct JackOnly final : audio::DeviceBackend {
        std::shared_ptr<audio::DeviceBackend> system = audio::makeSystemBackend();
        std::vector<audio::BackendDevice> enumerate() override {
            std::vector<audio::BackendDevice> jack;
            for (const auto& d : system->enumerate())
                if (d.driver == u"jack"_s)
                    jack.push_back(d);
            return jack;
        }
        std::unique_ptr<audio::OutputStream> open(const audio::BackendDevice& device, int rate,
                                                  audio::RenderTarget& target,
                                                  QString* error) override {
            return system->open(device, rate, target, error);
        }
    };
    auto backend = std::make_shared<JackOnly>();
    for (int attempt = 0; attempt < 50 && backend->enumerate().empty(); ++attempt)
        QThread::msleep(100); // the server needs a moment before it answers
    const bool up = !backend->enumerate().empty();
    if (!up) {
        qunsetenv("JACK_DEFAULT_SERVER");
        server.terminate();
        server.waitForFinished();
        GTEST_SKIP() << "the private JACK server did not answer";
    }
    KaeRig rig({{}, {{u"SampleRate"_s, u"48000"_s}}, true, backend});
    qunsetenv("JACK_DEFAULT_SERVER");
    ASSERT_TRUE(rig.initResult);
    ASSERT_TRUE(KAE__Channel_Load_Sound(0, tone(48000)));
    ASSERT_TRUE(KAE__Channel_Play(0, true, false));
    QElapsedTimer guard; // a limit for a hung server, not a measurement
    guard.start();
    while (KAE__Channel_GetPositionInSamples(0) < 4800 && guard.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    rig.takeAudioLines();
    // While it is away the output is tried on this server's name, not the shared one.
    qputenv("JACK_DEFAULT_SERVER", "kalvor-lost");
    // Terminated, not killed: a server that exits on its own leaves JACK's registry of
    // servers, which has room for eight.
    server.terminate();
    server.waitForFinished();
    while (KAE__Channel_IsPlaying(0) && guard.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_TRUE(KAE__Channel_IsStopped(0));
    QStringList lines = rig.takeAudioLines();
    EXPECT_TRUE(lines.contains(u"Output device lost: JACK"_s))
        << lines.join(u" | "_s).toStdString();

    ASSERT_TRUE(kalvor::test::startPrivateJack(server, u"kalvor-lost"_s));
    EXPECT_TRUE(waitFor(
        [&] {
            lines << rig.takeAudioLines();
            return lines.contains(u"Output device back: JACK"_s);
        },
        20000))
        << lines.join(u" | "_s).toStdString();
    {
        JackListener ears;
        ASSERT_TRUE(ears.open());
        EXPECT_TRUE(waitFor([&] { return ears.tap({1, 2}); }, 10000));
        EXPECT_EQ(ears.sounding(), 0u) << "nothing plays by itself";
        ASSERT_TRUE(KAE__Channel_Play(0, true, false));
        EXPECT_EQ(ears.sounding(), 3u);
    }
    qunsetenv("JACK_DEFAULT_SERVER");
    server.terminate();
    server.waitForFinished();
}
