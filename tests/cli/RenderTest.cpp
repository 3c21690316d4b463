// `kalvor-tool render` as a rehearsal tool: the event language, and a rendered show whose
// WAV holds exactly what the sequence of presses should produce.
#include "cli/RenderCommand.h"
#include "cli/RenderEvents.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"
#include "support/media/TestMedia.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>

using namespace kalvor;
using namespace kalvor::cli;
using namespace Qt::Literals::StringLiterals;

TEST(RenderEvents, ParsesTheActionLanguage) {
    // A text and the number of events it holds; -1: refused with a reason.
    using Row = std::tuple<const char*, int>;
    const Row cases[] = {
        {"0 press 1; 0.5 release 1; 1 next; 1.5 recall 3; 2 escape", 5},
        {"  2 stop 32 ;; 1 pause 1; ", 2},
        {"1 shift-next; 1 prev; 1 global-play; 1 global-pause; 1 rollback; 1 forward; 1 repeat; 1 "
         "right 4",
         8},
        {"", 0},
        {"1 volume 1 0; 1 pan 32 -100; 1 varispeed 2 50; 1 mode 3 Loop on; 1 mode 3 hold off; 1 "
         "select 4 2; 1 seek 5 1.5; 1 output 6 Null output (emulated); 1 destination 7 16",
         9},
    };
    // Refused, each with a reason; "|" separates them.
    const QByteArrayList refused =
        QByteArray("1 press 33|1 press|1 next 2|-1 press 1|soon press 1|1 jump 1|1 recall 101|"
                   "nan press 1|1 volume 1 101|1 volume 1|1 pan 1 -101|1 varispeed 1 51|"
                   "1 mode 1 loop|1 mode 1 spin on|1 mode 1 loop maybe|1 select 1 0|1 seek 1 -2|"
                   "1 seek 1 inf|1 output 1|1 destination 33 1|1 destination 1 17")
            .split('|');
    std::vector<Row> rows(std::begin(cases), std::end(cases));
    for (const QByteArray& text : refused)
        rows.emplace_back(text.constData(), -1);
    for (const auto& [text, count] : rows) {
        QString error;
        const auto events = parseRenderEvents(QString::fromUtf8(text), &error);
        EXPECT_EQ(events ? int(events->size()) : -1, count) << text;
        EXPECT_EQ(error.isEmpty(), count >= 0) << text;
    }
    const auto named = parseRenderEvents(u"2 output 3 Null  output (emulated)"_s, nullptr);
    ASSERT_TRUE(named);
    EXPECT_EQ((*named)[0].name, u"Null output (emulated)"_s);
    const auto sorted = parseRenderEvents(u"2 stop 1; 1 press 1; 1 press 2"_s, nullptr);
    ASSERT_TRUE(sorted);
    EXPECT_EQ((*sorted)[0].argument, 1);
    EXPECT_EQ((*sorted)[1].argument, 2) << "equal times keep their written order";
    EXPECT_EQ((*sorted)[2].action, RenderAction::Stop);
}

namespace {

// A show with one preset: channel 1 plays a ramp of 2 s hard left, channel 2 the same
// ramp hard right; `configure` sets the modes before the preset is stored.
QString makeShow(const QString& folder, const std::function<void(ShowStore&)>& configure = {}) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    ShowStore store;
    Settings settings(folder + u"/build.ini"_s);
    audio::AudioLibOptions options;
    options.backend = audio::makeOfflineBackend(44100, 2);
    audio::AudioLib lib(options);
    engine::KaeEngine engine(lib, store, settings);
    KAE__Init(nullptr);
    QString path;
    {
        ShowLayer show(store, settings, nullptr);
        const QString ramp =
            testmedia::makeRamp(folder, u"ramp"_s, testmedia::Format::Wav16, 44100, 2, 88200);
        for (int ch : {0, 1}) {
            store.soundList(ch) = {makeSoundEntry(ramp)};
            store.controls(ch).selectedSound = 0;
            store.channel(ch).volume = 100;
            store.channel(ch).pan = ch == 0 ? -100 : 100;
        }
        if (configure)
            configure(store);
        show.presets().NewPreset();
        path = folder + u"/rehearsal.kal"_s;
        if (show.playlists().SavePlaylist(path, false) != playlist::SaveOutcome::Saved)
            path.clear();
    }
    KAE__Shutdown(false);
    return path;
}

std::int64_t rampFrame(float sample) {
    const auto v = static_cast<std::int64_t>(std::lround(sample * 32768.0));
    return ((v + 32768) % 65536 + 65536) % 65536;
}

} // namespace

TEST(Render, PressesLandOnTheirExactFrames) {
    const QString folder = test::freshFolder(u"render"_s);
    const QString show = makeShow(folder);
    ASSERT_FALSE(show.isEmpty());
    const QString out = folder + u"/out.wav"_s;
    // Start at 0.1 s, stop at 0.3 s, start again at 0.5 s (from the beginning: plain mode).
    ASSERT_EQ(runRender({show, u"--out"_s, out, u"--seconds"_s, u"0.7"_s, u"--events"_s,
                         u"0.1 press 1; 0.3 press 1; 0.5 press 1"_s}),
              0);
    const auto wav = testmedia::readWav(out);
    ASSERT_TRUE(wav.ok);
    ASSERT_EQ(wav.frames(), 30870);
    // The stop fades out over 3 ms (132 frames).
    // Frame, sounding, the ramp frame heard there.
    using Probe = std::tuple<std::int64_t, bool, std::int64_t>;
    const Probe probes[] = {
        {4409, false, 0},  {4410, true, 0},  {13229, true, 8819}, {13230 + 132, false, 0},
        {22049, false, 0}, {22050, true, 0}, {30869, true, 8819},
    };
    for (const auto& [frame, sounding, rampAt] : probes) {
        const float left = wav.at(frame, 0);
        EXPECT_EQ(left != 0.0f || wav.at(frame, 1) != 0.0f, sounding) << frame;
        if (sounding) {
            EXPECT_EQ(rampFrame(left), rampAt) << frame;
            EXPECT_EQ(wav.at(frame, 1), 0.0f) << "hard left";
        }
    }
}

TEST(Render, BadArgumentsAreRefusedWithAReason) {
    const QString folder = test::freshFolder(u"render-bad"_s);
    const QString show = makeShow(folder);
    const QString out = folder + u"/x.wav"_s;
    // The arguments after "SHOW --out OUT --seconds 1", split at "|".
    using Row = std::tuple<const char*, int>;
    const Row cases[] = {
        {"--events|1 fly 2", 2},
        {"--preset|2", 2},
        {"--bogus", 2},
        {"--events|0.5 press 1; 1.5 stop 1", 2}, // the stop would never be heard
        // Known to be wrong only once the show is loaded: the render stops there.
        {"--events|0.1 select 1 2", 1},
        {"--events|0.1 output 1 Nowhere", 1},
        {"--events|0.1 seek 1 2.5", 1},
    };
    std::vector<std::pair<QStringList, int>> runs{
        {{}, 2},
        {{show, u"--seconds"_s, u"1"_s}, 2},
        {{show, u"--out"_s, out, u"--seconds"_s, u"0"_s}, 2},
        {{folder + u"/missing.kal"_s, u"--out"_s, out, u"--seconds"_s, u"1"_s}, 1},
        {{show, u"--out"_s, out, u"--seconds"_s, u"1"_s, u"--settings"_s,
          folder + u"/missing.ini"_s},
         1}};
    for (const auto& [extra, rc] : cases)
        runs.push_back({QStringList{show, u"--out"_s, out, u"--seconds"_s, u"1"_s} +
                            QString::fromLatin1(extra).split(QLatin1Char('|')),
                        rc});
    for (const auto& [args, rc] : runs)
        EXPECT_EQ(runRender(args), rc) << qPrintable(args.join(QLatin1Char(' ')));
    EXPECT_FALSE(QFile::exists(out)) << "nothing is written when the render is refused";
}

TEST(Render, ThePlayModesHeardInARehearsal) {
    // Probes: at a time, is the left (channel 1) or right (channel 2) side sounding, and at
    // which ramp frame (-1: do not check the frame).
    struct Probe {
        double at;
        int side;
        bool sounding;
        std::int64_t rampFrame = -1;
    };
    struct Case {
        const char* label;
        std::function<void(ShowStore&)> modes;
        const char* events;
        std::vector<Probe> probes;
    };
    // A stop fades out, and a jump of a playing sound crossfades, over 3 ms; a resume fades
    // in over as long.
    constexpr double ramp = 132.0 / 44100;
    const Case cases[] = {
        {"pause mode continues where it paused",
         [](ShowStore& s) { s.controls(0).pauseMode = 1; },
         "0.1 press 1; 0.2 press 1; 0.3 press 1",
         {{0.15, 0, true, 2205}, {0.25, 0, false}, {0.3 + ramp, 0, true, 4410 + 132}}},
        {"restart mode jumps back to the start",
         [](ShowStore& s) { s.controls(0).restartMode = 1; },
         "0.1 press 1; 0.2 press 1",
         {{0.199, 0, true}, {0.2 + ramp, 0, true, 132}}},
        {"a play group starts both members in the same frame",
         [](ShowStore& s) { s.controls(0).playGroup = s.controls(1).playGroup = u"2"_s; },
         "0.1 press 2",
         {{0.1, 0, true, 0}, {0.1, 1, true, 7919}}},
        {"a stop group ends the other member",
         [](ShowStore& s) { s.controls(0).stopGroup = s.controls(1).stopGroup = u"1"_s; },
         "0.1 press 1; 0.2 press 2",
         {{0.15, 0, true}, {0.2 + ramp, 0, false}, {0.2, 1, true, 7919}}},
        {"the right button stops without the fade",
         [](ShowStore& s) {
             s.channel(0).fadeOut = {1000, true, 2};
         },
         "0.1 press 1; 0.2 right 1",
         {{0.19, 0, true}, {0.2 + ramp, 0, false}}},
        {"hold mode ends on release",
         [](ShowStore& s) { s.controls(0).holdMode = 1; },
         "0.1 press 1; 0.2 release 1",
         {{0.19, 0, true}, {0.2 + ramp, 0, false}}},
        {"a pan turned while playing moves the sound across",
         {},
         "0.1 press 1; 0.2 pan 1 100",
         {{0.15, 0, true}, {0.15, 1, false}, {0.25, 0, false}, {0.25, 1, true}}},
        {"the volume pulled down while playing silences it",
         {},
         "0.1 press 1; 0.2 volume 1 0",
         {{0.15, 0, true}, {0.25, 0, false}}},
        // The 2 s ramp, moved to 1.9 s at 0.3 s, reaches its end at 0.4 s.
        {"loop ticked while playing: the sound goes round instead of stalling",
         {},
         "0.1 press 1; 0.2 mode 1 loop on; 0.3 seek 1 1.9",
         {{0.35, 0, true, (83790 + 2205) % 65536}, {0.45, 0, true, 2205}, {0.7, 0, true, 13230}}},
        {"loop cleared while playing: the sound ends at its end",
         [](ShowStore& s) { s.controls(0).loopMode = 1; },
         "0.1 press 1; 0.2 mode 1 loop off; 0.3 seek 1 1.9",
         {{0.399, 0, true}, {0.401, 0, false}, {0.45, 0, false}}},
        {"a fade-out ends in silence",
         [](ShowStore& s) {
             s.channel(0).fadeOut = {400, true, 2};
         },
         "0.1 press 1; 0.2 press 1",
         {{0.25, 0, true}, {0.7, 0, false}}},
    };
    for (const auto& c : cases) {
        const QString folder = test::freshFolder(u"rehearsal"_s);
        const QString show = makeShow(folder, c.modes);
        ASSERT_FALSE(show.isEmpty()) << c.label;
        const QString out = folder + u"/out.wav"_s;
        ASSERT_EQ(runRender({show, u"--out"_s, out, u"--seconds"_s, u"0.8"_s, u"--events"_s,
                             QString::fromLatin1(c.events)}),
                  0)
            << c.label;
        const auto wav = testmedia::readWav(out);
        ASSERT_TRUE(wav.ok) << c.label;
        for (const auto& p : c.probes) {
            const auto frame = static_cast<std::int64_t>(std::llround(p.at * 44100));
            // A ramp sample can be exactly 0 once per 65536 frames; look at two neighbours.
            const bool sounding =
                wav.at(frame, p.side) != 0.0f || wav.at(frame + 1, p.side) != 0.0f;
            EXPECT_EQ(sounding, p.sounding) << c.label << " at " << p.at << " side " << p.side;
            // The right side of the ramp runs 7919 frames ahead; the probes say so themselves.
            if (p.sounding && p.rampFrame >= 0) {
                EXPECT_EQ(rampFrame(wav.at(frame, p.side)), p.rampFrame)
                    << c.label << " at " << p.at;
            }
        }
    }
}
