#include "engine/decode/StoreChoice.h"

namespace kalvor::engine::decode {

bool StoreChoice::streamNext() const {
    // Each way is timed once before anything is compared.
    if (cost_[0] == 0)
        return false;
    if (cost_[1] == 0)
        return true;
    const bool streamBetter = cost_[1] < cost_[0] * kStreamMargin;
    return reads_ % kTryEvery == kTryEvery - 1 ? !streamBetter : streamBetter;
}

void StoreChoice::took(bool streamed, double nsPerFrame) {
    double& c = cost_[streamed ? 1 : 0];
    // A short memory, so a change of placement shows within a few tries; a read preempted
    // halfway counts like any other and is forgotten as quickly.
    c = c == 0 ? nsPerFrame : c + (nsPerFrame - c) * 0.25;
    if (c <= 0)
        c = 1e-9;
    ++reads_;
}

} // namespace kalvor::engine::decode
