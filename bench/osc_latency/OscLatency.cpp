// bench_osc_latency: prints the latency from an OSC message to the first non-silent sample
// on JACK, in server frames counted from the start of the period in which the message was
// sent, and in milliseconds (min / mean / max of 30 presses); beside it the same figure
// for PLAY called directly on the show layer in the same run, so the share of the network
// path (UDP, the receiving thread, the hand-over to the UI thread) shows. The program's
// show layer and engine run in this process on the device "JACK"; a JACK client of our
// own listens to what reaches system:playback_1/2 and stamps the first sample above
// -80 dBFS with the server's frame clock. The message is sent from a liblo client through
// the loopback interface, as a controller on this machine would. Run
// scripts/services/jack.start first.
#include "control/osc/OscControl.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SoundEntry.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <jack/jack.h>
#include <lo/lo.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <random>
#include <vector>

using namespace kalvor;

namespace {

template <typename Done> bool pumpUntil(Done done, int limitMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return done();
}

// A 16-bit stereo WAV whose first sample already sounds (a cosine at full phase).
QString writeTone(const QString& path, int rate, double seconds) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    const auto frames = static_cast<quint32>(rate * seconds);
    const auto le = [&](quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            f.putChar(char((v >> (8 * i)) & 0xff));
    };
    f.write("RIFF");
    le(36 + frames * 4, 4);
    f.write("WAVEfmt ");
    le(16, 4), le(1, 2), le(2, 2), le(quint32(rate), 4), le(quint32(rate * 4), 4), le(4, 2),
        le(16, 2);
    f.write("data");
    le(frames * 4, 4);
    for (quint32 i = 0; i < frames; ++i) {
        const auto s = static_cast<qint16>(8000 * std::cos(2 * M_PI * 440.0 * i / rate));
        le(quint16(s), 2), le(quint16(s), 2);
    }
    return path;
}

// Our ears on the server: stamps the first sounding frame after arm().
class Listener {
public:
    bool open() {
        client_ = jack_client_open("kalvor-osc-bench", JackNoStartServer, nullptr);
        if (!client_)
            return false;
        for (int i = 0; i < 2; ++i)
            in_[i] = jack_port_register(client_, i ? "in_2" : "in_1", JACK_DEFAULT_AUDIO_TYPE,
                                        JackPortIsInput, 0);
        jack_set_process_callback(client_, &Listener::process, this);
        return jack_activate(client_) == 0;
    }
    ~Listener() {
        if (client_)
            jack_client_close(client_);
    }
    jack_nframes_t rate() const { return jack_get_sample_rate(client_); }
    jack_nframes_t period() const { return jack_get_buffer_size(client_); }
    // The start of the period the server is in now. jack_frame_time's estimate inside the
    // period wanders on the dummy driver, so figures count from this start instead.
    jack_nframes_t periodStart() const { return jack_last_frame_time(client_); }
    // Everything that feeds the first two playback ports feeds us too.
    bool tap() {
        bool any = false;
        for (int n = 1; n <= 2; ++n) {
            const std::string sink = "system:playback_" + std::to_string(n);
            const char** feeds =
                jack_port_get_all_connections(client_, jack_port_by_name(client_, sink.c_str()));
            const std::string mine =
                std::string(jack_get_client_name(client_)) + ":in_" + std::to_string(n);
            for (const char** f = feeds; f && *f; ++f) {
                jack_connect(client_, *f, mine.c_str());
                any = true;
            }
            jack_free(feeds);
        }
        return any;
    }
    void arm() {
        first_.store(-1);
        armed_.store(true);
    }
    std::int64_t first() const { return first_.load(); }
    bool silentFor(int periods) {
        quietPeriods_.store(0);
        return pumpUntil([&] { return quietPeriods_.load() >= periods; }, 5000);
    }

private:
    static int process(jack_nframes_t frames, void* self) {
        auto* l = static_cast<Listener*>(self);
        const jack_nframes_t start = jack_last_frame_time(l->client_);
        bool quiet = true;
        for (int p = 0; p < 2; ++p) {
            const auto* d = static_cast<const float*>(jack_port_get_buffer(l->in_[p], frames));
            for (jack_nframes_t i = 0; i < frames; ++i) {
                if (std::fabs(d[i]) > 1e-4f) {
                    quiet = false;
                    if (l->armed_.load(std::memory_order_relaxed) && l->first_.load() < 0) {
                        l->first_.store(std::int64_t(start + i));
                        l->armed_.store(false);
                    }
                    break;
                }
            }
        }
        l->quietPeriods_.store(quiet ? l->quietPeriods_.load() + 1 : 0);
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* in_[2] = {};
    std::atomic<bool> armed_{false};
    std::atomic<std::int64_t> first_{-1};
    std::atomic<int> quietPeriods_{0};
};

struct Figures {
    std::vector<double> frames;
    void print(const char* what, double rate, int period) const {
        if (frames.empty()) {
            std::printf("%-34s no sound was heard\n", what);
            return;
        }
        std::vector<double> s = frames;
        std::sort(s.begin(), s.end());
        const double mean = std::accumulate(s.begin(), s.end(), 0.0) / double(s.size());
        std::printf("%-34s min %5.0f / mean %7.1f / max %5.0f frames  (%.2f / %.2f / %.2f ms, "
                    "%.2f periods mean), %zu presses\n",
                    what, s.front(), mean, s.back(), 1000 * s.front() / rate, 1000 * mean / rate,
                    1000 * s.back() / rate, mean / period, s.size());
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    Listener ears;
    if (!ears.open()) {
        std::printf("JACK: no server answers; start one with scripts/services/jack.start\n");
        return 0;
    }
    const int rate = int(ears.rate());
    const int period = int(ears.period());

    Settings settings(dir.filePath(QStringLiteral("Kalvor.ini")));
    settings.load();
    ShowStore store;
    audio::AudioLib lib;
    engine::KaeEngine kae(lib, store, settings);
    if (!KAE__Init()) {
        std::printf("the engine did not start\n");
        return 1;
    }
    {
        ShowLayer show(store, settings, nullptr);
        show.connectEngine(kae.dispatcher());
        store.soundList(0) = {
            makeSoundEntry(writeTone(dir.filePath(QStringLiteral("go.wav")), rate, 3.0))};
        Channel& c = store.channel(0);
        c.volume = 100;
        c.fadeIn.active = false;
        c.fadeOut.active = false;
        show.selection().select(0, 0);
        if (!show.channelOps().SetOutput(0, QStringLiteral("JACK"))) {
            std::printf("the device \"JACK\" is not in the list\n");
            KAE__Shutdown(false);
            return 1;
        }
        settings.setText(u"OscEnable", QStringLiteral("1"));
        settings.setInteger(u"OscPort", 0); // any free port
        osc::OscControl control(show, settings);
        control.applySettings();
        lo_address to = lo_address_new("127.0.0.1", std::to_string(control.port()).c_str());

        // PLAY once so the device is started and its ports are connected.
        show.playback().PlayButtonDown(0);
        if (!pumpUntil([&] { return ears.tap(); }, 5000)) {
            std::printf("the program's JACK ports did not reach system:playback\n");
            return 1;
        }
        std::printf("JACK: %d Hz, %d frames per period; OSC on UDP port %d\n", rate, period,
                    control.port());

        std::mt19937 rng(5);
        Figures viaOsc, direct;
        for (int i = 0; i < 60; ++i) {
            show.playback().StopAndRewind(0);
            if (!ears.silentFor(4))
                continue;
            pumpUntil([] { return false; }, int(rng() % 7)); // a different point of the period
            ears.arm();
            const std::int64_t sent = ears.periodStart();
            const bool byOsc = i % 2 == 0;
            if (byOsc)
                lo_send(to, "/kalvor/channel/1/play", "");
            else
                show.playback().PlayButtonDown(0);
            if (pumpUntil([&] { return ears.first() >= 0; }, 3000))
                (byOsc ? viaOsc : direct).frames.push_back(double(ears.first() - sent));
        }
        lo_address_free(to);
        show.playback().StopAndRewind(0);
        viaOsc.print("OSC message to first sample:", rate, period);
        direct.print("PLAY called directly (peer):", rate, period);
    }
    KAE__Shutdown(false);
    return 0;
}
