#include "Capture.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace kalvor::soak {

namespace {
constexpr std::size_t kRingFrames = 1 << 20; // about 20 s at 48 kHz: the disk may stall
}

Capture::~Capture() {
    stop();
    if (client_)
        jack_client_close(client_);
}

bool Capture::open(const char* name, QString* error) {
    client_ = jack_client_open(name, JackNoStartServer, nullptr);
    if (!client_) {
        *error = QStringLiteral("no JACK server answers");
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        const QByteArray port = QByteArray("in_") + QByteArray::number(i + 1);
        in_[i] = jack_port_register(client_, port.constData(), JACK_DEFAULT_AUDIO_TYPE,
                                    JackPortIsInput, 0);
    }
    ring_ = std::make_unique<audio::FrameRing>(kRingFrames, 2);
    // The ring is first written by the server's real-time thread, in the same cycle as the
    // program. Untouched, its pages would fault there one every four periods for its first
    // 20 s, and the recorder's own stalls would count as the program's xruns. Touch them now.
    ring_->writeSilence(kRingFrames);
    for (std::size_t left = kRingFrames; left > 0;) {
        std::size_t n = left;
        ring_->readSpan(&n);
        ring_->commitRead(n);
        left -= n;
    }
    jack_set_process_callback(client_, process, this);
    jack_set_xrun_callback(client_, xrun, this);
    if (!in_[0] || !in_[1] || jack_activate(client_) != 0) {
        *error = QStringLiteral("the capture client did not start");
        return false;
    }
    return true;
}

int Capture::rate() const {
    return static_cast<int>(jack_get_sample_rate(client_));
}

int Capture::period() const {
    return static_cast<int>(jack_get_buffer_size(client_));
}

int Capture::connectProgram(const char* ownPrefix) {
    const char** ports =
        jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    int n = 0;
    for (int i = 0; ports && ports[i] && n < 2; ++i) {
        const QString name = QString::fromLatin1(ports[i]);
        if (name.startsWith(QLatin1String("system:")) || name.startsWith(QLatin1String(ownPrefix)))
            continue;
        if (jack_connect(client_, ports[i], jack_port_name(in_[n])) == 0)
            ++n;
    }
    jack_free(ports);
    return n;
}

bool Capture::start(const QString& path, QString* error) {
    file_ = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!file_) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    running_.store(true);
    writer_ = std::thread([this] { drain(); });
    recording_.store(true, std::memory_order_release);
    return true;
}

void Capture::stop() {
    recording_.store(false, std::memory_order_release);
    running_.store(false);
    if (writer_.joinable())
        writer_.join();
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

std::int64_t Capture::frameNow() const {
    const std::int64_t start = startFrame_.load(std::memory_order_acquire);
    if (start < 0)
        return -1;
    // jack_frame_time() is an estimate that can lag the cycle's own start by a little:
    // the difference is taken signed (frame times wrap at 2^32, a day at 48 kHz).
    const auto since =
        static_cast<std::int32_t>(jack_frame_time(client_) - static_cast<jack_nframes_t>(start));
    return std::max<std::int64_t>(since, 0);
}

// Server's process thread: copies, never waits.
int Capture::process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<Capture*>(arg);
    if (!self->recording_.load(std::memory_order_acquire))
        return 0;
    const jack_nframes_t now = jack_last_frame_time(self->client_);
    if (self->startFrame_.load(std::memory_order_relaxed) < 0) {
        self->startFrame_.store(now, std::memory_order_release);
        self->expected_ = now;
    }
    // Cycles the server lost (an xrun) left nothing to record: silence stands for them, so
    // the recording's frames stay those of the server's clock, which the notes use.
    const auto lost = static_cast<jack_nframes_t>(now - self->expected_);
    if (lost > 0 && lost < 10u * 48000u) {
        const long g = self->gaps_.load(std::memory_order_relaxed);
        if (g < kKeptXruns) {
            self->gapFrames_.at(static_cast<std::size_t>(g)) = static_cast<jack_nframes_t>(
                self->expected_ -
                static_cast<jack_nframes_t>(self->startFrame_.load(std::memory_order_relaxed)));
            self->gaps_.store(g + 1, std::memory_order_release);
        }
        self->ring_->writeSilence(lost);
    }
    self->expected_ = now + frames;
    const auto* l = static_cast<const float*>(jack_port_get_buffer(self->in_[0], frames));
    const auto* r = static_cast<const float*>(jack_port_get_buffer(self->in_[1], frames));
    if (self->ring_->writable() < frames) {
        self->overflows_.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
    for (jack_nframes_t done = 0; done < frames;) {
        std::size_t n = frames - done;
        float* out = self->ring_->writeSpan(&n);
        for (std::size_t i = 0; i < n; ++i) {
            out[2 * i] = l[done + i];
            out[2 * i + 1] = r[done + i];
        }
        self->ring_->commitWrite(n);
        done += static_cast<jack_nframes_t>(n);
    }
    return 0;
}

// The server's notification thread.
int Capture::xrun(void* arg) {
    auto* self = static_cast<Capture*>(arg);
    const long n = self->xruns_.fetch_add(1, std::memory_order_relaxed);
    const std::int64_t now = self->frameNow();
    if (n < kKeptXruns)
        self->xrunFrames_.at(static_cast<std::size_t>(n)).store(now);
    if (self->lastXrun_ < 0 || now - self->lastXrun_ > self->period())
        self->moments_.fetch_add(1, std::memory_order_relaxed);
    self->lastXrun_ = now;
    return 0;
}

void Capture::drain() {
    for (;;) {
        const bool last = !running_.load();
        for (;;) {
            std::size_t n = kRingFrames;
            const float* in = ring_->readSpan(&n);
            if (n == 0)
                break;
            std::fwrite(in, sizeof(float) * 2, n, file_);
            ring_->commitRead(n);
            written_ += static_cast<std::int64_t>(n);
        }
        if (last)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace kalvor::soak
