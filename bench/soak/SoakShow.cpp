#include "SoakShow.h"

#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SoundEntry.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <random>

namespace kalvor::soak {

namespace {

constexpr double kAmplitude = 0.03; // 32 of them stay well below full scale

bool writeLoop(const QString& path, std::int64_t frames, std::int64_t cycles) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const auto data = static_cast<std::uint32_t>(frames * 4);
    QByteArray h("RIFF");
    const auto u32 = [&h](std::uint32_t v) {
        h.append(reinterpret_cast<const char*>(&v), 4);
    };
    const auto u16 = [&h](std::uint16_t v) {
        h.append(reinterpret_cast<const char*>(&v), 2);
    };
    u32(36 + data);
    h.append("WAVEfmt ");
    u32(16), u16(1), u16(2), u32(kSoundRate), u32(kSoundRate * 4), u16(4), u16(16);
    h.append("data");
    u32(data);
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames) * 2);
    for (std::int64_t i = 0; i < frames; ++i) {
        // A whole number of cycles: the last frame leads into the first as into any other.
        const auto v = static_cast<std::int16_t>(std::lround(
            32767 * kAmplitude *
            std::sin(2 * M_PI * static_cast<double>(cycles * i) / static_cast<double>(frames))));
        pcm[static_cast<std::size_t>(2 * i)] = v;
        pcm[static_cast<std::size_t>(2 * i + 1)] = v;
    }
    return f.write(h) == h.size() &&
           f.write(reinterpret_cast<const char*>(pcm.data()),
                   static_cast<qint64>(pcm.size() * 2)) == static_cast<qint64>(pcm.size() * 2);
}

float volumeGain(int volume) {
    return volume <= 0 ? 0.0f : static_cast<float>(std::pow(10.0, (volume - 100) / 20.0));
}

void setEffects(EffectSettings& fx, int ch) {
    fx.eqActive = true;
    fx.eq[0].gain = 4.0f;
    fx.eq[1].gain = -3.0f;
    fx.eq[2].gain = 2.0f;
    fx.reverbActive = true;
    fx.reverb.reverbMix = -10.0f;
    fx.delayActive = true;
    fx.delay.wetDryMix = 25.0f;
    fx.delay.feedback = 35.0f;
    fx.delay.leftDelay = static_cast<float>(90 + 7 * ch);
    fx.delay.rightDelay = static_cast<float>(130 + 5 * ch);
    fx.chorusActive = true;
    fx.chorus.wetDryMix = 30.0f;
    fx.flangerActive = true;
    fx.flanger.wetDryMix = 30.0f;
}

} // namespace

int rampFrames(int rate) {
    return std::max(1, static_cast<int>(std::lround(rate * 0.003)));
}

QStringList writeSoakSounds(const QString& folder) {
    QStringList paths;
    for (int ch = 0; ch < kSoakChannels; ++ch) {
        const auto frames = static_cast<std::int64_t>(kSoundRate * (2.0 + 0.1 * ch));
        const double hz = 55.0 + 9.0 * ch;
        const auto cycles = static_cast<std::int64_t>(std::lround(hz * frames / kSoundRate));
        const QString path = folder + QStringLiteral("/tone%1.wav").arg(ch + 1, 2, 10, QChar(u'0'));
        if (!writeLoop(path, frames, cycles))
            return {};
        paths << path;
    }
    return paths;
}

void buildSoakShow(ShowLayer& show, const QStringList& sounds, int channels,
                   const QString& output) {
    ShowStore& store = show.store();
    for (int ch = 0; ch < channels && ch < sounds.size(); ++ch) {
        store.soundList(ch) = {makeSoundEntry(sounds[ch])};
        Channel& c = store.channel(ch);
        c.volume = 85 + ch % 16;
        c.pan = (ch * 37) % 101 - 50;
        c.fadeIn = FadeSettings{300 + 100 * (ch % 8), ch % 2 == 0, 2};
        c.fadeOut = FadeSettings{500 + 150 * (ch % 6), ch % 3 != 1, 2};
        setEffects(c.effects, ch);
        store.controls(ch).loopMode = 1;
        show.selection().select(ch, 0);
        show.channelOps().SetOutput(ch, output);
        store.announceChannel(ch);
    }
    for (int p = 0; p < kSoakPresets; ++p) {
        // Preset 1 starts everything; the others leave a different quarter silent.
        for (int ch = 0; ch < channels; ++ch) {
            store.controls(ch).autostart = (p == 0 || (ch + p) % 4 != 0) ? 1 : 0;
            store.channel(ch).volume = 80 + (ch * 7 + p * 5) % 21;
        }
        show.presets().NewPreset();
    }
}

QString soakScript(double seconds, std::uint32_t seed, int channels, const QString& output,
                   const QString& otherOutput) {
    std::mt19937 rng(seed);
    auto pick = [&rng](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    std::vector<bool> moved(static_cast<std::size_t>(std::max(channels, 1)), false);
    QStringList events;
    auto at = [&events](double t, const QString& what) {
        events << QString::number(t, 'f', 3) + QLatin1Char(' ') + what;
    };
    double lastRecall = 0;
    // The first recall starts the show; nothing else happens in its first second.
    at(0.0, QStringLiteral("recall 1"));
    for (double t = 1.0; t < seconds && channels > 0; t += pick(150, 650) / 1000.0) {
        const int c = pick(1, channels);
        const QString ch = QString::number(c);
        const int roll = pick(0, 99);
        if (roll < 35) {
            at(t, QStringLiteral("press ") + ch);
            at(t + 0.05, QStringLiteral("release ") + ch);
        } else if (roll < 45) {
            at(t, QStringLiteral("stop ") + ch);
        } else if (roll < 60) {
            at(t, QStringLiteral("volume %1 %2").arg(ch).arg(pick(75, 100)));
        } else if (roll < 70) {
            at(t, QStringLiteral("pan %1 %2").arg(ch).arg(pick(-60, 60)));
        } else if (roll < 80) {
            auto m = moved[static_cast<std::size_t>(c - 1)];
            at(t, QStringLiteral("output %1 %2").arg(ch, m ? output : otherOutput));
            moved[static_cast<std::size_t>(c - 1)] = !m;
        } else if (roll < 90) {
            at(t, QStringLiteral("seek %1 %2").arg(ch).arg(pick(0, 1500) / 1000.0));
        } else if (roll < 95) {
            at(t, QStringLiteral("pause ") + ch);
        } else if (t - lastRecall > 20) {
            // A recall sets every channel as its preset holds it, its output included.
            at(t, QStringLiteral("recall %1").arg(pick(1, kSoakPresets)));
            std::fill(moved.begin(), moved.end(), false);
            lastRecall = t;
        }
    }
    return events.join(QStringLiteral("; "));
}

void noteGains(ShowLayer& show, const QString& output, std::int64_t frame, GainEnvelope& envelope,
               int arriving) {
    const ShowStore& store = show.store();
    std::vector<float> gains(static_cast<std::size_t>(envelope.sources()), 0.0f);
    for (int ch = 0; ch < envelope.sources(); ++ch) {
        const Channel& c = store.channel(ch);
        if ((c.outputName == output || ch == arriving) && KAE__Channel_IsPlaying(ch))
            gains[static_cast<std::size_t>(ch)] = volumeGain(c.volume);
    }
    envelope.note(frame, gains);
}

void playOfflineSoakShow(const QStringList& sounds, int channels, int rate,
                         const OfflinePlay& play) {
    QTemporaryDir home;
    Settings settings(home.filePath(QStringLiteral("Kalvor.ini")));
    settings.setInteger(u"SampleRate", rate);
    ShowStore store;
    audio::AudioLibOptions options;
    options.backend = audio::makeOfflineBackend(rate, 2);
    audio::AudioLib lib(options);
    engine::KaeEngine kae(lib, store, settings);
    KAE__Init(nullptr);
    {
        ShowLayer show(store, settings, nullptr);
        show.connectEngine(kae.dispatcher());
        const QString output = kae.devices().at(0).name;
        buildSoakShow(show, sounds, channels, output);
        play(show, store, lib, output);
    }
    KAE__Shutdown(false);
}

std::vector<SourceStep> measureSourceSteps(const QStringList& sounds, int channels, int rate,
                                           double seconds) {
    std::vector<SourceStep> steps(static_cast<std::size_t>(channels));
    playOfflineSoakShow(
        sounds, channels, rate,
        [&](ShowLayer& show, ShowStore& store, audio::AudioLib& lib, const QString&) {
            const int frames = static_cast<int>(seconds * rate);
            std::vector<float> out(static_cast<std::size_t>(frames) * 2);
            for (int ch = 0; ch < channels; ++ch) {
                store.channel(ch).fadeIn.active = false;
                show.channelOps().SetVolume(ch, 100);
                show.channelOps().SetPan(ch, 0);
                show.playback().PressPlay(ch);
                lib.renderOffline(out.data(), frames);
                SourceStep& s = steps[static_cast<std::size_t>(ch)];
                for (std::size_t i = 0; i < out.size(); ++i) {
                    s.peak = std::max(s.peak, std::fabs(out[i]));
                    if (i >= 2)
                        s.step = std::max(s.step, std::fabs(out[i] - out[i - 2]));
                }
                show.playback().StopChannel(ch);
                lib.renderOffline(out.data(), rate / 10);
                QCoreApplication::processEvents();
            }
        });
    return steps;
}

} // namespace kalvor::soak
