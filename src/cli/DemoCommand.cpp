#include "cli/DemoCommand.h"

#include "cli/WavWriter.h"
#include "core/Preset.h"
#include "show/playlist/PlaylistDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

namespace kalvor::cli {

namespace {

constexpr int kRate = 44100;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Interleaved stereo, -1..1.
struct Sound {
    std::vector<float> samples;
    std::int64_t frames() const { return static_cast<std::int64_t>(samples.size() / 2); }
};

// A fixed generator, so the noise (and with it every file) is the same on every machine;
// the standard distributions are not.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed ? seed : 1u) {}
    double operator()() { // -1..1
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t state_;
};

// A one-pole low-pass: enough to colour noise into wind, rain and rumble.
class LowPass {
public:
    explicit LowPass(double cutoffHz) { setCutoff(cutoffHz); }
    void setCutoff(double hz) { a_ = 1.0 - std::exp(-kTwoPi * hz / kRate); }
    double operator()(double x) { return y_ += a_ * (x - y_); }

private:
    double a_ = 0;
    double y_ = 0;
};

double dbToGain(double db) {
    return std::pow(10.0, db / 20.0);
}

std::int64_t framesOf(double seconds) {
    return static_cast<std::int64_t>(std::llround(seconds * kRate));
}

// Fills a sound frame by frame from `frame(t, left, right)`.
Sound render(double seconds, const std::function<void(double t, double& l, double& r)>& frame) {
    Sound s;
    const std::int64_t n = framesOf(seconds);
    s.samples.resize(static_cast<std::size_t>(n * 2));
    for (std::int64_t i = 0; i < n; ++i) {
        double l = 0, r = 0;
        frame(static_cast<double>(i) / kRate, l, r);
        s.samples[static_cast<std::size_t>(2 * i)] = static_cast<float>(l);
        s.samples[static_cast<std::size_t>(2 * i + 1)] = static_cast<float>(r);
    }
    return s;
}

// Makes a sound loop without a seam: its last `fadeSeconds` are cross-faded into its
// start, so the frame after the end continues the frame at the end. The sound must be
// rendered `fadeSeconds` longer than the loop.
Sound closeLoop(Sound s, double fadeSeconds) {
    const std::int64_t f = framesOf(fadeSeconds);
    const std::int64_t n = s.frames() - f;
    for (std::int64_t i = 0; i < f; ++i) {
        const double x = static_cast<double>(i) / static_cast<double>(f);
        const double in = std::sqrt(x);
        const double out = std::sqrt(1.0 - x);
        for (int c = 0; c < 2; ++c) {
            auto& head = s.samples[static_cast<std::size_t>(2 * i + c)];
            const float tail = s.samples[static_cast<std::size_t>(2 * (n + i) + c)];
            head = static_cast<float>(head * in + tail * out);
        }
    }
    s.samples.resize(static_cast<std::size_t>(n * 2));
    return s;
}

// Short ramps at both ends, so a sound never starts or stops with a click.
void softEnds(Sound& s, double seconds = 0.005) {
    const std::int64_t f = std::min(framesOf(seconds), s.frames() / 2);
    for (std::int64_t i = 0; i < f; ++i) {
        const auto g = static_cast<float>(static_cast<double>(i) / static_cast<double>(f));
        for (int c = 0; c < 2; ++c) {
            s.samples[static_cast<std::size_t>(2 * i + c)] *= g;
            s.samples[static_cast<std::size_t>(2 * (s.frames() - 1 - i) + c)] *= g;
        }
    }
}

Sound lineCheck() {
    const double a = dbToGain(-20.0);
    Sound s = render(
        4.0, [a](double t, double& l, double& r) { l = r = a * std::sin(kTwoPi * 1000.0 * t); });
    softEnds(s);
    return s;
}

// Pink noise by the usual three-pole filter over white noise, about -20 dBFS RMS.
Sound pinkNoise() {
    Noise white(7);
    double b0 = 0, b1 = 0, b2 = 0;
    Sound s = render(4.0, [&](double, double& l, double& r) {
        const double w = white();
        b0 = 0.99765 * b0 + w * 0.0990460;
        b1 = 0.96300 * b1 + w * 0.2965164;
        b2 = 0.57000 * b2 + w * 1.0526913;
        l = r = 0.05 * (b0 + b1 + b2 + w * 0.1848);
    });
    softEnds(s);
    return s;
}

// Dark, quiet noise with a little mains hum: the sound of an empty auditorium.
Sound roomTone() {
    Noise nl(11), nr(12);
    LowPass fl(350), fr(330);
    const double hum = dbToGain(-52.0);
    Sound s = render(9.0, [&](double t, double& l, double& r) {
        const double h = hum * std::sin(kTwoPi * 50.0 * t);
        l = 0.25 * fl(nl()) + h;
        r = 0.25 * fr(nr()) + h;
    });
    return closeLoop(std::move(s), 1.0);
}

// A bell strike: inharmonic partials that die away, the higher ones sooner.
double bell(double t, double freq) {
    if (t < 0)
        return 0;
    const double attack = std::min(1.0, t / 0.002);
    const double partials[][3] = {{1.0, 1.0, 1.2}, {2.76, 0.45, 0.6}, {5.40, 0.2, 0.3}};
    double v = 0;
    for (const auto& p : partials)
        v += p[1] * std::exp(-t / p[2]) * std::sin(kTwoPi * freq * p[0] * t);
    return attack * v;
}

Sound doorbell() {
    const double a = dbToGain(-14.0);
    // "Ding" then "dong", a little wider on the right: it hangs beside the stage door.
    return render(3.0, [a](double t, double& l, double& r) {
        const double v = a * (bell(t, 659.25) + bell(t - 0.6, 523.25));
        l = 0.8 * v;
        r = v;
    });
}

// An old telephone bell: two close tones, struck 20 times a second, ring-ring-pause.
Sound phoneRing() {
    const double a = dbToGain(-10.0);
    Sound s = render(3.0, [a](double t, double& l, double& r) {
        const double p = std::fmod(t, 3.0);
        const bool on = p < 0.4 || (p >= 0.6 && p < 1.0);
        const double strike = 0.5 + 0.5 * std::sin(kTwoPi * 20.0 * t);
        const double v =
            on ? a * strike * (std::sin(kTwoPi * 400.0 * t) + std::sin(kTwoPi * 450.0 * t)) / 2
               : 0.0;
        l = r = v;
    });
    softEnds(s, 0.002);
    return s;
}

// Noise through a low-pass whose cutoff drifts, in slow gusts.
Sound wind() {
    Noise nl(21), nr(22);
    LowPass fl(500), fr(500), fl2(500), fr2(500);
    Sound s = render(12.0, [&](double t, double& l, double& r) {
        const double gust = 0.55 + 0.45 * std::sin(kTwoPi * t / 5.5) * std::sin(kTwoPi * t / 2.3);
        const double cutoff = 250.0 + 700.0 * gust;
        fl.setCutoff(cutoff);
        fr.setCutoff(cutoff * 1.07);
        fl2.setCutoff(cutoff);
        fr2.setCutoff(cutoff * 1.07);
        l = 2.5 * gust * fl2(fl(nl()));
        r = 2.5 * gust * fr2(fr(nr()));
    });
    return closeLoop(std::move(s), 2.0);
}

// A crack, then rumble that swells and rolls away.
Sound thunder() {
    Noise nl(31), nr(32);
    LowPass crackL(3000), crackR(3000), rumbleL(120), rumbleR(110), rumble2L(120), rumble2R(110);
    Sound s = render(7.0, [&](double t, double& l, double& r) {
        const double crack = t < 0.25 ? std::exp(-t / 0.05) : 0.0;
        const double swell = std::min(1.0, t / 0.8) * std::exp(-std::max(0.0, t - 0.8) / 1.8);
        const double xl = nl();
        const double xr = nr();
        l = 0.5 * crack * crackL(xl) + 3.0 * swell * rumble2L(rumbleL(xl));
        r = 0.5 * crack * crackR(xr) + 3.0 * swell * rumble2R(rumbleR(xr));
    });
    softEnds(s);
    return s;
}

// A hiss with drops falling at random on either side.
Sound rain() {
    Noise nl(41), nr(42), drops(43);
    LowPass hissL(4000), hissR(4000);
    double dropL = 0, dropR = 0;
    Sound s = render(9.0, [&](double, double& l, double& r) {
        const double chance = drops();
        if (chance > 0.9985)
            dropL = 0.5 * (0.5 + 0.5 * drops());
        else if (chance < -0.9985)
            dropR = 0.5 * (0.5 + 0.5 * drops());
        dropL *= 0.992;
        dropR *= 0.992;
        l = 0.08 * hissL(nl()) + dropL * nl();
        r = 0.08 * hissR(nr()) + dropR * nr();
    });
    return closeLoop(std::move(s), 1.0);
}

// Tick and tock once a second, each a short resonant click.
Sound clockTick() {
    return render(4.0, [](double t, double& l, double& r) {
        const double beat = std::fmod(t, 1.0);
        const int n = static_cast<int>(t);
        const double freq = (n % 2) ? 1600.0 : 2100.0;
        const double v = 0.5 * std::exp(-beat / 0.008) * std::sin(kTwoPi * freq * beat);
        l = r = v;
    });
}

// A short fanfare-like phrase over a bass line: soft organ tones, one note at a time.
Sound overturePhrase() {
    struct Note {
        double start, length, midi;
    };
    // C major: up to the octave, a turn, and home.
    const Note melody[] = {{0.0, 0.45, 72}, {0.5, 0.45, 76}, {1.0, 0.45, 79}, {1.5, 0.9, 84},
                           {2.5, 0.45, 83}, {3.0, 0.45, 79}, {3.5, 0.45, 81}, {4.0, 0.45, 77},
                           {4.5, 0.45, 74}, {5.0, 1.6, 72}};
    const Note bass[] = {{0.0, 1.45, 48}, {1.5, 1.0, 52}, {2.5, 1.0, 55},
                         {3.5, 1.0, 53},  {4.5, 0.5, 55}, {5.0, 1.6, 48}};
    auto tone = [](const Note& n, double t) {
        const double u = t - n.start;
        if (u < 0 || u > n.length + 0.3)
            return 0.0;
        const double f = 440.0 * std::pow(2.0, (n.midi - 69.0) / 12.0);
        const double env = std::min(1.0, u / 0.02) *
                           (u <= n.length ? 1.0 : std::exp(-(u - n.length) / 0.08)) *
                           std::exp(-u / 1.5);
        return env * (std::sin(kTwoPi * f * u) + 0.35 * std::sin(2 * kTwoPi * f * u) +
                      0.15 * std::sin(3 * kTwoPi * f * u));
    };
    Sound s = render(7.2, [&](double t, double& l, double& r) {
        double m = 0, b = 0;
        for (const Note& n : melody)
            m += tone(n, t);
        for (const Note& n : bass)
            b += tone(n, t);
        l = 0.25 * m + 0.3 * b;
        r = 0.3 * m + 0.25 * b;
    });
    softEnds(s, 0.05);
    return s;
}

bool writeSound(const QString& path, const Sound& sound, QString* error) {
    WavOut out(path, kRate, 2, false);
    if (!out.open(error))
        return false;
    out.write(sound.samples.data(), sound.samples.size());
    return out.commit(error);
}

// A channel as the demo's presets hold it when nothing else is said: full level, centre,
// soft one-second fades that are off, the usual effect chain.
PresetChannel plainChannel(const QString& outputName) {
    PresetChannel c;
    c.volume = 100;
    c.outputName = outputName;
    c.effects = EffectSettings{};
    c.fadeIn = FadeSettings{1000, false, 1};
    c.fadeOut = FadeSettings{1000, false, 1};
    return c;
}

} // namespace

bool writeDemoShow(const QString& folder, const DemoShowOptions& options, DemoShow* show,
                   QString* error) {
    const QDir dir(folder);
    const QString showPath = dir.absoluteFilePath(QString::fromLatin1(kDemoShowName));
    if (!options.overwrite && QFileInfo::exists(showPath)) {
        *error = showPath + QStringLiteral(" exists (use --force to replace it)");
        return false;
    }
    const QString soundFolder = dir.absoluteFilePath(QString::fromLatin1(kDemoSoundFolder));
    if (!QDir().mkpath(soundFolder)) {
        *error = QStringLiteral("cannot create ") + soundFolder;
        return false;
    }

    struct Made {
        const char* name;
        Sound (*make)();
    };
    // Each sound's channel in the show, in this order.
    const Made made[] = {
        {"Room Tone", roomTone},
        {"Line Check 1 kHz", lineCheck},
        {"Pink Noise Check", pinkNoise},
        {"Doorbell", doorbell},
        {"Phone Ring", phoneRing},
        {"Wind", wind},
        {"Thunder", thunder},
        {"Rain", rain},
        {"Overture Phrase", overturePhrase},
        {"Clock Tick", clockTick},
    };
    QHash<QString, QString> path;
    QHash<QString, std::int32_t> length;
    DemoShow result;
    result.showPath = showPath;
    for (const Made& m : made) {
        const QString name = QString::fromLatin1(m.name);
        const QString file = soundFolder + QLatin1Char('/') + name + QStringLiteral(".wav");
        const Sound sound = m.make();
        if (!writeSound(file, sound, error)) {
            *error = file + QStringLiteral(": ") + *error;
            return false;
        }
        path.insert(name, file);
        length.insert(name, static_cast<std::int32_t>(sound.frames()));
        result.soundPaths << file;
    }

    playlist::PlaylistDocument doc;
    // Channel numbers 1..32 as the operator reads them.
    auto list = [&](int number, const QStringList& names) {
        QStringList& paths = doc.soundPaths.at(static_cast<std::size_t>(number - 1));
        for (const QString& n : names)
            paths << path.value(n);
    };
    list(1, {QStringLiteral("Room Tone")});
    list(2, {QStringLiteral("Line Check 1 kHz"), QStringLiteral("Pink Noise Check")});
    list(3, {QStringLiteral("Clock Tick")});
    list(4, {QStringLiteral("Doorbell")});
    list(5, {QStringLiteral("Phone Ring")});
    list(6, {QStringLiteral("Wind")});
    list(7, {QStringLiteral("Thunder")});
    list(8, {QStringLiteral("Rain")});
    list(9, {QStringLiteral("Overture Phrase")});
    list(10,
         {QStringLiteral("Clock Tick"), QStringLiteral("Doorbell"), QStringLiteral("Phone Ring")});

    auto preset = [&](const QString& name) {
        Preset p;
        p.setName(name);
        for (int ch = 0; ch < kChannelCount; ++ch) {
            PresetChannel& c = p.channels.at(static_cast<std::size_t>(ch));
            c = plainChannel(options.outputName);
            const QStringList& paths = doc.soundPaths.at(static_cast<std::size_t>(ch));
            if (!paths.isEmpty())
                c.soundLength = length.value(QFileInfo(paths.first()).completeBaseName());
        }
        return p;
    };
    auto channel = [](Preset& p, int number) -> PresetChannel& {
        return p.channels.at(static_cast<std::size_t>(number - 1));
    };
    auto info = [](PresetChannel& c, const char* text, int colour = 0) {
        c.channelInfo = QString::fromUtf8(text);
        c.channelInfoColour = colour;
    };
    // Mid tones, readable on light and dark strips alike (red + 256 green + 65536 blue).
    constexpr int kRed = 255 + 48 * 256 + 48 * 65536, kGreen = 170 * 256, kAmber = 255 + 128 * 256;
    auto roomToneOn = [&](Preset& p) {
        PresetChannel& c = channel(p, 1);
        info(c, "Room tone - loops, fades in and out", kGreen);
        c.autostart = c.loopMode = 1;
        c.volume = 88;
        c.fadeIn = {3000, true, 1};
        c.fadeOut = {3000, true, 2};
        c.stopGroup = QStringLiteral("1");
    };

    Preset checks = preset(QStringLiteral("Pre-show: room tone and checks"));
    roomToneOn(checks);
    info(channel(checks, 2), "Line check - press L or P to choose");
    channel(checks, 2).volume = 90;
    info(channel(checks, 3), "Clock - loops until pressed again");
    channel(checks, 3).loopMode = 1;

    Preset door = preset(QStringLiteral("Scene 1: doorbell and telephone"));
    roomToneOn(door);
    info(channel(door, 4), "Doorbell - restarts on every press", kAmber);
    channel(door, 4).restartMode = 1;
    channel(door, 4).pan = 40;
    info(channel(door, 5), "Telephone - rings while F5 is held", kRed);
    channel(door, 5).holdMode = channel(door, 5).loopMode = 1;
    channel(door, 5).pan = -30;

    Preset storm = preset(QStringLiteral("Scene 2: storm"));
    {
        PresetChannel& w = channel(storm, 6);
        info(w, "Wind - starts with the preset", kGreen);
        w.autostart = w.loopMode = 1;
        w.fadeIn = {5000, true, 1};
        w.fadeOut = {5000, true, 3};
        w.stopGroup = QStringLiteral("1");
        PresetChannel& t = channel(storm, 7);
        info(t, "Thunder - brings the rain (play group 1)", kAmber);
        t.playGroup = QStringLiteral("1");
        PresetChannel& r = channel(storm, 8);
        info(r, "Rain - with the thunder, fades out", kAmber);
        r.playGroup = QStringLiteral("1");
        r.loopMode = 1;
        r.volume = 94;
        r.fadeOut = {4000, true, 1};
        PresetChannel& o = channel(storm, 9);
        info(o, "Overture - ends the wind (stop group 1)", kRed);
        o.stopGroup = QStringLiteral("1");
    }

    Preset jump = preset(QStringLiteral("Interval: tick, bell, ring in turn"));
    {
        PresetChannel& c = channel(jump, 10);
        info(c, "Jump mode - plays the list through, round and round", kGreen);
        c.jumpMode = c.autostart = 1;
        c.volume = 92;
    }

    Preset finale = preset(QStringLiteral("Finale: overture"));
    {
        PresetChannel& o = channel(finale, 9);
        info(o, "Overture - PLAY again pauses, then goes on", kRed);
        o.autostart = o.pauseMode = o.rollback = 1;
        roomToneOn(finale);
        channel(finale, 1).stopGroup = QStringLiteral("---");
        channel(finale, 1).volume = 80;
    }

    doc.presets = {checks, door, storm, jump, finale};
    result.presets = static_cast<int>(doc.presets.size());

    QSaveFile out(showPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(playlist::writePlaylist(doc)) < 0 ||
        !out.commit()) {
        *error = showPath + QStringLiteral(": ") + out.errorString();
        return false;
    }
    if (show)
        *show = result;
    return true;
}

int runDemo(const QStringList& args) {
    QString folder;
    DemoShowOptions options;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--force")) {
            options.overwrite = true;
        } else if (a == QLatin1String("--output") && i + 1 < args.size()) {
            options.outputName = args.at(++i);
        } else if (a.startsWith(QLatin1Char('-')) || !folder.isEmpty()) {
            std::fprintf(stderr,
                         "kalvor-tool demo: unexpected argument '%s'\n"
                         "usage: kalvor-tool demo DIR [--force] [--output NAME]\n",
                         qUtf8Printable(a));
            return 2;
        } else {
            folder = a;
        }
    }
    if (folder.isEmpty()) {
        std::fputs("usage: kalvor-tool demo DIR [--force] [--output NAME]\n", stderr);
        return 2;
    }
    DemoShow show;
    QString error;
    if (!writeDemoShow(folder, options, &show, &error)) {
        std::fprintf(stderr, "kalvor-tool demo: %s\n", qUtf8Printable(error));
        return 1;
    }
    std::printf("%s: %d presets, %d sounds in %s\n", qUtf8Printable(show.showPath), show.presets,
                static_cast<int>(show.soundPaths.size()),
                qUtf8Printable(QFileInfo(show.soundPaths.first()).absolutePath()));
    return 0;
}

} // namespace kalvor::cli
