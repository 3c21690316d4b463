// The callbacks never allocate: this test program replaces the global operator new and
// delete and counts every call made while a thread is inside a mixer's render(). A busy
// session (many streams, slides, syncs, loops, vari-speed, seeks, pauses, frees, effects
// attached, changed and removed) runs on the offline device and on the null output's own
// clock thread; any count fails.
#include "TestMedia.h"
#include "support/OfflineHarness.h"

#include "engine/audiolib/Mixer.h"
#include "engine/dsp/EffectParams.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
std::atomic<long> callbackAllocations{0};
std::atomic<long> callbackFrees{0};

void* allocate(std::size_t size) {
    if (kalvor::audio::inRealtimeCallback())
        callbackAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void* allocateOrNull(std::size_t size) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void release(void* p) noexcept {
    if (p != nullptr && kalvor::audio::inRealtimeCallback())
        callbackFrees.fetch_add(1, std::memory_order_relaxed);
    std::free(p);
}
} // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    release(p);
}

namespace kalvor::audio::test {
namespace {

// Exercises every command and every path of the mixer on `lib`, with `step` running the
// device for a while.
template <typename Step> void busySession(AudioLib& lib, Step step) {
    const QString a =
        testmedia::makeRamp(mediaFolder(), u"alloc_a"_s, testmedia::Format::Wav16, 44100, 2, 6000);
    const QString b = testmedia::makeTone(mediaFolder(), u"alloc_b"_s, testmedia::Format::Wav16,
                                          22050, 1, 0.3, 300.0, -3.0);
    std::vector<Handle> handles;
    std::vector<Handle> fx;
    for (int i = 0; i < 8; ++i) {
        const Handle h = lib.streamCreateFile(i % 2 ? a : b, i % 3 ? flags::Float : 0u);
        ASSERT_NE(h, 0u);
        lib.channelSetSync(h, sync::End, 0, 1025, i);
        lib.channelSetAttributes(h, i % 2 ? 0 : 30000 + 1000 * i, 90, -50 + 10 * i);
        // The whole chain on every stream: three EQ bands and the four others.
        for (FxType t : {FxType::ParamEq, FxType::ParamEq, FxType::ParamEq, FxType::WavesReverb,
                         FxType::Echo, FxType::Chorus, FxType::Flanger})
            fx.push_back(lib.channelSetFx(h, t, i % 3));
        handles.push_back(h);
    }
    lib.beginBatch();
    for (std::size_t i = 0; i < handles.size(); ++i) {
        lib.channelSetFlags(handles[i], i % 2 ? flags::Loop : 0u);
        lib.channelSetLoopStart(handles[i], 100);
        lib.channelPlay(handles[i], true);
    }
    lib.endBatch();
    step();
    for (Handle h : handles) {
        lib.channelSetSync(h, sync::SlideOnce, 0, 1026, 0);
        lib.channelSlideAttributes(h, -1, 10, -101, 50);
    }
    step();
    // Parameters changed while playing, effects taken off and put on again.
    const float band[3] = {2000.0f, 6.0f, 9.0f};
    for (std::size_t i = 0; i < fx.size(); i += 7)
        lib.fxSetParameters(fx[i], band);
    const engine::dsp::DsfxEcho echo{50.0f, 50.0f, 20.0f, 500.0f, 1};
    lib.fxSetParameters(fx[4], &echo);
    lib.channelRemoveFx(handles[0], fx[3]);
    lib.channelRemoveFx(handles[2], fx[14 + 5]);
    lib.channelSetFx(handles[2], FxType::Flanger, 9);
    lib.channelPause(handles[1]);
    lib.channelSetPosition(handles[3], 4 * 1000);
    lib.channelSetAttributes(handles[5], 50000, 100, 0);
    step();
    lib.channelPlay(handles[1], false);
    lib.streamFree(handles[7]);
    lib.channelStop(handles[2]);
    step();
    for (std::size_t i = 0; i + 1 < handles.size(); ++i)
        lib.streamFree(handles[i]);
    step();
}

TEST(AudioLibRealtime, OfflineCallbackNeverAllocates) {
    Offline off;
    callbackAllocations = 0;
    callbackFrees = 0;
    off.render(1000, 700);
    off.lib->restartRenderTimes(); // cleared by the callback itself, which must not allocate
    busySession(*off.lib, [&] { off.render(9000, 700); });
    EXPECT_EQ(std::pair(callbackAllocations.load(), callbackFrees.load()), std::pair(0L, 0L));
    EXPECT_FALSE(off.window.messages.empty()) << "the session did raise syncs";
    const RenderTimeFigures times = off.lib->getRenderTimes();
    EXPECT_GT(times.periods, 5 * 9000 / 700) << "every callback since the restart is counted";
    EXPECT_EQ(off.lib->getRenderTimes(true).periods, times.periods) << "CPU time beside it";
}

TEST(AudioLibRealtime, RenderTimesKeepTheTailOfTheHistogram) {
    // what, runs of periods (share of the budget in percent, how many), periods over the
    // budget, then median, 99.9th and max expected to a bucket (a quarter percent)
    using Runs = std::vector<std::pair<double, int>>;
    using Row = std::tuple<const char*, Runs, std::int64_t, double, double, double>;
    const Row cases[] = {
        {"nothing recorded", {}, 0, 0, 0, 0},
        {"steady", {{10, 5000}}, 0, 10, 10, 10},
        {"2 in 1000 over the budget reach the 99.9th", {{20, 998}, {130, 2}}, 2, 20, 130, 130},
        {"rarer than that it shows only as the max", {{20, 3000}, {130, 1}}, 1, 20, 20, 130},
        {"a burst of slow periods", {{5, 900}, {60, 80}, {101, 20}}, 20, 5, 101, 101},
        {"exactly the budget is not over it", {{100, 10}}, 0, 100, 100, 100},
        {"beyond the last bucket the max stays exact", {{30, 100}, {1000, 1}}, 1, 30, 400, 1000},
    };
    constexpr double kBudget = 256.0 / 48000.0;
    for (const auto& [what, runs, over, median, p999, max] : cases) {
        SCOPED_TRACE(what);
        auto times = std::make_unique<RenderTimes>();
        times->record(kBudget * 3, kBudget); // from before the restart
        times->restart();
        std::int64_t periods = 0;
        for (const auto& [percent, n] : runs) {
            for (int i = 0; i < n; ++i)
                times->record(kBudget * percent / 100.0, kBudget);
            periods += n;
        }
        const RenderTimeFigures f = times->figures();
        EXPECT_EQ(std::pair(f.periods, f.overBudget), std::pair(periods, over));
        const double step = 1.0 / RenderTimes::kStepsPerPercent;
        EXPECT_NEAR(f.medianPercent, median, step);
        EXPECT_NEAR(f.p999Percent, p999, step);
        EXPECT_NEAR(f.maxPercent, max, 1e-9);
        EXPECT_NEAR(f.maxUs, max / 100.0 * kBudget * 1e6, 1e-6);
    }
}

TEST(AudioLibRealtime, NullOutputCallbackNeverAllocates) {
    AudioLib lib({nullptr, wavDecoderFactory()});
    int count = 0;
    while (lib.getDeviceDescription(count + 1))
        ++count;
    MessageWindow window;
    ASSERT_TRUE(lib.init(count, 44100, 0, &window));
    callbackAllocations = 0;
    callbackFrees = 0;
    lib.restartRenderTimes();
    busySession(lib, [&] {
        // Let the device's own thread run a number of periods.
        const std::int64_t until = lib.deviceFrame() + 4410;
        QElapsedTimer guard;
        guard.start();
        while (lib.deviceFrame() < until && guard.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    });
    lib.free();
    EXPECT_GT(lib.deviceFrame(), -2);
    EXPECT_EQ(std::pair(callbackAllocations.load(), callbackFrees.load()), std::pair(0L, 0L));
}

} // namespace
} // namespace kalvor::audio::test
