// Every format through the real decoders and the engine's feeds: a stream started at a
// seek position plays exactly the samples that a stream played from the top has at that
// position, and lossless formats give the file's samples back.
#include "OfflineHarness.h"
#include "TestMedia.h"

#include <gtest/gtest.h>

namespace kalvor::audio::test {
namespace {

using testmedia::Format;

// Offline device with the library's own decoders.
std::unique_ptr<AudioLib> realLib(const std::shared_ptr<ScriptedBackend>& backend) {
    AudioLibOptions options;
    options.backend = backend;
    auto lib = std::make_unique<AudioLib>(options);
    lib->init(1, 44100, 0, nullptr);
    return lib;
}

Render renderAll(AudioLib& lib, std::int64_t frames) {
    Render r;
    std::vector<float> buf(2 * 1000);
    for (std::int64_t done = 0; done < frames; done += 1000) {
        lib.renderOffline(buf.data(), 1000);
        r.samples.insert(r.samples.end(), buf.begin(), buf.end());
    }
    return r;
}

TEST(AudioLibFormats, SeekThenPlayMatchesPlayingThroughInEveryFormat) {
    struct Case {
        Format format;
        bool wma;
    };
    const Case cases[] = {{Format::Wav16, false}, {Format::Aiff, false}, {Format::Flac, false},
                          {Format::Mp3, false},   {Format::Ogg, false},  {Format::Wma, true}};
    const std::int64_t frames = 88200;
    const std::int64_t seekTo = 30011;
    for (const auto& c : cases) {
        SCOPED_TRACE(testmedia::extensionOf(c.format).toStdString());
        const QString path = testmedia::makeNoise(mediaFolder(), QStringLiteral("noise"), c.format,
                                                  44100, 2, frames);
        ASSERT_FALSE(path.isEmpty());
        auto open = [&](AudioLib& lib) {
            return c.wma ? lib.wmaStreamCreateFile(path, flags::Float)
                         : lib.streamCreateFile(path, flags::Float);
        };
        auto lib = realLib(makeOfflineBackend(44100, 2));
        const Handle through = open(*lib);
        ASSERT_NE(through, 0u) << int(lib->errorGetCode());
        const std::int64_t length = lib->channelGetLength(through) / 8;
        if (!c.wma) {
            EXPECT_EQ(length, frames);
        }
        lib->channelPlay(through, true);
        const Render all = renderAll(*lib, seekTo + 3000);

        auto lib2 = realLib(makeOfflineBackend(44100, 2));
        const Handle seeked = open(*lib2);
        ASSERT_TRUE(lib2->channelSetPosition(seeked, seekTo * 8));
        lib2->channelPlay(seeked, false);
        const Render part = renderAll(*lib2, 2000);
        int mismatches = 0;
        for (std::int64_t f = 0; f < 2000; ++f)
            for (int ch = 0; ch < 2; ++ch)
                mismatches += part.at(f, ch) != all.at(seekTo + f, ch);
        EXPECT_EQ(mismatches, 0);
        if (testmedia::isLossless(c.format)) {
            const testmedia::WavData original = testmedia::readWav(testmedia::makeNoise(
                mediaFolder(), QStringLiteral("noise_ref"), Format::Wav16, 44100, 2, frames));
            EXPECT_NEAR(all.at(seekTo, 1), original.at(seekTo, 1), 1e-6);
        }
    }
}

} // namespace
} // namespace kalvor::audio::test
