// Feeds arbitrary quarter-frame data bytes to the time-code assembler and each evaluated
// time to the cue arithmetic: no overflow, no negative time, no trap.
#include "control/midi/MtcClock.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kalvor::midi::MtcClock clock;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF) {
            clock.restartSequence(); // a stop-timer tick without progress
            continue;
        }
        const auto step = clock.quarterFrame(static_cast<std::uint8_t>(data[i] & 0x7F));
        if (step.evaluate) {
            if (*step.evaluate < 0)
                __builtin_trap();
            const auto text = kalvor::midi::mtcDisplayText(*step.evaluate, clock.fps());
            const auto next = kalvor::midi::stepCue(*step.evaluate, data[i], clock.fps());
            if (text.size() < 15 || next < 0)
                __builtin_trap();
        }
    }
    return 0;
}
