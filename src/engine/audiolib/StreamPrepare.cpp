#include "engine/audiolib/StreamPrepare.h"

#include "engine/audiolib/DiskThread.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace kalvor::audio {

RingSamples ringSamples(const engine::Decoder& decoder) {
    return decoder.reads16() ? RingSamples::Pcm16 : RingSamples::Float32;
}

std::size_t feedFrames(int bufferMs, int rate) {
    const auto frames = static_cast<std::size_t>(static_cast<std::int64_t>(bufferMs) * rate / 1000);
    return std::max<std::size_t>(frames, 16384);
}

namespace {

void prepareOne(PreparedStream& out, const DecoderFactory& open, int bufferMs, int preBufferMs) {
    QString why;
    std::unique_ptr<engine::Decoder> decoder = open(out.request.path, out.request.route, &why);
    if (!decoder)
        return;
    const engine::AudioFormat& f = decoder->format();
    // Anything the load would refuse is left to it, so it says why.
    if (f.sampleRate <= 0 || f.channels < 1 || f.channels > kMaxStreamChannels || f.frames <= 0 ||
        !decoder->seek(0))
        return;
    // fillFeed works on a stream; a scratch one carries the decoder and feed meanwhile.
    auto scratch = std::make_unique<Stream>();
    scratch->channels = f.channels;
    scratch->rate = f.sampleRate;
    scratch->length = f.frames;
    scratch->decoder = std::move(decoder);
    auto feed = std::make_unique<Feed>(feedFrames(bufferMs, f.sampleRate), f.channels, 0,
                                       ringSamples(*scratch->decoder));
    scratch->diskFeed = feed.get();
    // The end (wrap or stop) is decided once the stream exists and knows its loop flag.
    fillFeed(*scratch,
             std::max<std::size_t>(static_cast<std::size_t>(static_cast<std::int64_t>(preBufferMs) *
                                                            f.sampleRate / 1000),
                                   1),
             AtEnd::StopThere, Reach::Exactly);
    scratch->diskFeed = nullptr;
    out.decoder = std::move(scratch->decoder);
    out.feed = std::move(feed);
}

} // namespace

std::vector<PreparedStream> prepareStreams(const std::vector<PrepareRequest>& requests,
                                           const DecoderFactory& open, int bufferMs,
                                           int preBufferMs) {
    std::vector<PreparedStream> out(requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i)
        out[i].request = requests[i];
    if (!open || requests.empty())
        return out;
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < out.size(); i = next++)
            prepareOne(out[i], open, bufferMs, preBufferMs);
    };
    const std::size_t cores = std::max(2u, std::thread::hardware_concurrency());
    const std::size_t helpers = std::min(cores, out.size()) - 1;
    std::vector<std::thread> pool;
    pool.reserve(helpers);
    for (std::size_t i = 0; i < helpers; ++i)
        pool.emplace_back(work);
    work();
    for (auto& t : pool)
        t.join();
    return out;
}

} // namespace kalvor::audio
