// `kalvor-tool play`; see PlayCommand.h. Main thread of kalvor-tool only.
#include "cli/PlayCommand.h"

#include "cli/WavWriter.h"

#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/kae/Kae.h"
#include "engine/kae/KaeMessageDispatcher.h"
#include "engine/kae/OutputDevices.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace kalvor::cli {

namespace {

constexpr int kBlockFrames = 256; // a fade-out starts within this many frames of its moment

const char* const kUsage =
    "usage: kalvor-tool play [options] SOUND [SOUND ...] -o OUT.wav\n"
    "  renders the sounds through the engine on the offline device, each in its own\n"
    "  channel, all started together, into a stereo WAV file\n"
    "  -o, --output PATH       the WAV file to write (required)\n"
    "  --volume N              0..100, 100 = 0 dB, one step = 1 dB (default 94)\n"
    "  --pan N                 -100 (left) .. 100 (right) (default 0)\n"
    "  --varispeed N           speed change in percent, -90..400 (default 0)\n"
    "  --start FRAMES          start position in sample frames of the file (default 0)\n"
    "  --start-sec SECONDS     start position in seconds\n"
    "  --fade-in MS            fade-in time, four segments (default none)\n"
    "  --fade-in-curve 1|2|3   (default 2)\n"
    "  --fade-out MS           fade-out time, ending at the end of the sound or of --length\n"
    "  --fade-out-curve 1|2|3  (default 2)\n"
    "  --length SECONDS        render exactly this long (default: until every sound ended)\n"
    "  --rate HZ               output sample rate (default 44100)\n"
    "  --float                 write 32-bit float samples (default 16-bit)\n"
    "  --list-devices          print the output devices this machine offers, and stop\n";

bool wholeNumber(const QString& text, qint64 min, qint64 max, qint64* value) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < min || v > max)
        return false;
    *value = v;
    return true;
}

bool decimal(const QString& text, double min, double max, double* value) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < min || v > max)
        return false;
    *value = v;
    return true;
}

int listDevices() {
    audio::AudioLib lib;
    for (int n = 1;; ++n) {
        const auto d = lib.getDeviceDescription(n);
        if (!d)
            break;
        std::printf("%2d  %s  (%s, %d outputs)%s\n", n, qUtf8Printable(d->name),
                    qUtf8Printable(d->driver), d->outputChannels,
                    engine::hasEmulationMarker(d->name) ? "  [emulated]" : "");
    }
    return 0;
}

} // namespace

std::optional<PlayOptions> parsePlayOptions(const QStringList& args, QString* error) {
    PlayOptions o;
    bool startFramesGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&](QString* out) {
            if (i + 1 >= args.size()) {
                *error = a + QStringLiteral(" needs a value");
                return false;
            }
            *out = args[++i];
            return true;
        };
        const auto number = [&](qint64 min, qint64 max, const char* what, auto* target) {
            QString text;
            if (!value(&text))
                return false;
            qint64 v = 0;
            if (!wholeNumber(text, min, max, &v)) {
                *error = QStringLiteral("%1 needs %2 from %3 to %4, not '%5'")
                             .arg(a, QLatin1String(what))
                             .arg(min)
                             .arg(max)
                             .arg(text);
                return false;
            }
            *target = static_cast<std::remove_pointer_t<decltype(target)>>(v);
            return true;
        };
        const auto seconds = [&](double min, std::optional<double>* target) {
            QString text;
            if (!value(&text))
                return false;
            double v = 0;
            if (!decimal(text, min, 24.0 * 3600.0, &v)) {
                *error = QStringLiteral("%1 needs a number of seconds from %2 to 86400, not '%3'")
                             .arg(a)
                             .arg(min)
                             .arg(text);
                return false;
            }
            *target = v;
            return true;
        };
        bool ok = true;
        if (a == QLatin1String("-o") || a == QLatin1String("--output")) {
            ok = value(&o.output);
        } else if (a == QLatin1String("--volume")) {
            ok = number(0, 100, "a whole number", &o.volume);
        } else if (a == QLatin1String("--pan")) {
            ok = number(-100, 100, "a whole number", &o.pan);
        } else if (a == QLatin1String("--varispeed")) {
            ok = number(-90, 400, "a percentage", &o.variSpeed);
        } else if (a == QLatin1String("--start")) {
            ok = number(0, std::numeric_limits<std::int32_t>::max(), "a frame number",
                        &o.startFrame);
            startFramesGiven = true;
        } else if (a == QLatin1String("--start-sec")) {
            ok = seconds(0.0, &o.startSeconds);
        } else if (a == QLatin1String("--fade-in")) {
            ok = number(1, 600000, "a time in ms", &o.fadeInMs);
        } else if (a == QLatin1String("--fade-out")) {
            ok = number(1, 600000, "a time in ms", &o.fadeOutMs);
        } else if (a == QLatin1String("--fade-in-curve")) {
            ok = number(1, 3, "a curve", &o.fadeInCurve);
        } else if (a == QLatin1String("--fade-out-curve")) {
            ok = number(1, 3, "a curve", &o.fadeOutCurve);
        } else if (a == QLatin1String("--length")) {
            ok = seconds(0.001, &o.lengthSeconds);
        } else if (a == QLatin1String("--rate")) {
            ok = number(8000, 192000, "a sample rate in Hz", &o.sampleRate);
        } else if (a == QLatin1String("--float")) {
            o.floatSamples = true;
        } else if (a == QLatin1String("--list-devices")) {
            o.listDevices = true;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            *error = QStringLiteral("unknown option '%1'").arg(a);
            return std::nullopt;
        } else {
            o.files << a;
        }
        if (!ok)
            return std::nullopt;
    }
    if (o.listDevices)
        return o;
    if (startFramesGiven && o.startSeconds) {
        *error = QStringLiteral("give the start either in frames (--start) or in seconds "
                                "(--start-sec), not both");
        return std::nullopt;
    }
    if (o.files.isEmpty()) {
        *error = QStringLiteral("no sound file given");
        return std::nullopt;
    }
    if (o.files.size() > 32) {
        *error =
            QStringLiteral("%1 sound files given; the engine has 32 channels").arg(o.files.size());
        return std::nullopt;
    }
    if (o.output.isEmpty()) {
        *error = QStringLiteral("no output file given (-o OUT.wav)");
        return std::nullopt;
    }
    for (const QString& file : o.files) {
        const QFileInfo info(file);
        if (!info.exists() || !info.isFile()) {
            *error = QStringLiteral("sound file '%1' does not exist").arg(file);
            return std::nullopt;
        }
    }
    if (o.lengthSeconds && o.fadeOutMs > *o.lengthSeconds * 1000.0) {
        *error = QStringLiteral("the fade-out (%1 ms) is longer than --length (%2 s)")
                     .arg(o.fadeOutMs)
                     .arg(*o.lengthSeconds);
        return std::nullopt;
    }
    return o;
}

int runPlay(const QStringList& args) {
    QString error;
    const auto parsed = parsePlayOptions(args, &error);
    if (!parsed) {
        std::fprintf(stderr, "kalvor-tool play: %s\n%s", qUtf8Printable(error), kUsage);
        return 2;
    }
    const PlayOptions& o = *parsed;
    if (o.listDevices)
        return listDevices();

    // The engine reads its settings; the user's own file stays untouched.
    QTemporaryDir scratch;
    Settings settings(scratch.path() + QStringLiteral("/Kalvor.ini"));
    settings.setInteger(u"SampleRate", o.sampleRate);
    settings.load(QStringLiteral("kalvor-tool play"));
    ShowStore store;
    audio::AudioLibOptions libOptions;
    libOptions.backend = audio::makeOfflineBackend(o.sampleRate, 2);
    audio::AudioLib lib(libOptions);
    engine::KaeEngine kae(lib, store, settings);
    if (!KAE__Init()) {
        std::fprintf(stderr, "kalvor-tool play: the offline device did not start\n");
        return 1;
    }

    const int count = int(o.files.size());
    std::vector<std::int64_t> endFrame(std::size_t(count), -1); // device frames
    for (int slot = 0; slot < count; ++slot) {
        Channel& ch = store.channel(slot);
        ch.volume = o.volume;
        ch.pan = o.pan;
        ch.variSpeed = o.variSpeed;
        ch.fadeIn = FadeSettings{o.fadeInMs, o.fadeInMs > 0, o.fadeInCurve};
        ch.fadeOut = FadeSettings{o.fadeOutMs, o.fadeOutMs > 0, o.fadeOutCurve};
        const QString& file = o.files[slot];
        if (!KAE__Channel_Load_Sound(slot, file)) {
            std::fprintf(stderr, "kalvor-tool play: '%s' is no sound file the engine can play\n",
                         qUtf8Printable(file));
            return 1;
        }
        KAE__Channel_ApplySettings(slot);
        // Seconds count in the file's own rate; bytes work for any channel count.
        const std::int64_t start =
            o.startSeconds ? std::llround(*o.startSeconds * ch.sampleRate) : o.startFrame;
        const std::int64_t bytesPerFrame = std::int64_t(ch.fileChannels) * 2;
        const std::int64_t frames =
            KAE__Channel_GetLength(slot) / std::max<std::int64_t>(1, bytesPerFrame);
        if (start >= frames) {
            std::fprintf(stderr,
                         "kalvor-tool play: the start (frame %lld) lies past the end of "
                         "'%s' (%lld frames)\n",
                         static_cast<long long>(start), qUtf8Printable(file),
                         static_cast<long long>(frames));
            return 2;
        }
        if (start > 0 && !KAE__Channel_SetPosition(slot, start * bytesPerFrame)) {
            std::fprintf(stderr, "kalvor-tool play: cannot start '%s' at frame %lld\n",
                         qUtf8Printable(file), static_cast<long long>(start));
            return 1;
        }
        const double speed = double(ch.playbackFrequency) / o.sampleRate;
        endFrame[std::size_t(slot)] = std::llround(double(frames - start) / speed);
    }

    // Without a length the render runs until every channel has stopped by itself; the
    // computed end only places the fade-out and bounds the render.
    const std::int64_t soundsEnd = *std::max_element(endFrame.begin(), endFrame.end());
    const std::int64_t total =
        o.lengthSeconds ? std::llround(*o.lengthSeconds * o.sampleRate) : soundsEnd + o.sampleRate;
    // A fade-out ends where the sound (or the render) ends.
    std::vector<std::int64_t> fadeOutAt(std::size_t(count), -1);
    if (o.fadeOutMs > 0) {
        for (int slot = 0; slot < count; ++slot) {
            const std::int64_t end =
                std::min(endFrame[std::size_t(slot)], o.lengthSeconds ? total : soundsEnd);
            fadeOutAt[std::size_t(slot)] =
                std::max<std::int64_t>(0, end - std::int64_t(o.fadeOutMs) * o.sampleRate / 1000);
        }
    }
    QObject::connect(&kae.dispatcher(), &engine::KaeMessageDispatcher::fadeOutFinished,
                     [](int slot) { KAE__Channel_Stop(slot); });

    lib.beginBatch();
    for (int slot = 0; slot < count; ++slot) {
        if (o.fadeInMs > 0)
            KAE__Channel_StartFadeIn(slot);
        KAE__Channel_Play(slot, false, false);
    }
    lib.endBatch();

    WavOut out(o.output, o.sampleRate, 2, o.floatSamples);
    if (!out.open(&error)) {
        std::fprintf(stderr, "kalvor-tool play: cannot write '%s': %s\n", qUtf8Printable(o.output),
                     qUtf8Printable(error));
        return 1;
    }
    std::vector<float> block(std::size_t(kBlockFrames) * 2);
    std::int64_t done = 0;
    const auto allStopped = [count] {
        for (int slot = 0; slot < count; ++slot) {
            if (!KAE__Channel_IsStopped(slot))
                return false;
        }
        return true;
    };
    while (done < total && (o.lengthSeconds || !allStopped())) {
        for (int slot = 0; slot < count; ++slot) {
            std::int64_t& at = fadeOutAt[std::size_t(slot)];
            if (at >= 0 && done >= at) {
                KAE__Channel_StartFadeOut(slot);
                at = -1;
            }
        }
        const int n = int(std::min<std::int64_t>(kBlockFrames, total - done));
        lib.renderOffline(block.data(), n);
        out.write(block.data(), std::size_t(n) * 2);
        done += n;
    }
    KAE__Shutdown(false);
    if (!out.commit(&error)) {
        std::fprintf(stderr, "kalvor-tool play: cannot write '%s': %s\n", qUtf8Printable(o.output),
                     qUtf8Printable(error));
        return 1;
    }
    std::printf("%s: %lld frames, %.3f s at %d Hz\n", qUtf8Printable(o.output),
                static_cast<long long>(done), double(done) / o.sampleRate, o.sampleRate);
    return 0;
}

} // namespace kalvor::cli
