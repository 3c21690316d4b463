#include "ClickAnalysis.h"

#include <algorithm>
#include <cmath>

namespace kalvor::soak {

GainEnvelope::GainEnvelope(int sources, int bucketFrames)
    : sources_(std::max(sources, 1)), bucketFrames_(std::max(bucketFrames, 1)) {}

void GainEnvelope::note(std::int64_t frame, const std::vector<float>& gains) {
    if (frame < 0)
        return;
    const std::int64_t bucket = frame / bucketFrames_;
    const auto needed = static_cast<std::size_t>((bucket + 1) * sources_);
    if (gains_.size() < needed)
        gains_.resize(needed, 0.0f);
    if (last_.empty())
        last_.assign(static_cast<std::size_t>(sources_), 0.0f);
    const std::int64_t from = lastBucket_ < 0 ? bucket : std::min(lastBucket_, bucket);
    const int n = std::min(sources_, static_cast<int>(gains.size()));
    for (std::int64_t b = from; b <= bucket; ++b)
        for (int s = 0; s < n; ++s) {
            float& g = gains_[static_cast<std::size_t>(b * sources_ + s)];
            g = std::max(
                {g, gains[static_cast<std::size_t>(s)], last_[static_cast<std::size_t>(s)]});
        }
    for (int s = 0; s < n; ++s)
        last_[static_cast<std::size_t>(s)] = gains[static_cast<std::size_t>(s)];
    lastBucket_ = std::max(lastBucket_, bucket);
}

float GainEnvelope::gain(std::int64_t bucket, int source) const {
    if (bucket < 0 || bucket >= buckets() || source < 0 || source >= sources_)
        return 0.0f;
    return gains_[static_cast<std::size_t>(bucket * sources_ + source)];
}

ClickDetector::ClickDetector(const GainEnvelope& envelope, std::vector<SourceStep> sources,
                             int slackBuckets, int rampFrames)
    : envelope_(envelope), sources_(std::move(sources)), slack_(std::max(slackBuckets, 0)),
      rampFrames_(std::max(rampFrames, 1)) {}

float ClickDetector::boundAt(std::int64_t frame) {
    const std::int64_t bucket = frame / envelope_.bucketFrames();
    if (bucket == boundBucket_)
        return bound_;
    double sum = 0;
    const int n = std::min(envelope_.sources(), static_cast<int>(sources_.size()));
    for (int s = 0; s < n; ++s) {
        float g = 0;
        for (std::int64_t b = bucket - slack_; b <= bucket + slack_; ++b)
            g = std::max(g, envelope_.gain(b, s));
        if (g > 0) {
            const SourceStep& src = sources_[static_cast<std::size_t>(s)];
            sum += static_cast<double>(g) * (src.step + src.peak / rampFrames_);
        }
    }
    boundBucket_ = bucket;
    bound_ = static_cast<float>(sum * (1.0 + kRelativeMargin)) + kAbsoluteMargin;
    return bound_;
}

void ClickDetector::feed(const float* samples, std::int64_t frames, int channels) {
    if (static_cast<int>(last_.size()) != channels)
        last_.assign(static_cast<std::size_t>(channels), 0.0f);
    for (std::int64_t f = 0; f < frames; ++f, ++frame_) {
        const float bound = boundAt(frame_);
        for (int c = 0; c < channels; ++c) {
            const float v = samples[f * channels + c];
            const float step = std::fabs(v - last_[static_cast<std::size_t>(c)]);
            last_[static_cast<std::size_t>(c)] = v;
            if (frame_ == 0)
                continue; // the recording starts wherever the output was
            figures_.largestStep = std::max(figures_.largestStep, step);
            figures_.closestRatio = std::max(figures_.closestRatio, step / bound);
            if (step > bound) {
                ++figures_.clicks;
                if (figures_.first.size() < kKeptClicks)
                    figures_.first.push_back(Click{frame_, c, step, bound});
                if (figures_.all.size() < kKeptFrames)
                    figures_.all.push_back(Click{frame_, c, step, bound});
            }
        }
    }
    figures_.frames = frame_;
}

} // namespace kalvor::soak
