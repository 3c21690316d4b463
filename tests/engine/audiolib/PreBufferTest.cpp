// What a recall decodes ahead of its loads: each sound's first PreBufferSize ms, no more
// (decoding past it is time the recall waits for), no less, and the very frames that reading
// the file from its start yields.
#include "TestMedia.h"
#include "engine/audiolib/StreamPrepare.h"
#include "engine/decode/Decoder.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

using testmedia::Format;

TEST(PreBuffer, ARecallDecodesEachSoundsPreBufferAndNoMore) {
    // what, format, rate, channels, seconds, pre-buffer in ms, frames buffered after preparing
    using Row = std::tuple<const char*, Format, int, int, double, int, std::int64_t>;
    const Row cases[] = {
        {"WAV, the default 500 ms", Format::Wav16, 44100, 2, 2.0, 500, 22050},
        {"MP3, the default 500 ms", Format::Mp3, 44100, 2, 2.0, 500, 22050},
        {"OGG at 48 kHz, 100 ms", Format::Ogg, 48000, 1, 2.0, 100, 4800},
        {"WMA, 250 ms", Format::Wma, 44100, 2, 2.0, 250, 11025},
        {"less than a decode chunk", Format::Mp3, 44100, 2, 1.0, 1, 44},
        {"no pre-buffer still decodes a frame", Format::Wav16, 44100, 2, 1.0, 0, 1},
        {"a sound shorter than its pre-buffer, whole", Format::Ogg, 44100, 2, 0.2, 500, 8820},
    };
    std::vector<PrepareRequest> requests;
    for (const auto& [what, format, rate, channels, seconds, preBufferMs, frames] : cases) {
        const QString path =
            testmedia::makeNoise(mediaFolder(), u"prebuffer_%1"_s.arg(requests.size()), format,
                                 rate, channels, static_cast<std::int64_t>(seconds * rate));
        ASSERT_FALSE(path.isEmpty()) << what;
        requests.push_back(
            {path, format == Format::Wma ? engine::DecoderRoute::Wma : engine::DecoderRoute::Main});
    }
    const DecoderFactory open = [](const QString& path, engine::DecoderRoute route,
                                   QString* error) {
        return engine::openDecoder(path, route, error);
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [what, format, rate, channels, seconds, preBufferMs, frames] = cases[i];
        const std::vector<PreparedStream> prepared =
            prepareStreams({requests[i]}, open, 2000, preBufferMs);
        ASSERT_EQ(prepared.size(), 1u);
        ASSERT_TRUE(prepared[0].decoder && prepared[0].feed) << what;
        FrameRing& ring = prepared[0].feed->ring;
        ASSERT_EQ(ring.readable(), static_cast<std::size_t>(frames)) << what;

        std::vector<float> ahead(static_cast<std::size_t>(frames * channels));
        ring.read(ahead.data(), static_cast<std::size_t>(frames));
        auto alone = engine::openDecoder(requests[i].path, requests[i].route);
        std::vector<float> first(ahead.size());
        ASSERT_EQ(alone->read(first.data(), frames), frames) << what;
        EXPECT_EQ(ahead, first) << what;
    }
}

} // namespace
} // namespace kalvor::audio::test
