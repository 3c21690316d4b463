// A sound on a file that stops answering (a network share that hangs, a dying disk): the
// other sounds are still read ahead, and the operator can still load them.
#include "TestMedia.h"
#include "support/OfflineHarness.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

// Holds every read made off the thread that opened the file until opened, or until its
// limit passes (so a fault shows as a failure, not a hung test).
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    bool waiting = false;
    bool gaveUp = false;

    void pass() {
        std::unique_lock lock(mutex);
        waiting = true;
        gaveUp = !changed.wait_for(lock, std::chrono::seconds(5), [this] { return open; });
        waiting = false;
    }
    void release() {
        {
            std::lock_guard lock(mutex);
            open = true;
        }
        changed.notify_all();
    }
    bool isWaiting() {
        std::lock_guard lock(mutex);
        return waiting;
    }
};

class HangingDecoder final : public engine::Decoder {
public:
    HangingDecoder(std::unique_ptr<engine::Decoder> inner, std::shared_ptr<Gate> gate)
        : inner_(std::move(inner)), gate_(std::move(gate)) {}
    const engine::AudioFormat& format() const override { return inner_->format(); }
    std::int64_t read(float* out, std::int64_t frames) override {
        if (std::this_thread::get_id() != opener_)
            gate_->pass();
        return inner_->read(out, frames);
    }
    bool seek(std::int64_t frame) override { return inner_->seek(frame); }

private:
    std::unique_ptr<engine::Decoder> inner_;
    std::shared_ptr<Gate> gate_;
    std::thread::id opener_ = std::this_thread::get_id();
};

TEST(SlowFile, OtherSoundsAreReadAheadWhileOneFileHangs) {
    const QString hanging = testmedia::makeNoise(mediaFolder(), u"hanging"_s,
                                                 testmedia::Format::Wav16, 44100, 2, 44100 * 4);
    const QString healthy = testmedia::makeNoise(mediaFolder(), u"healthy"_s,
                                                 testmedia::Format::Wav16, 44100, 2, 44100 * 4);
    auto gate = std::make_shared<Gate>();
    const DecoderFactory wav = wavDecoderFactory();
    AudioLibOptions options;
    options.backend = makeOfflineBackend();
    options.openDecoder = [&](const QString& path, engine::DecoderRoute route, QString* error) {
        std::unique_ptr<engine::Decoder> d = wav(path, route, error);
        if (d && path == hanging)
            d = std::make_unique<HangingDecoder>(std::move(d), gate);
        return d;
    };
    AudioLib lib(options);
    ASSERT_TRUE(lib.init(1, 44100, 0, nullptr));
    ASSERT_NE(lib.streamCreateFile(hanging, 0), 0u);
    ASSERT_TRUE(kalvor::test::waitFor([&] { return gate->isWaiting(); }, 10000));

    const Handle other = lib.streamCreateFile(healthy, 0);
    ASSERT_NE(other, 0u);
    // The first read ahead is the opener's; the rest is the disk side's.
    const bool readAhead =
        kalvor::test::waitFor([&] { return lib.channelBufferedFrames(other) >= 3 * 4096; }, 10000);
    const bool stillHanging = gate->isWaiting();
    gate->release();
    EXPECT_TRUE(readAhead);
    EXPECT_TRUE(stillHanging) << "the other sound waited for the hanging file";
    EXPECT_FALSE(gate->gaveUp);
}

} // namespace
} // namespace kalvor::audio::test
