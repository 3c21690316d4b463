// The offline test harness (see OfflineHarness.h). Test thread only.
#include "support/OfflineHarness.h"

#include "TestMedia.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kalvor::audio::test {

bool MessageWindow::event(QEvent* e) {
    if (e->type() != EngineMessageEvent::eventType())
        return QObject::event(e);
    const auto* m = static_cast<EngineMessageEvent*>(e);
    messages.push_back(Message{m->message(), m->slot(), m->stream(), m->deviceFrame(),
                               lib != nullptr ? lib->deviceFrame() : -1});
    return true;
}

namespace {

class MemoryDecoder final : public engine::Decoder {
public:
    explicit MemoryDecoder(testmedia::WavData data) : data_(std::move(data)) {
        format_.sampleRate = data_.sampleRate;
        format_.channels = data_.channels;
        format_.fileBits = data_.bits;
        format_.frames = data_.frames();
        format_.codec = QStringLiteral("wav");
    }
    const engine::AudioFormat& format() const override { return format_; }
    std::int64_t read(float* out, std::int64_t frames) override {
        const std::int64_t n = std::min(frames, format_.frames - pos_);
        if (n <= 0)
            return 0;
        std::memcpy(out, data_.samples.data() + pos_ * format_.channels,
                    sizeof(float) * std::size_t(n * format_.channels));
        pos_ += n;
        return n;
    }
    bool seek(std::int64_t frame) override {
        if (frame < 0 || frame > format_.frames)
            return false;
        pos_ = frame;
        return true;
    }

private:
    testmedia::WavData data_;
    engine::AudioFormat format_;
    std::int64_t pos_ = 0;
};

} // namespace

DecoderFactory wavDecoderFactory() {
    return [](const QString& path, engine::DecoderRoute,
              QString* error) -> std::unique_ptr<engine::Decoder> {
        testmedia::WavData data = testmedia::readWav(path);
        if (!data.ok || data.frames() == 0) {
            if (error != nullptr)
                *error = QStringLiteral("not a WAV file");
            return nullptr;
        }
        return std::make_unique<MemoryDecoder>(std::move(data));
    };
}

Offline::Offline(int rate_, int channels_)
    : backend(makeOfflineBackend(rate_, channels_)), rate(rate_), channels(channels_) {
    AudioLibOptions options;
    options.backend = backend;
    options.openDecoder = wavDecoderFactory();
    lib = std::make_unique<AudioLib>(options);
    window.lib = lib.get();
    lib->init(1, rate, flags::Latency, &window);
}

Offline::~Offline() {
    lib.reset();
    QCoreApplication::removePostedEvents(&window);
}

void Offline::render(std::int64_t frames, Render& out, int block) {
    out.channels = channels;
    std::vector<float> buf(std::size_t(block * channels));
    for (std::int64_t done = 0; done < frames;) {
        const int n = int(std::min<std::int64_t>(block, frames - done));
        lib->renderOffline(buf.data(), n);
        out.samples.insert(out.samples.end(), buf.begin(), buf.begin() + n * channels);
        done += n;
    }
}

Render Offline::render(std::int64_t frames, int block) {
    Render r;
    render(frames, r, block);
    return r;
}

QString mediaFolder() {
    static const QString folder = kalvor::test::freshFolder(QStringLiteral("audiolib-media"));
    return folder;
}

} // namespace kalvor::audio::test
