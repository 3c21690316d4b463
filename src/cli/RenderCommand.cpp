#include "cli/RenderCommand.h"

#include "cli/RenderApply.h"
#include "cli/RenderEvents.h"
#include "cli/WavWriter.h"
#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace kalvor::cli {

namespace {

// A render has no one to wait for: waits only let the posted messages through.
class NoSleepWaits final : public Waits {
public:
    void wait(int) override { QCoreApplication::processEvents(); }
};

int usage(const char* why) {
    std::fprintf(
        stderr,
        "kalvor-tool render: %s\n"
        "usage: kalvor-tool render SHOW.kal --out OUT.wav --seconds S [--preset N]\n"
        "                          [--events \"T ACTION; ...\"] [--settings FILE]\n"
        "actions: press C, release C, right C, stop C, pause C, next, prev, shift-next,\n"
        "         recall N, escape, global-play, global-pause, rollback, forward, repeat,\n"
        "         volume C V, pan C P, varispeed C S, mode C NAME on|off, select C N,\n"
        "         seek C SECONDS, output C NAME, destination C N\n",
        why);
    return 2;
}

} // namespace

int runRender(const QStringList& args) {
    QString show, out, settingsFile, eventsText;
    double seconds = 0;
    int preset = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&]() -> QString {
            return i + 1 < args.size() ? args[++i] : QString();
        };
        bool ok = true;
        if (a == QLatin1String("--out")) {
            out = value();
        } else if (a == QLatin1String("--seconds")) {
            seconds = value().toDouble(&ok);
            if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 24 * 3600)
                return usage("--seconds needs a length above 0 and at most 86400");
        } else if (a == QLatin1String("--preset")) {
            preset = value().toInt(&ok);
            if (!ok || preset < 1 || preset > 100)
                return usage("--preset needs a preset number 1..100");
        } else if (a == QLatin1String("--events")) {
            eventsText = value();
        } else if (a == QLatin1String("--settings")) {
            settingsFile = value();
        } else if (a.startsWith(QLatin1String("--"))) {
            return usage(qPrintable(QStringLiteral("unknown option %1").arg(a)));
        } else if (show.isEmpty()) {
            show = a;
        } else {
            return usage("only one show file");
        }
    }
    if (show.isEmpty() || out.isEmpty() || seconds <= 0)
        return usage("a show, --out and --seconds are needed");
    if (!QFileInfo(show).isFile()) {
        std::fprintf(stderr, "kalvor-tool render: %s: no such file\n", qUtf8Printable(show));
        return 1;
    }
    // A misspelt --settings would otherwise render with the defaults as if they were asked for.
    if (!settingsFile.isEmpty() && !QFileInfo(settingsFile).isFile()) {
        std::fprintf(stderr, "kalvor-tool render: %s: no such file\n",
                     qUtf8Printable(settingsFile));
        return 1;
    }
    QString eventError;
    const auto events = parseRenderEvents(eventsText, &eventError);
    if (!events)
        return usage(qPrintable(QStringLiteral("--events: ") + eventError));
    // A script longer than the render would leave its last presses out without a word.
    for (const RenderEvent& e : *events) {
        if (e.seconds >= seconds)
            return usage(qPrintable(QStringLiteral("--events: the event at %1 s lies at or "
                                                   "after the end of the render (%2 s)")
                                        .arg(e.seconds)
                                        .arg(seconds)));
    }

    // The user's own settings only when asked for: a render must come out the same anywhere.
    QTemporaryDir scratch;
    Settings settings(settingsFile.isEmpty() ? scratch.path() + QStringLiteral("/Kalvor.ini")
                                             : settingsFile);
    settings.load(QStringLiteral("kalvor-tool render"));
    const int rate = settings.integer(u"SampleRate");
    NoSleepWaits noSleep;
    installWaits(&noSleep);

    ShowStore store;
    audio::AudioLibOptions options;
    options.backend = audio::makeOfflineBackend(rate, 2);
    audio::AudioLib lib(options);
    engine::KaeEngine engine(lib, store, settings);
    if (!KAE__Init(nullptr)) {
        std::fprintf(stderr, "kalvor-tool render: the offline engine did not start\n");
        installWaits(nullptr);
        return 1;
    }
    int rc = 0;
    {
        ShowLayer layer(store, settings, nullptr);
        layer.connectEngine(engine.dispatcher());
        const auto report = layer.LoadPlaylist(show);
        if (report.outcome != playlist::LoadOutcome::Loaded) {
            std::fprintf(stderr, "kalvor-tool render: %s could not be loaded\n",
                         qUtf8Printable(show));
            rc = 1;
        } else if (preset > store.presets().count()) {
            std::fprintf(stderr, "kalvor-tool render: the show has %d presets, not %d\n",
                         store.presets().count(), preset);
            rc = 2;
        } else {
            if (preset > 0) {
                store.presets().setSelected(preset - 1);
                layer.recall().RecallPreset();
            }
            const auto total = static_cast<std::int64_t>(std::llround(seconds * rate));
            std::vector<float> audio(static_cast<std::size_t>(total) * 2, 0.0f);
            std::int64_t frame = 0;
            std::size_t next = 0;
            constexpr std::int64_t kBlock = 512;
            QString refusal;
            while (frame < total && refusal.isEmpty()) {
                auto frameOf = [rate](const RenderEvent& e) {
                    return static_cast<std::int64_t>(std::llround(e.seconds * rate));
                };
                while (next < events->size() && frameOf((*events)[next]) <= frame &&
                       refusal.isEmpty()) {
                    const RenderEvent& e = (*events)[next++];
                    refusal = applyRenderEvent(layer, e);
                    if (!refusal.isEmpty())
                        refusal =
                            QStringLiteral("the event at %1 s: %2").arg(e.seconds).arg(refusal);
                }
                if (!refusal.isEmpty())
                    break;
                std::int64_t until = std::min(total, frame + kBlock);
                if (next < events->size())
                    until = std::min(until, std::max(frame + 1, frameOf((*events)[next])));
                lib.renderOffline(audio.data() + frame * 2, static_cast<int>(until - frame));
                frame = until;
            }
            QString error;
            WavOut wav(out, rate, 2, true);
            if (!refusal.isEmpty()) {
                // Half a rehearsal is no rehearsal: nothing is written.
                std::fprintf(stderr, "kalvor-tool render: %s\n", qUtf8Printable(refusal));
                rc = 1;
            } else if (!(wav.open(&error) &&
                         (wav.write(audio.data(), audio.size()), wav.commit(&error)))) {
                std::fprintf(stderr, "kalvor-tool render: %s: %s\n", qUtf8Printable(out),
                             qUtf8Printable(error));
                rc = 1;
            } else {
                float peak = 0;
                for (float s : audio)
                    peak = std::max(peak, std::fabs(s));
                std::printf("rendered %lld frames at %d Hz, %zu events, peak %.1f dBFS -> %s\n",
                            static_cast<long long>(total), rate, events->size(),
                            peak > 0 ? 20 * std::log10(peak) : -999.0, qUtf8Printable(out));
            }
        }
    }
    KAE__Shutdown(false);
    installWaits(nullptr);
    return rc;
}

} // namespace kalvor::cli
