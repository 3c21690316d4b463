// How 16-bit samples reach a feed that the mixer reads on another core: read by the kernel
// straight into the feed, or read into a small buffer of this thread's and streamed from
// there past the caches. Which costs less depends on whether the two cores share a cache:
// where they do, the mixer finds the feed in it and the straight read is the one pass over
// the samples; where they do not (cores on different dies, as virtual machines get them, and
// the placement changes while a program runs), every line the kernel writes must first be
// taken back from the mixer's core, and streaming, which skips that, wins. So the reads time
// themselves and the cheaper way so far is taken, the other one tried now and then to
// notice a change. The samples are the same either way. One thread at a time.
#pragma once

namespace kalvor::engine::decode {

class StoreChoice {
public:
    // Every this many reads the way not chosen is tried once.
    static constexpr int kTryEvery = 16;
    // Streaming must cost this much less than the straight read, measured on this thread,
    // to be taken: where the cores share a cache the mixer also reads streamed frames from
    // memory instead of that cache, a cost this thread does not see. (Timed on a virtual
    // machine whose two cores moved between sharing a cache and not: the straight read cost
    // 0.8 to 1.05 times the streamed one when they shared it, 1.6 to 1.8 times when not.)
    static constexpr double kStreamMargin = 0.8;

    // Whether the next read streams.
    bool streamNext() const;
    // A read has taken `nsPerFrame`, streamed or not.
    void took(bool streamed, double nsPerFrame);

private:
    double cost_[2] = {0, 0}; // running average per way (0: not timed yet): straight, streamed
    int reads_ = 0;
};

} // namespace kalvor::engine::decode
