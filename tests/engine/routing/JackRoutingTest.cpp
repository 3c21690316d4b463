// Routing through a real audio server: a JACK server on the dummy driver with 8 playback
// ports, and ALSA devices of the test's own HOME that each feed their own JACK ports. A
// JACK client of the test (support/JackListener) listens to what reaches each of the
// server's playback ports.
// The engine runs as the program runs it: the system device list, every device started,
// channels moved between devices and destinations while the server's clock runs.
//
// The server is the test's own (a fixed small set of names, so one left behind by a
// crashed run is taken over rather than piling up in JACK's server registry), or the
// shared test server when ours cannot start. Skips only when jackd is not installed.
#include "TestMedia.h"
#include "engine/kae/SurroundDestinations.h"
#include "support/JackListener.h"
#include "support/KaeRig.h"
#include "support/PrivateJack.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace Qt::StringLiterals;

namespace {

constexpr int kPorts = kalvor::test::JackListener::kPorts;

// Where each test device plays: spkA on ports 1/2, spkB on 3/4, the 6-channel devices on
// 3..8 in ALSA order (FL FR RL RR C LFE), plug6 through a plug converter.
const char kAsoundrc[] = R"(
pcm.spkA { type plug slave.pcm { type jack playback_ports { 0 system:playback_1 1 system:playback_2 } } }
pcm.spkB { type plug slave.pcm { type jack playback_ports { 0 system:playback_3 1 system:playback_4 } } }
pcm.surr6 { type jack playback_ports { 0 system:playback_3 1 system:playback_4 2 system:playback_5 3 system:playback_6 4 system:playback_7 5 system:playback_8 } }
pcm.plug6 { type plug slave.pcm "surr6" }
)";

using kalvor::test::JackListener;
using kalvor::test::waitFor;

class JackRouting : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QStandardPaths::findExecutable(u"jackd"_s).isEmpty())
            return;
        for (int n = 0; n < 4 && !listener_; ++n) {
            const QString name = u"kalvor-routing-%1"_s.arg(n);
            server_ = new QProcess;
            kalvor::test::startPrivateJack(*server_, name, kPorts);
            auto listener = std::make_unique<JackListener>();
            QElapsedTimer guard;
            guard.start();
            bool up = false;
            while (!up && server_->state() == QProcess::Running && guard.elapsed() < 5000) {
                QThread::msleep(100);
                up = listener->open();
            }
            if (up) {
                listener_ = listener.release();
            } else {
                stopServer(); // the name is in use by a live server of another run
            }
        }
        if (!listener_) {
            // JACK's registry of servers is full (killed servers stay in it): the shared
            // test server of scripts/services will do when it has the 8 ports.
            qunsetenv("JACK_DEFAULT_SERVER");
            auto listener = std::make_unique<JackListener>();
            if (listener->open() && listener->ports() >= kPorts)
                listener_ = listener.release();
        }
        if (!listener_)
            return;
        test::writeFile(QDir::homePath() + u"/.asoundrc"_s, kAsoundrc);
    }
    static void TearDownTestSuite() {
        delete listener_;
        listener_ = nullptr;
        stopServer();
    }
    static void stopServer() {
        if (server_ == nullptr)
            return;
        // Terminated, not killed: a server that exits on its own leaves JACK's registry.
        server_->terminate();
        if (!server_->waitForFinished(5000))
            server_->kill();
        server_->waitForFinished();
        delete server_;
        server_ = nullptr;
    }

    void SetUp() override {
        if (QStandardPaths::findExecutable(u"jackd"_s).isEmpty())
            GTEST_SKIP() << "jackd is not installed";
        ASSERT_NE(listener_, nullptr)
            << "no JACK server with 8 playback ports: ours did not start and none answers";
        rig_ = std::make_unique<test::KaeRig>(
            test::RigOptions{{}, {}, true, audio::makeSystemBackend()});
        ASSERT_TRUE(rig_->initResult);
    }
    void TearDown() override {
        if (rig_)
            KAE__Shutdown(false);
    }

    // Moves channel `ch` to `output` with destination `index` and plays a tone there.
    bool play(int ch, const char* output, int index, int fileChannels) {
        Channel& c = rig_->store.channel(ch);
        c.volume = 100;
        static QString tones[3];
        QString& tone = tones[fileChannels == 1 ? 1 : 2];
        if (tone.isEmpty())
            tone = testmedia::makeTone(test::testHome(), u"jack_tone_%1"_s.arg(fileChannels),
                                       testmedia::Format::Wav16, 48000, fileChannels, 10.0, 440.0,
                                       -6.0);
        c.fileName = tone;
        c.surroundDestination = std::int32_t(engine::surroundDestinationFlags(index));
        if (!KAE__Channel_ChangeSurround(ch, QLatin1String(output)))
            return false;
        KAE__Channel_ApplySettings(ch);
        return KAE__Channel_Play(ch, true, true);
    }

    static QProcess* server_;
    static JackListener* listener_;
    std::unique_ptr<test::KaeRig> rig_;
};

QProcess* JackRouting::server_ = nullptr;
JackListener* JackRouting::listener_ = nullptr;

constexpr unsigned port(int n) {
    return 1u << (n - 1);
}

TEST_F(JackRouting, TwoChannelsOnTwoDevicesReachTheirOwnPorts) {
    ASSERT_TRUE(play(0, "spkA", 0, 2));
    ASSERT_TRUE(play(1, "spkB", 0, 2));
    ASSERT_TRUE(waitFor([&] { return listener_->tap({1, 2, 3, 4}); }, 10000));
    EXPECT_EQ(listener_->sounding(), port(1) | port(2) | port(3) | port(4));
    KAE__Channel_Stop(0);
    EXPECT_EQ(listener_->sounding(), port(3) | port(4));
    // Channel 2 moved to the other device while it plays: it is heard there instead.
    ASSERT_TRUE(KAE__Channel_ChangeDevice(1, u"spkA"_s, true));
    EXPECT_TRUE(KAE__Channel_IsPlaying(1));
    EXPECT_EQ(listener_->sounding(), port(1) | port(2));
}

TEST_F(JackRouting, DestinationsOfASixChannelDeviceReachTheirPorts) {
    // surr6 feeds ports 3..8: FL 3, FR 4, RL 5, RR 6, C 7, LFE 8.
    using Row = std::tuple<int, int, unsigned>;
    const Row cases[] = {
        {1, 2, port(3) | port(4)}, {3, 2, port(5) | port(6)}, {2, 2, port(7) | port(8)},
        {0, 2, port(3) | port(4)}, {6, 1, port(3)},           {13, 1, port(6)},
        {9, 1, port(7)},           {10, 1, port(8)},          {11, 1, port(5) | port(6)},
    };
    // plug6 claims 128 channels; its configuration ends in 6 JACK ports.
    const int plug6 = rig_->kae->devices().findName(u"plug6"_s);
    ASSERT_GE(plug6, 0);
    EXPECT_EQ(rig_->kae->devices().at(plug6).speakers, 6);
    for (const char* output : {"surr6", "plug6"}) {
        for (const auto& [index, fileChannels, ports] : cases) {
            SCOPED_TRACE(std::string(output) + ": " +
                         engine::surroundDestinationText(index).toStdString());
            ASSERT_TRUE(play(0, output, index, fileChannels));
            ASSERT_TRUE(waitFor([&] { return listener_->tap({3, 4, 5, 6, 7, 8}); }, 10000));
            EXPECT_EQ(listener_->sounding(), ports);
        }
        KAE__Channel_Stop(0);
    }
    // A destination the device does not have: refused, nothing heard.
    EXPECT_FALSE(play(0, "surr6", 4, 2));
    EXPECT_EQ(listener_->sounding(), 0u);
}

} // namespace
