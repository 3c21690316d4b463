// An output that goes away while it plays (a USB card unplugged, the JACK server ended):
// the operator reads it in the audio messages, and the channels on it stop instead of
// looking as if they played on for ever. Others play on.
#include "TestMedia.h"
#include "support/JackListener.h"
#include "support/KaeRig.h"
#include "support/PrivateJack.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

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
