// Opening sounds ahead of a batch of loads: each file's decoder is opened and its first
// PreBufferSize decoded into a feed of its own on worker threads, so that a preset's 32
// channels do not wait for one another's disk reads and decoding. The loads themselves
// still happen one by one on the UI thread, in channel order; they only take over what is
// ready. A decoder is used by one thread at a time: its worker, then the stream's owner.
#pragma once

#include "engine/audiolib/Stream.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <vector>

namespace kalvor::audio {

// An opened sound with its first frames decoded from frame 0. Empty when the file did not
// open: the load then opens it again itself, so its failure is reported as it always was.
struct PreparedStream {
    PrepareRequest request;
    std::unique_ptr<engine::Decoder> decoder;
    std::unique_ptr<Feed> feed;
};

// How a feed read by `decoder` keeps its samples: 16-bit where the file holds them so.
RingSamples ringSamples(const engine::Decoder& decoder);

// The ring a feed gets for `bufferMs` at `rate`.
std::size_t feedFrames(int bufferMs, int rate);

// Prepares every request, spreading them over the machine's cores (the calling thread
// works too). The factory is called from several threads at once.
std::vector<PreparedStream> prepareStreams(const std::vector<PrepareRequest>& requests,
                                           const DecoderFactory& open, int bufferMs,
                                           int preBufferMs);

} // namespace kalvor::audio
