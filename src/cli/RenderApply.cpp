#include "cli/RenderApply.h"

#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <QStringList>

namespace kalvor::cli {

namespace {

// Why a channel setting could not be made, for the message; empty when it was made.
QString settingRefusal(ShowLayer& show, const RenderEvent& e) {
    ChannelOperations& ops = show.channelOps();
    const ShowStore& store = show.store();
    const int ch = e.argument - 1;
    switch (e.action) {
    case RenderAction::Volume:
        return ops.SetVolume(ch, e.value) ? QString() : QStringLiteral("refused");
    case RenderAction::Pan:
        return ops.SetPan(ch, e.value) ? QString() : QStringLiteral("refused");
    case RenderAction::VariSpeed:
        return ops.SetVariSpeed(ch, e.value) ? QString() : QStringLiteral("refused");
    case RenderAction::Mode:
        return ops.SetMode(ch, static_cast<PlayMode>(e.value), e.on) ? QString()
                                                                     : QStringLiteral("refused");
    case RenderAction::Select:
        return ops.SelectSound(ch, e.value - 1)
                   ? QString()
                   : QStringLiteral("the sound list of channel %1 has %2 entries")
                         .arg(e.argument)
                         .arg(store.soundList(ch).size());
    case RenderAction::Seek:
        return ops.SeekSeconds(ch, e.position)
                   ? QString()
                   : QStringLiteral("channel %1 has no sound that long").arg(e.argument);
    case RenderAction::Output: {
        if (ops.SetOutput(ch, e.name))
            return {};
        QStringList names;
        if (engine::KaeEngine* engine = engine::currentEngine()) {
            for (int row = 0; row < engine->devices().rowCount(); ++row)
                names << engine->devices().at(row).name;
        }
        return QStringLiteral("no output named '%1' (outputs: %2)")
            .arg(e.name, names.join(QStringLiteral(", ")));
    }
    case RenderAction::Destination:
        return ops.SetDestination(ch, e.value)
                   ? QString()
                   : QStringLiteral("destination %1 does not suit the sound of channel %2")
                         .arg(e.value)
                         .arg(e.argument);
    default:
        return {};
    }
}

} // namespace

QString applyRenderEvent(ShowLayer& show, const RenderEvent& e) {
    ChannelPlayback& play = show.playback();
    PresetRecall& recall = show.recall();
    const int ch = e.argument - 1;
    switch (e.action) {
    case RenderAction::Press:
        play.PlayButtonDown(ch);
        break;
    case RenderAction::Release:
        play.PlayButtonUp(ch);
        break;
    case RenderAction::Right:
        play.PlayButtonDown(ch, true);
        break;
    case RenderAction::Stop:
        play.StopChannel(ch);
        break;
    case RenderAction::Pause:
        play.PauseChannel(ch);
        break;
    case RenderAction::Next:
        recall.NextPreset();
        break;
    case RenderAction::Prev:
        recall.PreviousPreset();
        break;
    case RenderAction::ShiftNext:
        recall.NextPreset({true, false});
        break;
    case RenderAction::Recall:
        recall.SelectPreset(e.argument - 1);
        break;
    case RenderAction::Escape:
        for (int c = 0; c < kChannelCount; ++c)
            play.StopAndRewind(c);
        break;
    case RenderAction::GlobalPlay:
        play.GlobalPlay();
        break;
    case RenderAction::GlobalPause:
        play.GlobalPause();
        break;
    case RenderAction::Rollback:
        play.GlobalRollback();
        break;
    case RenderAction::Forward:
        play.GlobalForward();
        break;
    case RenderAction::Repeat:
        play.GlobalRepeat();
        break;
    default:
        return settingRefusal(show, e);
    }
    return {};
}

} // namespace kalvor::cli
