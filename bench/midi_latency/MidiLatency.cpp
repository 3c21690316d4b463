// MIDI latency on JACK: a client of this benchmark's own sends a note-on to the program's
// MIDI input at a known JACK frame and watches the program's audio output for the first
// non-silent sample. The program side is the real thing: show layer, engine on the JACK
// device (the engine's own JACK client), MIDI input through RtMidi. Run on the dummy server:
//   jackd -R -P 70 -d dummy -r 48000 -p 256 (real-time, for the xrun count), or the
//   shared --no-realtime test server for the latency figures alone.
// UI thread for the program; the benchmark client's figures come from its process thread
// through atomics.
#include "control/midi/MidiSystem.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SoundEntry.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace kalvor;

namespace {

constexpr char kClient[] = "kalvor_midi_bench";
constexpr int kPresses = 50;

// Written on the UI thread before arming, read by the process thread after it sees
// `armed` (acquire); results go the other way through `result` (release).
struct Probe {
    jack_client_t* client = nullptr;
    jack_port_t* midiOut = nullptr;
    jack_port_t* audioIn[2] = {};
    std::atomic<bool> armed{false};
    std::atomic<bool> sent{false};
    std::atomic<long long> result{-1}; // frames from note-on to sound, -1: not yet
    std::atomic<int> xruns{0};
    jack_nframes_t sentAt = 0; // process thread only
};

int process(jack_nframes_t frames, void* arg) {
    auto* p = static_cast<Probe*>(arg);
    void* midi = jack_port_get_buffer(p->midiOut, frames);
    jack_midi_clear_buffer(midi);
    const jack_nframes_t start = jack_last_frame_time(p->client);
    if (p->armed.load(std::memory_order_acquire) && !p->sent.load(std::memory_order_relaxed)) {
        const unsigned char on[3] = {0x90, 60, 100};
        jack_midi_event_write(midi, 0, on, 3);
        p->sentAt = start;
        p->sent.store(true, std::memory_order_relaxed);
        return 0; // the program hears it in this period at the earliest
    }
    if (!p->sent.load(std::memory_order_relaxed) || p->result.load(std::memory_order_relaxed) >= 0)
        return 0;
    for (jack_port_t* port : p->audioIn) {
        const auto* in = static_cast<const float*>(jack_port_get_buffer(port, frames));
        for (jack_nframes_t i = 0; i < frames; ++i) {
            if (std::fabs(in[i]) > 0.05f) {
                p->result.store(static_cast<long long>(start + i - p->sentAt),
                                std::memory_order_release);
                return 0;
            }
        }
    }
    return 0;
}

int onXrun(void* arg) {
    static_cast<Probe*>(arg)->xruns.fetch_add(1);
    return 0;
}

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
}

template <typename F> bool pumpUntil(F done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(100);
    }
    return true;
}

// A 2 s cosine at 48 kHz: its very first sample is loud, so "first non-silent sample" is
// the first sample of the sound.
QString writeTone(const QString& path) {
    const int rate = 48000, frames = rate * 2;
    QByteArray pcm;
    for (int f = 0; f < frames; ++f) {
        const auto v = static_cast<qint16>(16000 * std::cos(2 * M_PI * 1000.0 * f / rate));
        for (int c = 0; c < 2; ++c)
            pcm.append(reinterpret_cast<const char*>(&v), 2);
    }
    QByteArray h("RIFF");
    const auto u32 = [&h](quint32 v) {
        h.append(reinterpret_cast<const char*>(&v), 4);
    };
    const auto u16 = [&h](quint16 v) {
        h.append(reinterpret_cast<const char*>(&v), 2);
    };
    u32(36 + pcm.size());
    h.append("WAVEfmt ");
    u32(16), u16(1), u16(2), u32(rate), u32(rate * 4), u16(4), u16(16);
    h.append("data");
    u32(pcm.size());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(h + pcm);
    return path;
}

void connectProgramOutputs(Probe& probe) {
    const char** ports =
        jack_get_ports(probe.client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    int n = 0;
    for (int i = 0; ports && ports[i] && n < 2; ++i) {
        const QString name = QString::fromLatin1(ports[i]);
        if (name.startsWith(QLatin1String("system:")) || name.startsWith(QLatin1String(kClient)))
            continue;
        jack_connect(probe.client, ports[i], jack_port_name(probe.audioIn[n++]));
    }
    jack_free(ports);
}

void print(const char* what, std::vector<long long> v) {
    if (v.empty()) {
        std::printf("%-34s no figures\n", what);
        return;
    }
    std::sort(v.begin(), v.end());
    std::printf("%-34s min %4lld  median %4lld  max %4lld frames  (n = %zu)\n", what, v.front(),
                v[v.size() / 2], v.back(), v.size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Probe probe;
    probe.client = jack_client_open(kClient, JackNoStartServer, nullptr);
    if (!probe.client) {
        std::printf("no JACK server: start one (jackd -d dummy -r 48000 -p 256) and run again\n");
        return 1;
    }
    const jack_nframes_t period = jack_get_buffer_size(probe.client);
    const jack_nframes_t rate = jack_get_sample_rate(probe.client);
    probe.midiOut =
        jack_port_register(probe.client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    probe.audioIn[0] =
        jack_port_register(probe.client, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    probe.audioIn[1] =
        jack_port_register(probe.client, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(probe.client, process, &probe);
    jack_set_xrun_callback(probe.client, onXrun, &probe);
    jack_activate(probe.client);

    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("Kalvor.ini")));
    settings.setInteger(u"SampleRate", static_cast<int>(rate));
    ShowStore store;
    audio::AudioLib lib;
    engine::KaeEngine kae(lib, store, settings);
    KAE__Init(nullptr);
    ShowLayer show(store, settings, nullptr);
    show.connectEngine(kae.dispatcher());
    QString jackOutput;
    for (const engine::OutputDevice& d : kae.devices().devices()) {
        if (d.name.contains(QLatin1String("JACK"), Qt::CaseInsensitive))
            jackOutput = d.name;
    }
    if (jackOutput.isEmpty()) {
        std::printf("the engine lists no JACK output\n");
        return 1;
    }
    store.soundList(0) = {makeSoundEntry(writeTone(dir.filePath(QStringLiteral("go.wav"))))};
    store.channel(0).volume = 100;
    store.channel(0).fadeIn.active = false;
    store.channel(0).fadeOut.active = false;
    show.selection().select(0, 0);
    KAE__Channel_ChangeDevice(0, jackOutput, false);
    ChannelAssignments& a = store.assignments(0);
    a.midiInNote = 60;
    a.midiInChannel = 1;
    a.midiInEnabled = true;

    settings.setText(u"MidiInDevice",
                     QStringLiteral("JACK: ") + QLatin1String(kClient) + QStringLiteral(":out"));
    midi::MidiSystem midi(show, settings);
    if (!midi.openInput()) {
        std::printf("the MIDI input did not open\n");
        return 1;
    }
    connectProgramOutputs(probe);
    pump(300);
    const int xrunsBefore = probe.xruns.load();

    std::vector<long long> first, presses;
    for (int i = 0; i <= kPresses; ++i) {
        probe.result.store(-1);
        probe.sent.store(false);
        probe.armed.store(true, std::memory_order_release);
        const bool heard = pumpUntil([&] { return probe.result.load() >= 0; }, 3000);
        probe.armed.store(false);
        if (heard)
            (i == 0 ? first : presses).push_back(probe.result.load(std::memory_order_acquire));
        show.playback().StopChannel(0);
        pump(40 + (i * 7) % 23); // the next press lands at another point of the period
    }
    const int xruns = probe.xruns.load() - xrunsBefore;
    midi.closeMidi();
    jack_client_close(probe.client);
    KAE__Shutdown(false);

    std::printf("MIDI note-on to first sound at the JACK output, %u Hz, %u-frame periods\n", rate,
                period);
    print("first press after loading:", first);
    print("50 presses:", presses);
    std::printf("%-34s %d\n", "xruns during the run:", xruns);
    std::printf("peer cue player, same set-up:      median 382, max 836 frames; first GO after "
                "loading 1789..2556 frames; xruns seen\n");
    std::printf("targets:                           median <= 300, max <= 512, first press no "
                "slower than the rest, 0 xruns\n");
    return 0;
}
