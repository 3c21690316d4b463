// Finds clicks in a recording of the engine's output. A click is a sample-to-sample step
// larger than every sounding source could make at its gain at that moment: the sum over
// the sources of (largest step of the source alone) x (its gain), plus a small margin.
// What each source may do alone is measured beforehand (its sound through its effects at
// 0 dB, see SourceSteps); what gain each had when is noted while the show runs, in
// buckets of a few milliseconds, and taken at its largest over a window around each
// sample, because the notes and the sound reach the recording a few periods apart.
// Plain data and arithmetic, no I/O; any thread.
#pragma once

#include <cstdint>
#include <vector>

namespace kalvor::soak {

struct SourceStep {
    // The largest step of the source alone at 0 dB, and its peak: a stop, pause or seek
    // ramps the source in or out over a few milliseconds, which adds peak / ramp frames.
    float step = 0;
    float peak = 0;
};

class GainEnvelope {
public:
    GainEnvelope(int sources, int bucketFrames);
    int sources() const { return sources_; }
    int bucketFrames() const { return bucketFrames_; }
    std::int64_t buckets() const { return static_cast<std::int64_t>(gains_.size()) / sources_; }
    // Every source's gain (linear) at `frame` of the recording. Between two notes each
    // source may have had either gain, so the buckets between take the larger.
    void note(std::int64_t frame, const std::vector<float>& gains);
    float gain(std::int64_t bucket, int source) const;

private:
    int sources_;
    int bucketFrames_;
    std::vector<float> gains_; // bucket-major
    std::vector<float> last_;  // the last note
    std::int64_t lastBucket_ = -1;
};

struct Click {
    std::int64_t frame = 0; // of the recording, the sample after the step
    int side = 0;
    float step = 0;
    float bound = 0;
};

struct ClickFigures {
    std::int64_t frames = 0;
    std::int64_t clicks = 0;
    std::vector<Click> first; // the first few, for the report
    std::vector<Click> all;   // every click (up to kKeptFrames)
    float largestStep = 0;
    // The step closest to its bound, as step / bound (1 and above is a click).
    float closestRatio = 0;
};

class ClickDetector {
public:
    // `slackBuckets`: how many buckets either side of a sample count as "at that moment".
    // `rampFrames`: the length of the engine's stop/start ramps at the output rate.
    ClickDetector(const GainEnvelope& envelope, std::vector<SourceStep> sources, int slackBuckets,
                  int rampFrames);
    // Frames of the recording in order, interleaved with `channels` sides.
    void feed(const float* samples, std::int64_t frames, int channels);
    const ClickFigures& figures() const { return figures_; }
    // The bound at a frame, margin included (for reports and tests).
    float boundAt(std::int64_t frame);

    static constexpr float kRelativeMargin = 0.05f; // of the bound
    static constexpr float kAbsoluteMargin = 1e-4f; // -80 dBFS, below any audible step
    static constexpr std::size_t kKeptClicks = 8;
    static constexpr std::size_t kKeptFrames = 100000;

private:
    const GainEnvelope& envelope_;
    std::vector<SourceStep> sources_;
    int slack_;
    int rampFrames_;
    std::int64_t frame_ = 0;
    std::vector<float> last_;
    std::int64_t boundBucket_ = -1;
    float bound_ = 0;
    ClickFigures figures_;
};

} // namespace kalvor::soak
