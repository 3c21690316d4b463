// The callbacks never allocate: this test program replaces the global operator new and
// delete and counts every call made while a thread is inside a mixer's render(). A busy
// session (many streams, slides, syncs, loops, vari-speed, seeks, pauses, frees, effects
// attached, changed and removed) runs on the offline device and on the null output's own
// clock thread; any count fails.
#include "OfflineHarness.h"
#include "TestMedia.h"

#include "engine/audiolib/Mixer.h"
#include "engine/dsp/EffectParams.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <cstdlib>
#include <new>

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
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
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
    const QString a = testmedia::makeRamp(mediaFolder(), QStringLiteral("alloc_a"),
                                          testmedia::Format::Wav16, 44100, 2, 6000);
    const QString b = testmedia::makeTone(mediaFolder(), QStringLiteral("alloc_b"),
                                          testmedia::Format::Wav16, 22050, 1, 0.3, 300.0, -3.0);
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
    engine::dsp::DsfxEcho echo;
    echo.leftDelay = 20.0f;
    echo.panDelay = 1;
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
    busySession(*off.lib, [&] { off.render(9000, 700); });
    EXPECT_EQ(callbackAllocations.load(), 0);
    EXPECT_EQ(callbackFrees.load(), 0);
    EXPECT_FALSE(off.window.messages.empty()) << "the session did raise syncs";
}

TEST(AudioLibRealtime, NullOutputCallbackNeverAllocates) {
    AudioLibOptions options;
    options.openDecoder = wavDecoderFactory();
    AudioLib lib(options);
    int count = 0;
    while (lib.getDeviceDescription(count + 1))
        ++count;
    MessageWindow window;
    ASSERT_TRUE(lib.init(count, 44100, 0, &window));
    callbackAllocations = 0;
    callbackFrees = 0;
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
    EXPECT_EQ(callbackAllocations.load(), 0);
    EXPECT_EQ(callbackFrees.load(), 0);
}

} // namespace
} // namespace kalvor::audio::test
