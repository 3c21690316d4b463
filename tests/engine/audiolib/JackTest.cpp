// The real-time path through a real audio server: the JACK device (our own JACK client) on
// the JACK dummy driver (scripts/services/jack.start). The end-of-sound message must come at the
// JACK frame where the sound ends, within one JACK period. Skips when no JACK server
// answers.
#include "TestMedia.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QDir>

#include <portaudio.h>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

int findJack(const AudioLib& lib) {
    for (int i = 1; lib.getDeviceDescription(i); ++i)
        if (lib.getDeviceDescription(i)->driver == u"jack"_s)
            return i;
    return 0;
}

using kalvor::test::waitFor;

TEST(AudioLibJack, EndMessageComesAtTheJackFrameWhereTheSoundEnds) {
    AudioLib lib({nullptr, wavDecoderFactory()});
    const int jack = findJack(lib);
    if (jack == 0)
        GTEST_SKIP() << "no JACK server answers (start one with scripts/services/jack.start)";
    MessageWindow window;
    window.lib = &lib;
    // Asked for 44100: the server runs at its own rate, and the stream is converted.
    ASSERT_TRUE(lib.init(jack, 44100, flags::Latency, &window));
    // PortAudio's JACK side stays off the server: an idle client of its own there would be
    // woken every period for nothing, beside the one that plays.
    EXPECT_LT(Pa_HostApiTypeIdToHostApiIndex(paJACK), 0);
    DeviceInfo info;
    ASSERT_TRUE(lib.getInfo(info));
    const int rate = info.sampleRate;
    ASSERT_GT(rate, 0);
    const int period = 256; // jack.start runs the server with -p 256

    using Case = std::pair<int, std::int64_t>; // file rate, frames
    for (const auto& [fileRate, frames] : {Case{rate, rate / 2}, Case{44100, 22050}}) {
        SCOPED_TRACE(testing::Message() << "file at " << fileRate << " Hz");
        window.messages.clear();
        const QString path =
            testmedia::makeTone(mediaFolder(), u"jack_%1"_s.arg(fileRate), testmedia::Format::Wav16,
                                fileRate, 2, double(frames) / fileRate, 440.0, -20.0);
        const Handle h = lib.streamCreateFile(path, 0);
        ASSERT_NE(h, 0u);
        lib.channelSetSync(h, sync::End, 0, 1025, 9);
        lib.channelPreBuf(h, 500);
        const std::int64_t before = lib.deviceFrame();
        ASSERT_TRUE(lib.channelPlay(h, true));
        waitFor([&] { return !window.messages.empty(); }, 20000);
        ASSERT_EQ(window.messages.size(), 1u);
        const std::int64_t started = lib.channelStartFrame(h);
        const std::int64_t expected = frames * rate / fileRate;
        EXPECT_NEAR(double(window.messages[0].deviceFrame - started), double(expected), period);
        EXPECT_LE(started - before, 2 * period) << "GO reached the device within a period or two";
        EXPECT_EQ(lib.underruns(), 0);
        lib.streamFree(h);
    }
    EXPECT_TRUE(lib.free());
}

// Two ALSA devices of the test's own HOME, each on its own pair of JACK ports: listed once
// each, as stereo (a plug device claims 128 channels), after the system device and before
// JACK; ALSA's many views of the same hardware are not listed; the null output is last.
TEST(AudioLibJack, DeviceListOffersWhatAUserCanRouteTo) {
    kalvor::test::writeFile(
        QDir::homePath() + u"/.asoundrc"_s,
        "pcm.spkA { type plug slave.pcm { type jack playback_ports { 0 system:playback_1 1 "
        "system:playback_2 } } hint.description \"Speakers A (JACK 1/2)\" }\n"
        "pcm.spkB { type plug slave.pcm { type jack playback_ports { 0 system:playback_3 1 "
        "system:playback_4 } } hint.description \"Speakers B (JACK 3/4)\" }\n");
    AudioLib lib;
    lib.rescanDevices(); // the first scan of this process may predate the file
    if (findJack(lib) == 0)
        GTEST_SKIP() << "no JACK server answers (start one with scripts/services/jack.start)";
    QStringList names;
    for (int i = 1; lib.getDeviceDescription(i); ++i)
        names << lib.getDeviceDescription(i)->name;
    SCOPED_TRACE(names.join(u", "_s).toStdString());
    ASSERT_TRUE(names.contains(u"spkA"_s));
    ASSERT_TRUE(names.contains(u"spkB"_s));
    EXPECT_LT(names.indexOf(u"spkB"_s), names.indexOf(u"JACK"_s));
    EXPECT_EQ(names.last(), u"Null output (emulated)"_s);
    for (const char* alias : {"sysdefault", "dmix", "front", "surround51", "null", "jack"})
        EXPECT_FALSE(names.contains(QString::fromLatin1(alias))) << alias;
    EXPECT_EQ(names.count(u"spkA"_s), 1);
    const int a = int(names.indexOf(u"spkA"_s)) + 1;
    EXPECT_EQ(lib.getDeviceDescription(a)->outputChannels, 2);
    // It opens, and runs on the server's clock.
    MessageWindow window;
    ASSERT_TRUE(lib.init(a, 48000, 0, &window));
    const std::int64_t from = lib.deviceFrame();
    waitFor([&] { return lib.deviceFrame() > from + 4800; }, 20000);
    EXPECT_GT(lib.deviceFrame(), from + 4800);
    EXPECT_TRUE(lib.free());
}

} // namespace
} // namespace kalvor::audio::test
