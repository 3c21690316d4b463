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

using namespace kalvor;
using namespace kalvor::cli;

TEST(RenderEvents, ParsesTheActionLanguage) {
    const struct {
        const char* text;
        bool ok;
        int count;
    } cases[] = {
        {"0 press 1; 0.5 release 1; 1 next; 1.5 recall 3; 2 escape", true, 5},
        {"  2 stop 32 ;; 1 pause 1; ", true, 2},
        {"1 shift-next; 1 prev; 1 global-play; 1 global-pause; 1 rollback; 1 forward; 1 repeat; 1 "
         "right 4",
         true, 8},
        {"", true, 0},
        {"1 press 33", false, 0},
        {"1 press", false, 0},
        {"1 next 2", false, 0},
        {"-1 press 1", false, 0},
        {"soon press 1", false, 0},
        {"1 jump 1", false, 0},
        {"1 recall 101", false, 0},
        {"nan press 1", false, 0},
    };
    for (const auto& c : cases) {
        QString error;
        const auto events = parseRenderEvents(QString::fromUtf8(c.text), &error);
        EXPECT_EQ(events.has_value(), c.ok) << c.text;
        if (events) {
            EXPECT_EQ(static_cast<int>(events->size()), c.count) << c.text;
        } else {
            EXPECT_FALSE(error.isEmpty()) << c.text;
        }
    }
    const auto sorted =
        parseRenderEvents(QStringLiteral("2 stop 1; 1 press 1; 1 press 2"), nullptr);
    ASSERT_TRUE(sorted);
    EXPECT_EQ((*sorted)[0].argument, 1);
    EXPECT_EQ((*sorted)[1].argument, 2) << "equal times keep their written order";
    EXPECT_EQ((*sorted)[2].action, RenderAction::Stop);
}

namespace {

// A show with one preset: channel 1 plays a ramp of 2 s, hard left.
QString makeShow(const QString& folder) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    ShowStore store;
    Settings settings(folder + QStringLiteral("/build.ini"));
    audio::AudioLibOptions options;
    options.backend = audio::makeOfflineBackend(44100, 2);
    audio::AudioLib lib(options);
    engine::KaeEngine engine(lib, store, settings);
    KAE__Init(nullptr);
    QString path;
    {
        ShowLayer show(store, settings, nullptr);
        const QString ramp = testmedia::makeRamp(folder, QStringLiteral("ramp"),
                                                 testmedia::Format::Wav16, 44100, 2, 88200);
        store.soundList(0) = {makeSoundEntry(ramp)};
        store.controls(0).selectedSound = 0;
        store.channel(0).volume = 100;
        store.channel(0).pan = -100;
        show.presets().NewPreset();
        path = folder + QStringLiteral("/rehearsal.kal");
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
    const QString folder = test::freshFolder(QStringLiteral("render"));
    const QString show = makeShow(folder);
    ASSERT_FALSE(show.isEmpty());
    const QString out = folder + QStringLiteral("/out.wav");
    // Start at 0.1 s, stop at 0.3 s, start again at 0.5 s (from the beginning: plain mode).
    ASSERT_EQ(runRender({show, QStringLiteral("--out"), out, QStringLiteral("--seconds"),
                         QStringLiteral("0.7"), QStringLiteral("--events"),
                         QStringLiteral("0.1 press 1; 0.3 press 1; 0.5 press 1")}),
              0);
    const auto wav = testmedia::readWav(out);
    ASSERT_TRUE(wav.ok);
    ASSERT_EQ(wav.frames(), 30870);
    const struct {
        std::int64_t frame;
        bool sounding;
        std::int64_t rampAt;
    } probes[] = {
        {4409, false, 0},  {4410, true, 0},  {13229, true, 8819}, {13230, false, 0},
        {22049, false, 0}, {22050, true, 0}, {30869, true, 8819},
    };
    for (const auto& p : probes) {
        const float left = wav.at(p.frame, 0);
        EXPECT_EQ(left != 0.0f || wav.at(p.frame, 1) != 0.0f, p.sounding) << p.frame;
        if (p.sounding) {
            EXPECT_EQ(rampFrame(left), p.rampAt) << p.frame;
            EXPECT_EQ(wav.at(p.frame, 1), 0.0f) << "hard left";
        }
    }
}

TEST(Render, BadArgumentsAreRefusedWithAReason) {
    const QString folder = test::freshFolder(QStringLiteral("render-bad"));
    const QString show = makeShow(folder);
    const QString out = folder + QStringLiteral("/x.wav");
    const struct {
        QStringList args;
        int rc;
    } cases[] = {
        {{}, 2},
        {{show, QStringLiteral("--seconds"), QStringLiteral("1")}, 2},
        {{show, QStringLiteral("--out"), out, QStringLiteral("--seconds"), QStringLiteral("0")}, 2},
        {{show, QStringLiteral("--out"), out, QStringLiteral("--seconds"), QStringLiteral("1"),
          QStringLiteral("--preset"), QStringLiteral("2")},
         2},
        {{show, QStringLiteral("--out"), out, QStringLiteral("--seconds"), QStringLiteral("1"),
          QStringLiteral("--events"), QStringLiteral("1 fly 2")},
         2},
        {{folder + QStringLiteral("/missing.kal"), QStringLiteral("--out"), out,
          QStringLiteral("--seconds"), QStringLiteral("1")},
         1},
        {{show, QStringLiteral("--out"), out, QStringLiteral("--seconds"), QStringLiteral("1"),
          QStringLiteral("--bogus")},
         2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(runRender(c.args), c.rc) << qPrintable(c.args.join(QLatin1Char(' ')));
    EXPECT_FALSE(QFile::exists(out)) << "nothing is written when the render is refused";
}
