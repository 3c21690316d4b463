#include "control/serial/ComUserMode.h"

#include "control/serial/SerialLine.h"
#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "show/playback/ShowLayer.h"

namespace kalvor {

ComUserMode::ComUserMode(ShowLayer& show, Settings& settings, SerialLine* line,
                         std::function<void()> escape)
    : show_(show), settings_(settings), line_(line), escape_(std::move(escape)) {}

void ComUserMode::received(const QByteArray& text) {
    const ComUserSettings s{settings_.text(u"EchoCMD") == QLatin1String("ON"),
                            settings_.text(u"SendACK") == QLatin1String("ON"),
                            show_.store().presets().count()};
    const ComUserResult r = comUser(text, buffer_, s);
    buffer_ = r.buffer;
    if (r.action)
        apply(*r.action);
    if (line_) {
        for (const QByteArray& l : r.lines)
            line_->writeLine(l);
    }
}

void ComUserMode::apply(const ComUserAction& action) {
    switch (action.kind) {
    case ComUserActionKind::PlayLeft:
        show_.playback().PlayButtonDown(action.number - 1, false);
        break;
    case ComUserActionKind::PlayRight:
        show_.playback().PlayButtonDown(action.number - 1, true);
        break;
    case ComUserActionKind::StopAll:
        if (escape_) {
            escape_();
        } else {
            for (int ch = 0; ch < kChannelCount; ++ch)
                show_.playback().StopAndRewind(ch);
        }
        break;
    case ComUserActionKind::NextPreset:
        show_.recall().NextPreset();
        break;
    case ComUserActionKind::PreviousPreset:
        show_.recall().PreviousPreset();
        break;
    case ComUserActionKind::RecallPreset:
        show_.recall().SelectPreset(action.number - 1);
        break;
    }
}

} // namespace kalvor
