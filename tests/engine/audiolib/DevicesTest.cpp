// The device list and device life: scripted device sets, rates a device refuses, freeing
// and starting again, a device that goes away and comes back, and the real null output.
// (A device unplugged while playing, end to end: KaeDeviceLostTest.)
#include "TestMedia.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

ScriptedDevice device(const char* name, const char* driver, int channels, bool opens = true,
                      int fixedRate = 0) {
    ScriptedDevice d;
    d.device.name = QString::fromLatin1(name);
    d.device.driver = QString::fromLatin1(driver);
    d.device.outputChannels = channels;
    d.device.fixedRate = fixedRate;
    d.device.defaultRate = fixedRate > 0 ? fixedRate : 48000;
    d.opens = opens;
    return d;
}

TEST(AudioLibDevices, ListsWhatOpensInTheBackendsOrder) {
    auto backend = std::make_shared<ScriptedBackend>(std::vector<ScriptedDevice>{
        device("Card A", "alsa:hw:0,0", 8), device("Broken", "alsa:hw:1,0", 2, false),
        device("default", "alsa:default", 2), device("JACK", "jack", 2, true, 48000)});
    AudioLib lib({backend, nullptr});
    const char* expected[] = {"Card A", "default", "JACK"};
    for (int i = 0; i < 3; ++i) {
        auto d = lib.getDeviceDescription(i + 1);
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(d->name, QString::fromLatin1(expected[i]));
    }
    EXPECT_FALSE(lib.getDeviceDescription(4).has_value());
    EXPECT_FALSE(lib.getDeviceDescription(0).has_value());

    // The second scan sees a new set; an unknown number fails to start.
    backend->setDevices({device("Null output (emulated)", "null", 2)});
    lib.rescanDevices();
    EXPECT_EQ(lib.getDeviceDescription(1)->name, u"Null output (emulated)"_s);
    EXPECT_FALSE(lib.init(2, 44100, 0, nullptr));
    EXPECT_EQ(lib.errorGetCode(), Error::Device);
    EXPECT_TRUE(lib.init(1, 44100, 0, nullptr));
    EXPECT_FALSE(lib.init(1, 44100, 0, nullptr));
    EXPECT_EQ(lib.errorGetCode(), Error::Already);
}

TEST(AudioLibDevices, ADeviceThatRefusesTheRateRunsAtItsOwn) {
    auto backend = std::make_shared<ScriptedBackend>(
        std::vector<ScriptedDevice>{device("JACK", "jack", 2, true, 48000)});
    AudioLib lib({backend, wavDecoderFactory()});
    ASSERT_TRUE(lib.init(1, 44100, flags::Latency, nullptr));
    DeviceInfo info;
    ASSERT_TRUE(lib.getInfo(info));
    EXPECT_EQ(std::tuple(info.sampleRate, info.minRate, info.maxRate, info.speakers),
              std::tuple(48000, 48000, 48000, 2));
    // (A stream on a device at another rate: AudioLibTransport's loop wraps, converted.)
}

TEST(AudioLibDevices, FreeingTheDeviceEndsItsStreamsAndItCanStartAgain) {
    Offline off;
    const QString path =
        testmedia::makeRamp(mediaFolder(), u"again"_s, testmedia::Format::Wav16, 44100, 2, 50000);
    std::vector<Handle> handles;
    for (int i = 0; i < 3; ++i) {
        handles.push_back(off.lib->streamCreateFile(path, 0));
        off.lib->channelPlay(handles.back(), true);
    }
    off.render(1000);
    ASSERT_TRUE(off.lib->stop());
    EXPECT_EQ(off.lib->channelIsActive(handles[0]), ActiveState::Paused) << "stop pauses all";
    ASSERT_TRUE(off.lib->free());
    for (Handle h : handles) {
        EXPECT_EQ(off.lib->channelIsActive(h), ActiveState::Stopped);
        EXPECT_FALSE(off.lib->channelPlay(h, true));
        EXPECT_EQ(off.lib->errorGetCode(), Error::Handle);
    }
    EXPECT_FALSE(off.lib->free());
    EXPECT_EQ(off.lib->errorGetCode(), Error::Init);
    EXPECT_EQ(off.lib->streamCreateFile(path, 0), 0u);
    EXPECT_EQ(off.lib->errorGetCode(), Error::Init);

    ASSERT_TRUE(off.lib->init(1, 44100, 0, &off.window));
    const Handle h = off.lib->streamCreateFile(path, 0);
    ASSERT_NE(h, 0u);
    off.lib->channelPlay(h, true);
    const Render r = off.render(100);
    EXPECT_EQ(r.at(10, 0), testmedia::rampValue(10, 0));
}

// Counts what the library says about the device itself.
struct DeviceWindow : QObject {
    int lost = 0, back = 0;
    bool event(QEvent* e) override {
        lost += e->type() == DeviceLostEvent::eventType();
        back += e->type() == DeviceBackEvent::eventType();
        return true;
    }
};

// Unplugged while a ramp plays on it, B playing beside it: A is tried again at every
// drain (no interval here) and taken up once it opens as it ran before, with its stream
// still loaded, silent until played, then playing real samples. B never stops.
TEST(AudioLibDevices, ADeviceThatWentAwayIsOpenedAgainWhenItComesBackAsItWas) {
    struct Case {
        const char* what;
        int rateWhenBack;
        bool taken;
    };
    for (const Case& c : {Case{"same rate", 44100, true}, Case{"another rate", 48000, false}}) {
        SCOPED_TRACE(c.what);
        auto backend = std::make_shared<ScriptedBackend>(std::vector<ScriptedDevice>{
            device("A", "a", 2, true, 44100), device("B", "b", 2, true, 44100)});
        AudioLibOptions options{backend, wavDecoderFactory()};
        options.reopenIntervalMs = 0;
        AudioLib lib(options);
        DeviceWindow window;
        const QString path = testmedia::makeRamp(mediaFolder(), u"back"_s, testmedia::Format::Wav16,
                                                 44100, 2, 50000);
        Handle h[2] = {};
        for (int dev : {1, 2}) {
            ASSERT_TRUE(lib.init(dev, 44100, 0, &window));
            h[dev - 1] = lib.streamCreateFile(path, 0);
            ASSERT_TRUE(lib.channelPlay(h[dev - 1], true));
        }
        const auto render = [&](int dev, int frames) {
            Render r;
            r.channels = 2;
            r.samples.resize(std::size_t(frames) * 2);
            lib.setDevice(dev);
            lib.renderOffline(r.samples.data(), frames);
            return r;
        };
        render(1, 1000);
        backend->unplug(u"a"_s);
        for (int drain = 0; drain < 3; ++drain)
            lib.deliverSyncs();
        QCoreApplication::sendPostedEvents(&window);
        EXPECT_EQ(window.lost, 1);
        lib.channelStop(h[0]);
        EXPECT_FALSE(lib.channelPlay(h[0], true)) << "refused while it is away";

        backend->setDevices(
            {device("A", "a", 2, true, c.rateWhenBack), device("B", "b", 2, true, 44100)});
        backend->plugBackIn(u"a"_s);
        lib.deliverSyncs();
        QCoreApplication::sendPostedEvents(&window);
        EXPECT_EQ(window.back, c.taken ? 1 : 0);
        EXPECT_GT(render(2, 1000).peak(0, 0, 1000), 0.0f) << "B plays on";
        if (!c.taken) {
            EXPECT_FALSE(lib.channelPlay(h[0], true));
            continue;
        }
        EXPECT_EQ(render(1, 1000).peak(0, 0, 1000), 0.0f) << "nothing plays by itself";
        ASSERT_TRUE(lib.channelPlay(h[0], true));
        const Render r = render(1, 100);
        EXPECT_EQ(r.at(10, 0), testmedia::rampValue(10, 0));
    }
}

TEST(AudioLibDevices, NullOutputIsListedLastAndPlaysOnItsOwnClockIntoAWav) {
    const QString wav = mediaFolder() + u"/null-output.wav"_s;
    qputenv(kNullOutputWavVariable, wav.toLocal8Bit());
    AudioLibOptions options;
    options.openDecoder = wavDecoderFactory();
    MessageWindow window;
    {
        AudioLib lib(options);
        int count = 0;
        while (lib.getDeviceDescription(count + 1))
            ++count;
        ASSERT_EQ(lib.getDeviceDescription(count)->driver, u"null"_s);
        ASSERT_TRUE(lib.init(count, 44100, flags::Latency, &window));
        window.lib = &lib;
        const QString click = testmedia::makeClick(
            mediaFolder(), u"click"_s, testmedia::Format::Wav16, 44100, 2, 4410, 100, -6.0);
        const Handle h = lib.streamCreateFile(click, 0);
        ASSERT_NE(h, 0u);
        lib.channelSetSync(h, sync::End, 0, 1025, 5);
        ASSERT_TRUE(lib.channelPlay(h, true));
        QElapsedTimer guard; // a safety net against a hang, not a timing assertion
        guard.start();
        while (window.messages.empty() && guard.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ASSERT_EQ(window.messages.size(), 1u);
        EXPECT_EQ(window.messages[0].deviceFrame - lib.channelStartFrame(h), 4410);
        EXPECT_TRUE(lib.free());
        window.lib = nullptr;
    }
    qunsetenv(kNullOutputWavVariable);
    const testmedia::WavData data = testmedia::readWav(wav);
    ASSERT_TRUE(data.ok);
    EXPECT_EQ(data.sampleRate, 44100);
    std::int64_t clicks = 0;
    for (std::int64_t f = 0; f < data.frames(); ++f)
        clicks += data.at(f, 0) != 0.0f;
    EXPECT_EQ(clicks, 1) << "the click was written once";
}

} // namespace
} // namespace kalvor::audio::test
