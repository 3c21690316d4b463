// bench_soak SECONDS [CHANNELS] [--keep DIR]: the real-time soak. The program's own layers
// (show layer, engine, its JACK output on the server this process is pointed at) play the
// soak show (SoakShow.h: 32 looping 44.1 kHz channels, every effect on, fades) while a
// script in the language of `kalvor-tool render` fires GOs, stops, pauses, volume and pan
// moves, seeks, recalls and moves between JACK and the null output for SECONDS. A JACK
// client of our own records the output and counts the server's xruns. Prints once a
// minute and at the end: xruns, the engine's underruns, late fade segments, the
// callback's time per period, and at the end the clicks found in the recording.
// Exit status 0 only when all four are 0.
//
// bench_soak --self-check: the click analysis against offline renders of the same show
// and script, clean and with deliberate cuts; every cut must be found, and no click in
// the clean render. The soak script runs it first.
//
// bench_soak --offline SECONDS [RUNS=2]: the same show and script rendered offline in
// 128-frame periods, each timed (the mixer's thread CPU), RUNS times; prints the spread and
// every period over 1 ms in every run with the actions before it. Deterministic, so a
// burst that comes back at the same period every run is the engine's, not the machine's
// (OfflineSoak.h).
//
// Why a script through the show layer and not MIDI: the actions reach exactly the
// operations every input path ends in, their timing is the script's own (a MIDI sender
// would add a second real-time client to the measurement), and a soak that found
// something replays offline with `kalvor-tool render --events` from the saved script.
#include "Capture.h"
#include "ClickAnalysis.h"
#include "OfflineSoak.h"
#include "SoakShow.h"
#include "WakeProbe.h"
#include "cli/RenderApply.h"
#include "cli/RenderEvents.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/kae/Kae.h"
#include "engine/kae/KaeMath.h"
#include "show/playback/ChannelPlayback.h"
#include "show/playback/ShowLayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <sched.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <vector>

using namespace kalvor;
using namespace kalvor::soak;

namespace {

constexpr int kBucketFrames = 240; // 5 ms at 48 kHz
// The notes of the UI thread and the sound in the recording are a few periods apart
// (command queue, the server's cycle, the capture client after the program): 60 ms
// either side is "at that moment".
constexpr int kSlackBuckets = 12;
constexpr std::uint32_t kSeed = 22;

// The library counts underruns per device and reports the current one's; channels move
// between the two outputs, so both are read (the current device is put back as it was).
long underrunsOn(audio::AudioLib& lib, std::initializer_list<int> devices) {
    const int current = lib.currentDevice();
    long sum = 0;
    for (const int d : devices)
        if (lib.setDevice(d))
            sum += static_cast<long>(lib.underruns());
    if (current > 0)
        lib.setDevice(current);
    return sum;
}

double loadAverage() {
    double load[3] = {};
    return getloadavg(load, 3) < 0 ? -1 : load[0];
}

// Fade segments against the device clock: each segment end (its message carries the
// frame it happened at) is due a whole number of segments after the press, the first
// within one period of it. A segment that ends later than that was applied late.
class FadeWatch final : public QObject {
public:
    FadeWatch(engine::KaeEngine& kae, int period) : kae_(kae), period_(period) {}

    void started(int ch, bool in, int fadeMs, std::int64_t pressFrame, int rate) {
        Fade& f = fades_.at(static_cast<std::size_t>(ch));
        f = Fade{};
        f.active = true;
        f.in = in;
        f.stream = kae_.slot(ch).stream;
        f.segmentFrames = static_cast<std::int64_t>(engine::fadeSegmentMs(fadeMs)) * rate / 1000;
        f.last = pressFrame; // -1: the press frame is not on this device's clock
        ++fadesStarted;
    }
    void interrupted(int ch) { fades_.at(static_cast<std::size_t>(ch)).active = false; }
    void interruptAll() {
        for (Fade& f : fades_)
            f.active = false;
    }

    long fadesStarted = 0;
    long segmentsChecked = 0;
    long late = 0;
    std::int64_t worstLateFrames = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != audio::EngineMessageEvent::eventType())
            return QObject::eventFilter(watched, event);
        const auto* m = static_cast<const audio::EngineMessageEvent*>(event);
        const bool in = m->message() == engine::kMessageFadeIn;
        if ((!in && m->message() != engine::kMessageFadeOut) || m->slot() < 0 ||
            m->slot() >= kSoakChannels)
            return false;
        Fade& f = fades_.at(static_cast<std::size_t>(m->slot()));
        if (!f.active || f.in != in || f.stream != m->stream() || m->deviceFrame() < 0)
            return false;
        ++f.segment;
        if (f.last >= 0) {
            // One period for the press to reach the callback (first segment only), one
            // frame for rounding the segment's length.
            const std::int64_t due = f.last + f.segmentFrames + 1 + (f.segment == 1 ? period_ : 0);
            ++segmentsChecked;
            if (m->deviceFrame() > due) {
                ++late;
                worstLateFrames = std::max(worstLateFrames, m->deviceFrame() - due);
            }
        }
        f.last = m->deviceFrame();
        if (f.segment >= 4)
            f.active = false;
        return false;
    }

private:
    struct Fade {
        bool active = false;
        bool in = false;
        int segment = 0;
        audio::Handle stream = 0;
        std::int64_t segmentFrames = 0;
        std::int64_t last = -1;
    };
    engine::KaeEngine& kae_;
    int period_;
    std::array<Fade, kSoakChannels> fades_{};
};

// The scheduling of every thread of this process that runs real-time, and how many do not;
// those are moved to core `otherCores` when it is not negative (threads they start later
// stay there too).
void printThreadScheduling(int otherCores) {
    const QDir tasks(QStringLiteral("/proc/self/task"));
    int others = 0;
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const pid_t id = tid.toInt();
        const int policy = sched_getscheduler(id);
        sched_param param{};
        sched_getparam(id, &param);
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        QString name = comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed()
                                                      : QStringLiteral("?");
        cpu_set_t cpus;
        CPU_ZERO(&cpus);
        QString cores;
        if (sched_getaffinity(id, sizeof cpus, &cpus) == 0)
            for (int c = 0; c < CPU_SETSIZE; ++c)
                if (CPU_ISSET(c, &cpus))
                    cores +=
                        (cores.isEmpty() ? QString() : QStringLiteral(",")) + QString::number(c);
        if (policy == SCHED_FIFO || policy == SCHED_RR) {
            std::printf("  thread %-16s %s %d, cores %s\n", qPrintable(name),
                        policy == SCHED_FIFO ? "SCHED_FIFO" : "SCHED_RR", param.sched_priority,
                        qPrintable(cores));
            continue;
        }
        ++others;
        if (otherCores >= 0) {
            cpu_set_t to;
            CPU_ZERO(&to);
            CPU_SET(otherCores, &to);
            sched_setaffinity(id, sizeof to, &to);
        }
    }
    std::printf("  %d other threads SCHED_OTHER%s\n", others,
                otherCores >= 0 ? qPrintable(QStringLiteral(", moved to core %1").arg(otherCores))
                                : "");
}

void printRenderTimes(audio::AudioLib& lib, int period, int rate) {
    const double budgetUs = 1e6 * period / rate;
    for (const bool cpu : {false, true}) {
        const audio::RenderTimeFigures t = lib.getRenderTimes(cpu);
        std::printf("  callback %-10s %lld periods: median %.1f %%, 99.9th %.1f %%, max %.1f %% "
                    "(%.0f us of %.0f), over budget %lld\n",
                    cpu ? "thread CPU" : "wall", static_cast<long long>(t.periods), t.medianPercent,
                    t.p999Percent, t.maxPercent, t.maxUs, budgetUs,
                    static_cast<long long>(t.overBudget));
    }
}

std::optional<std::vector<cli::RenderEvent>> parseScript(const QString& text) {
    QString error;
    auto events = cli::parseRenderEvents(text, &error);
    if (!events)
        std::printf("the soak script does not parse: %s\n", qPrintable(error));
    return events;
}

void printClicks(const char* what, const ClickFigures& f, int rate) {
    std::printf("%s: %lld clicks in %.1f s; largest step %.4f; closest step to its bound %.2f of "
                "it\n",
                what, static_cast<long long>(f.clicks), static_cast<double>(f.frames) / rate,
                f.largestStep, f.closestRatio);
    for (const Click& c : f.first)
        std::printf("  click at %.4f s (frame %lld, %s): step %.4f, bound %.4f\n",
                    static_cast<double>(c.frame) / rate, static_cast<long long>(c.frame),
                    c.side == 0 ? "left" : "right", c.step, c.bound);
}

// --- self-check ---------------------------------------------------------------------------

enum class Cut { None, Dropout, Splice, GainStep };

struct CutCase {
    const char* name;
    Cut cut;
    double at; // seconds
    int frames;
};

// The render with one fault put in: silence (what an xrun or an underrun leaves), frames
// missing (a period dropped), or the level halved at once (a gain set without its ramp).
// A jump of a few frames in these low tones is no click by this measure: the step it
// makes is within what the sources make anyway.
std::vector<float> withCut(const std::vector<float>& clean, const CutCase& c, int rate) {
    std::vector<float> out = clean;
    const auto at = static_cast<std::size_t>(c.at * rate) * 2;
    const auto n = static_cast<std::size_t>(c.frames) * 2;
    switch (c.cut) {
    case Cut::None:
        break;
    case Cut::Dropout:
        std::fill(out.begin() + static_cast<long>(at), out.begin() + static_cast<long>(at + n),
                  0.0f);
        break;
    case Cut::Splice:
        out.erase(out.begin() + static_cast<long>(at), out.begin() + static_cast<long>(at + n));
        break;
    case Cut::GainStep:
        for (std::size_t i = at; i < out.size(); ++i)
            out[i] *= 0.5f;
        break;
    }
    return out;
}

int selfCheck() {
    constexpr int rate = 48000;
    // SOAK_CHECK_SECONDS renders longer, to look offline at a place a live soak found.
    const double seconds = std::max(12, qEnvironmentVariableIntValue("SOAK_CHECK_SECONDS"));
    QTemporaryDir dir;
    const QStringList sounds = writeSoakSounds(dir.path());
    if (sounds.size() != kSoakChannels) {
        std::printf("self-check: could not write the sounds\n");
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    const std::vector<SourceStep> steps = measureSourceSteps(sounds, kSoakChannels, rate, 5.0);
    std::printf("self-check: source steps measured offline in %.1f s (largest step %.5f)\n",
                clock.elapsed() / 1000.0,
                std::max_element(steps.begin(), steps.end(), [](auto& a, auto& b) {
                    return a.step < b.step;
                })->step);

    // The same show and the same script, rendered offline in the callback's periods.
    GainEnvelope envelope(kSoakChannels, kBucketFrames);
    std::vector<float> clean(static_cast<std::size_t>(seconds * rate) * 2);
    // The slowest period of the offline render (the mixer's thread CPU), for the figures:
    // the same mixing code as the callback's.
    double slowestUs = 0, slowestAt = 0;
    OfflineSoak run;
    run.seconds = seconds;
    run.seed = kSeed;
    run.rate = rate;
    run.note = [&](ShowLayer& show, const QString& output, std::int64_t frame) {
        noteGains(show, output, frame, envelope);
    };
    run.period = [&](std::int64_t frame, const float* sound, double us) {
        std::copy(sound, sound + kOfflinePeriod * 2, clean.begin() + frame * 2);
        if (us > slowestUs) {
            slowestUs = us;
            slowestAt = static_cast<double>(frame) / rate;
        }
    };
    if (!playSoakOffline(sounds, run))
        return 1;
    const long refused = run.refused;

    const CutCase cases[] = {
        {"clean render", Cut::None, 0, 0},
        {"one period of silence at 4.0 s", Cut::Dropout, 4.0, 128},
        {"64 frames of silence at 6.5 s", Cut::Dropout, 6.5, 64},
        {"128 frames missing at 8.0 s", Cut::Splice, 8.0, 128},
        {"the level halved at 10.2 s", Cut::GainStep, 10.2, 0},
    };
    int failures = 0;
    std::printf("self-check: %ld events refused by the show; slowest 128-frame period of the "
                "offline render %.0f us thread CPU, at %.2f s\n",
                refused, slowestUs, slowestAt);
    for (const CutCase& c : cases) {
        const std::vector<float> audio = withCut(clean, c, rate);
        ClickDetector detector(envelope, steps, kSlackBuckets, rampFrames(rate));
        detector.feed(audio.data(), static_cast<std::int64_t>(audio.size() / 2), 2);
        const ClickFigures& f = detector.figures();
        const auto cutFrame = static_cast<std::int64_t>(c.at * rate);
        const bool found = std::any_of(f.first.begin(), f.first.end(), [&](const Click& k) {
            return k.frame >= cutFrame && k.frame <= cutFrame + c.frames + 1;
        });
        const bool ok = c.cut == Cut::None ? f.clicks == 0 : found;
        failures += ok ? 0 : 1;
        std::printf("self-check %-34s %s: ", c.name, ok ? "ok  " : "FAIL");
        printClicks(c.cut == Cut::None ? "clean" : "cut", f, rate);
    }
    std::printf("self-check: %s\n", failures == 0 ? "passed" : "FAILED");
    return failures == 0 ? 0 : 1;
}

// --- the soak -------------------------------------------------------------------------------

void pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    QThread::usleep(500);
}

int runSoak(int seconds, int channels, const QString& keep) {
    Capture capture;
    QString error;
    // The server's rate and period, asked by a client that is gone before the engine opens
    // its devices: PortAudio lists every JACK client with input ports as an output, and
    // the capture client must not become one.
    jack_client_t* ask = jack_client_open("kalvor-soak-ask", JackNoStartServer, nullptr);
    if (!ask) {
        std::printf("JACK: no server answers; start one first (bench/soak/run.sh does)\n");
        return 1;
    }
    const int rate = static_cast<int>(jack_get_sample_rate(ask));
    const int period = static_cast<int>(jack_get_buffer_size(ask));
    jack_client_close(ask);
    QTemporaryDir dir;
    const QString folder = keep.isEmpty() ? dir.path() : keep;
    QDir().mkpath(folder);
    const QStringList sounds = writeSoakSounds(folder);
    if (sounds.size() != kSoakChannels) {
        std::printf("could not write the sounds into %s\n", qPrintable(folder));
        return 1;
    }
    // Before the engine opens JACK: the measuring engine is an offline one, and there is
    // one engine at a time.
    const std::vector<SourceStep> steps = measureSourceSteps(sounds, channels, rate, 5.0);

    Settings settings(folder + QStringLiteral("/Kalvor.ini"));
    settings.setInteger(u"SampleRate", kSoundRate);
    // The null output is the second output that channels move to and back.
    settings.setInteger(u"NoEmulatedDevices", 0);
    ShowStore store;
    audio::AudioLib lib;
    engine::KaeEngine kae(lib, store, settings);
    KAE__Init(nullptr);
    QString jack, null;
    int jackDevice = 0, nullDevice = 0;
    for (const engine::OutputDevice& d : kae.devices().devices()) {
        if (d.name.contains(QLatin1String("JACK"), Qt::CaseInsensitive) && jack.isEmpty()) {
            jack = d.name;
            jackDevice = d.number;
        }
        if (d.name.contains(QLatin1String("Null"), Qt::CaseInsensitive)) {
            null = d.name;
            nullDevice = d.number;
        }
    }
    if (jack.isEmpty() || null.isEmpty()) {
        std::printf("the engine lists no JACK output or no null output; it lists:\n");
        for (const engine::OutputDevice& d : kae.devices().devices())
            std::printf("  %d %s\n", d.number, qPrintable(d.name));
        KAE__Shutdown(false);
        return 1;
    }
    if (!capture.open("kalvor-soak-capture", &error)) {
        std::printf("JACK: %s\n", qPrintable(error));
        KAE__Shutdown(false);
        return 1;
    }
    const QString script = soakScript(seconds, kSeed, channels, jack, null);
    QFile scriptFile(folder + QStringLiteral("/soak-script.txt"));
    if (scriptFile.open(QIODevice::WriteOnly))
        scriptFile.write(script.toUtf8());
    const auto events = parseScript(script);
    if (!events) {
        KAE__Shutdown(false);
        return 1;
    }
    FadeWatch fades(kae, period);
    QCoreApplication::instance()->installEventFilter(&fades);
    GainEnvelope envelope(channels, kBucketFrames);
    long refused = 0;
    long underrunsAtStart = 0;
    // The show layer goes before the engine shuts down.
    const int rc = [&]() -> int {
        ShowLayer show(store, settings, nullptr);
        show.connectEngine(kae.dispatcher());
        buildSoakShow(show, sounds, channels, jack);
        // A recall starts channels long before it returns to the loop below.
        const auto noteNow = [&] {
            noteGains(show, jack, capture.frameNow(), envelope);
        };
        QObject::connect(&show.playback(), &ChannelPlayback::channelStarted, noteNow);
        QObject::connect(&show.playback(), &ChannelPlayback::channelPaused, noteNow);
        QObject::connect(&show.playback(), &ChannelPlayback::channelStopped, noteNow);
        if (capture.connectProgram("kalvor-soak") < 2) {
            std::printf("could not connect the program's two outputs to the capture client\n");
            return 1;
        }
        const QString recording = folder + QStringLiteral("/soak-output.f32");
        if (!capture.start(recording, &error)) {
            std::printf("%s\n", qPrintable(error));
            return 1;
        }
        while (capture.frameNow() < 0)
            pump();
        std::printf("JACK %d Hz, %d-frame periods; %d channels of 44.1 kHz tones, every effect "
                    "on; %zu events in %d s\n",
                    rate, period, channels, events->size(), seconds);
        std::printf("load average at start %.2f\n", loadAverage());
        std::fflush(stdout);
        lib.restartRenderTimes();
        const long xrunsAtStart = capture.xruns();
        const long momentsAtStart = capture.xrunMoments();
        underrunsAtStart = underrunsOn(lib, {jackDevice, nullDevice});
        QElapsedTimer clock;
        clock.start();
        const std::int64_t scriptStart = capture.frameNow();
        std::vector<std::int64_t> lateCallbacks; // recording frames, polled
        std::size_t next = 0;
        int minute = 0;
        // Which actions came just before a period went over its budget: the histogram
        // says how slow, this says when.
        const QStringList texts = script.split(QStringLiteral("; "));
        std::int64_t overWall = 0, overCpu = 0;
        qint64 lastPoll = 0;
        WakeProbe probe;
        int slowReports = 0;
        bool scheduling = false;
        while (clock.elapsed() < seconds * 1000LL) {
            while (next < events->size() && (*events)[next].seconds * 1000 <= clock.elapsed()) {
                const cli::RenderEvent& e = (*events)[next++];
                const int ch = e.argument - 1;
                if (e.action == cli::RenderAction::Recall)
                    fades.interruptAll();
                else if (e.action != cli::RenderAction::Release && ch >= 0 && ch < channels)
                    fades.interrupted(ch);
                // A channel moved onto the recorded output sounds there a period after the
                // move has opened it, which on a busy machine can be well before this loop
                // notes gains again: it counts from now.
                if (e.action == cli::RenderAction::Output && e.name == jack)
                    noteGains(show, jack, capture.frameNow(), envelope, ch);
                const QString refusal = cli::applyRenderEvent(show, e);
                if (!refusal.isEmpty()) {
                    ++refused;
                    continue;
                }
                if (e.action == cli::RenderAction::Press && ch >= 0 && ch < channels) {
                    const bool in = show.playback().fadeInState(ch) == 1;
                    const bool out = show.playback().fadeOutState(ch) == 1;
                    const Channel& c = store.channel(ch);
                    const std::int64_t pressFrame =
                        (lib.currentDevice() == jackDevice && c.outputName == jack)
                            ? lib.deviceFrame()
                            : -1;
                    if ((in || out) && c.outputName == jack)
                        fades.started(ch, in, in ? c.fadeIn.time : c.fadeOut.time, pressFrame,
                                      rate);
                }
            }
            noteGains(show, jack, capture.frameNow(), envelope);
            pump();
            noteGains(show, jack, capture.frameNow(), envelope);
            if (clock.elapsed() - lastPoll >= 50) {
                lastPoll = clock.elapsed();
                probe.noteFrame(capture.frameNow());
                const audio::RenderTimeFigures wall = lib.getRenderTimes(false);
                const audio::RenderTimeFigures cpu = lib.getRenderTimes(true);
                // Every period over in thread CPU time (the engine's own); the first 20 over in
                // wall time only (the machine's).
                if (cpu.overBudget > overCpu ||
                    (wall.overBudget > overWall && slowReports++ < 20)) {
                    std::printf("  over budget at %.2f s (wall %lld, thread CPU %lld so far; max "
                                "%.0f / %.0f us); last actions:",
                                static_cast<double>(capture.frameNow()) / rate,
                                static_cast<long long>(wall.overBudget),
                                static_cast<long long>(cpu.overBudget), wall.maxUs, cpu.maxUs);
                    for (std::size_t i = next >= 3 ? next - 3 : 0; i < next; ++i)
                        std::printf(" [%s]", i < static_cast<std::size_t>(texts.size())
                                                 ? qPrintable(texts[static_cast<qsizetype>(i)])
                                                 : "?");
                    std::printf("\n");
                }
                if (wall.overBudget > overWall)
                    lateCallbacks.push_back(capture.frameNow());
                overWall = wall.overBudget;
                overCpu = cpu.overBudget;
            }
            if (!scheduling && clock.elapsed() > 5000) {
                std::printf("real-time scheduling of this process's threads:\n");
                printThreadScheduling(qEnvironmentVariableIntValue("SOAK_OTHER_THREADS_CORE") - 1);
                scheduling = true;
            }
            if (clock.elapsed() >= (minute + 1) * 60000LL) {
                ++minute;
                std::printf("after %d s: xruns %ld, engine underruns %lld, late fade segments "
                            "%ld of %ld, load average %.2f\n",
                            minute * 60, capture.xruns() - xrunsAtStart,
                            static_cast<long long>(underrunsOn(lib, {jackDevice, nullDevice})) -
                                underrunsAtStart,
                            fades.late, fades.segmentsChecked, loadAverage());
                printRenderTimes(lib, period, rate);
                std::fflush(stdout);
            }
        }
        const long xruns = capture.xruns() - xrunsAtStart;
        const long underruns = underrunsOn(lib, {jackDevice, nullDevice}) - underrunsAtStart;
        for (int ch = 0; ch < channels; ++ch)
            show.playback().StopChannel(ch);
        for (int i = 0; i < 200; ++i)
            pump();
        capture.stop();
        QCoreApplication::instance()->removeEventFilter(&fades);

        std::printf(
            "\n=== soak of %d s: %d channels, every effect on, JACK %d Hz / %d frames ===\n",
            seconds, channels, rate, period);
        printRenderTimes(lib, period, rate);
        std::printf("underruns: JACK %ld, null output %ld\n", underrunsOn(lib, {jackDevice}),
                    underrunsOn(lib, {nullDevice}));
        std::printf("script: %zu events, %ld refused by the show (a seek past a sound's end, "
                    "a move to the output a channel is on)\n",
                    events->size(), refused);
        std::printf("fades: %ld started on JACK, %ld segment ends checked against the device "
                    "clock\n",
                    fades.fadesStarted, fades.segmentsChecked);
        std::printf("xruns: %ld reports at %ld moments\n", xruns,
                    capture.xrunMoments() - momentsAtStart);
        if (xruns > 0) {
            std::printf("xruns at (s of the recording):");
            for (long i = xrunsAtStart;
                 i < std::min<long>({capture.xruns(), Capture::kKeptXruns, xrunsAtStart + 40}); ++i)
                std::printf(" %.2f",
                            static_cast<double>(capture.xrunFrame(static_cast<int>(i))) / rate);
            std::printf("\n");
        }
        std::printf("recording: %lld frames (%.1f s), %ld capture overflows\n",
                    static_cast<long long>(capture.recorded()),
                    static_cast<double>(capture.recorded()) / rate, capture.overflows());

        ClickDetector detector(envelope, steps, kSlackBuckets, rampFrames(rate));
        QFile in(recording);
        if (in.open(QIODevice::ReadOnly)) {
            std::vector<float> block(static_cast<std::size_t>(rate) * 2);
            qint64 got = 0;
            while ((got = in.read(reinterpret_cast<char*>(block.data()),
                                  static_cast<qint64>(block.size() * sizeof(float)))) > 0)
                detector.feed(block.data(), got / static_cast<qint64>(2 * sizeof(float)), 2);
        }
        if (keep.isEmpty())
            QFile::remove(recording);
        printClicks("clicks", detector.figures(), rate);
        const long clicks = static_cast<long>(detector.figures().clicks);
        // Clicks by cause: a cycle the server ran without us (the gap is in the recording,
        // exact), a period the callback or the server was late for (xrun reports and the
        // late-callback polls are a notification thread's and the UI thread's, so they may
        // come 300 ms after), or none of these: those are the program's, listed with the
        // actions before them.
        const auto near = [](std::int64_t f, const std::vector<std::int64_t>& at,
                             std::int64_t before, std::int64_t after) {
            return std::any_of(at.begin(), at.end(), [&](std::int64_t x) {
                return x >= 0 && f >= x - before && f <= x + after;
            });
        };
        std::vector<std::int64_t> gaps, reports;
        for (long i = 0; i < std::min<long>(capture.gaps(), Capture::kKeptXruns); ++i)
            gaps.push_back(capture.gapFrame(i));
        for (long i = 0; i < std::min<long>(capture.xruns(), Capture::kKeptXruns); ++i)
            reports.push_back(capture.xrunFrame(static_cast<int>(i)));
        reports.insert(reports.end(), lateCallbacks.begin(), lateCallbacks.end());
        long atGap = 0, atLate = 0, elsewhere = 0, atBoundary = 0;
        std::int64_t lastMoment = -1000000;
        for (const Click& click : detector.figures().all) {
            const std::int64_t f = click.frame;
            if (f - lastMoment <= 2 * period)
                continue; // the same moment (both sides, both edges of a gap)
            lastMoment = f;
            if (near(f, gaps, 2 * period, 2 * period)) {
                ++atGap;
            } else if (near(f, reports, rate * 3 / 10, rate / 10)) {
                ++atLate;
            } else {
                ++elsewhere;
                atBoundary += f % period == 0 ? 1 : 0;
                const double t = static_cast<double>(f - scriptStart) / rate;
                std::printf(
                    "  click at frame %lld of the recording (%lld into its period; %.3f s of "
                    "the script), step %.4f, bound %.4f, no xrun near; actions before:",
                    static_cast<long long>(f), static_cast<long long>(f % period), t, click.step,
                    click.bound);
                for (std::size_t i = 0; i < events->size(); ++i)
                    if ((*events)[i].seconds <= t && (*events)[i].seconds > t - 0.4 &&
                        i < static_cast<std::size_t>(texts.size()))
                        std::printf(" [%s]", qPrintable(texts[static_cast<qsizetype>(i)]));
                std::printf("\n");
            }
        }
        std::printf("click moments: %ld at cycles the server lost (%ld gaps), %ld within 300 ms "
                    "of an xrun or a late callback, %ld elsewhere (%ld of them at a period's first "
                    "frame)\n",
                    atGap, capture.gaps(), atLate, elsewhere, atBoundary);
        probe.report(gaps, rate);
        std::printf("load average at end %.2f\n", loadAverage());
        std::printf("RESULT: %ld xruns, %ld underruns, %ld clicks, %ld late fade segments%s\n",
                    xruns, underruns, clicks, fades.late,
                    capture.overflows() > 0 ? " (recording incomplete: clicks not known)" : "");
        return xruns == 0 && underruns == 0 && clicks == 0 && fades.late == 0 &&
                       capture.overflows() == 0
                   ? 0
                   : 1;
    }();
    KAE__Shutdown(false);
    return rc;
}

// The machine's share: the server and the recorder alone, no client of the program on the
// server, in the same conditions as the soak. Xruns here are the machine's; they set the
// floor that no program on this machine can go below.
int runServerAlone(int seconds) {
    Capture capture;
    QString error;
    QTemporaryDir dir;
    if (!capture.open("kalvor-soak-capture", &error) ||
        !capture.start(dir.filePath(QStringLiteral("server-alone.f32")), &error)) {
        std::printf("JACK: %s\n", qPrintable(error));
        return 1;
    }
    while (capture.frameNow() < 0)
        QThread::msleep(1);
    const int rate = capture.rate();
    std::printf("JACK %d Hz, %d-frame periods; the server and the recorder alone, no client of "
                "the program, %d s\n",
                rate, capture.period(), seconds);
    std::printf("load average at start %.2f\n", loadAverage());
    std::fflush(stdout);
    const long xrunsAtStart = capture.xruns();
    const long momentsAtStart = capture.xrunMoments();
    WakeProbe probe;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000LL) {
        probe.noteFrame(capture.frameNow());
        QThread::msleep(20);
    }
    capture.stop();
    std::vector<std::int64_t> gaps;
    for (long i = 0; i < std::min<long>(capture.gaps(), Capture::kKeptXruns); ++i)
        gaps.push_back(capture.gapFrame(i));
    const long xruns = capture.xruns() - xrunsAtStart;
    std::printf("xruns: %ld reports at %ld moments\n", xruns,
                capture.xrunMoments() - momentsAtStart);
    probe.report(gaps, rate);
    std::printf("load average at end %.2f\n", loadAverage());
    std::printf("RESULT (server alone): %ld xruns\n", xruns);
    return xruns == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 1 && args[1] == QLatin1String("--self-check"))
        return selfCheck();
    if (args.size() > 2 && args[1] == QLatin1String("--offline")) {
        const double offlineSeconds = args[2].toDouble();
        const int runs = args.size() > 3 ? args[3].toInt() : 2;
        if (offlineSeconds > 0 && runs > 0)
            return reportOfflineBursts(offlineSeconds, runs, kSeed);
    }
    if (args.size() > 2 && args[1] == QLatin1String("--server-alone")) {
        const int aloneSeconds = args[2].toInt();
        if (aloneSeconds > 0)
            return runServerAlone(aloneSeconds);
    }
    int seconds = args.size() > 1 ? args[1].toInt() : 600;
    int channels = kSoakChannels;
    QString keep;
    for (qsizetype i = 2; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--keep") && i + 1 < args.size())
            keep = args[++i];
        else
            channels = args[i].toInt();
    }
    if (seconds <= 0 || channels < 0 || channels > kSoakChannels) {
        std::fprintf(stderr, "usage: bench_soak --self-check | --offline SECONDS [RUNS] | --server-alone "
                             "SECONDS | SECONDS "
                             "[CHANNELS 0..32] [--keep DIR]\n");
        return 2;
    }
    return runSoak(seconds, channels, keep);
}
