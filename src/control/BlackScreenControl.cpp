#include "control/BlackScreenControl.h"

#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

namespace kalvor {

BlackScreenControl::BlackScreenControl(ShowLayer& show) : show_(show) {}

void BlackScreenControl::open(int bank) {
    bank_ = std::clamp(bank, 1, 4);
    const int sel = show_.store().selectedChannel();
    selected_ = sel >= 0 && sel / 8 + 1 == bank_ ? sel : (bank_ - 1) * 8;
}

QString BlackScreenControl::groupsText(const QString& playGroup, const QString& stopGroup) {
    const auto part = [](const QString& g) {
        return g == QLatin1String("---") ? QStringLiteral("-") : g;
    };
    return part(playGroup) + QStringLiteral("P:") + part(stopGroup) + QStringLiteral("S");
}

void BlackScreenControl::SelectChannel(int ch) {
    selected_ = (ch % 32 + 32) % 32;
    bank_ = selected_ / 8 + 1; // leaving the bank shows the next one
    show_.store().selectChannel(selected_);
}

void BlackScreenControl::follow(int ch) {
    if (ch < 0 || ch >= 32)
        return;
    selected_ = ch;
    bank_ = ch / 8 + 1;
}

void BlackScreenControl::ChangeSound(int step) {
    const ShowStore& store = show_.store();
    const int count = static_cast<int>(store.soundList(selected_).size());
    if (count == 0)
        return;
    const int current = store.controls(selected_).selectedSound;
    const int next = std::clamp(current + step, 0, count - 1);
    if (next != current)
        show_.selection().select(selected_, next);
}

BlackKeyResult BlackScreenControl::keyDown(int qtKey, bool autoRepeat) {
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F8) {
        const int index = qtKey - Qt::Key_F1;
        // Held keys repeat on most keyboards; a cue must fire once per press.
        if (autoRepeat || held_[static_cast<std::size_t>(index)] >= 0)
            return BlackKeyResult::Handled;
        const int ch = index + 8 * (bank_ - 1);
        held_[static_cast<std::size_t>(index)] = ch;
        selected_ = ch;
        ChannelPlayback& playback = show_.playback();
        if (stopMode_ && KAE__Channel_IsPlaying(ch))
            playback.StopChannel(ch);
        else
            playback.PlayButtonDown(ch);
        return BlackKeyResult::Handled;
    }
    switch (qtKey) {
    case Qt::Key_Down:
        ChangeSound(+1);
        return BlackKeyResult::Handled;
    case Qt::Key_Up:
        ChangeSound(-1);
        return BlackKeyResult::Handled;
    case Qt::Key_Right:
        SelectChannel(selected_ + 1);
        return BlackKeyResult::Handled;
    case Qt::Key_Left:
        SelectChannel(selected_ - 1);
        return BlackKeyResult::Handled;
    case Qt::Key_Tab:
        if (!autoRepeat)
            stopMode_ = !stopMode_;
        return BlackKeyResult::Handled;
    case Qt::Key_Backspace:
        return autoRepeat ? BlackKeyResult::Handled : BlackKeyResult::Leave;
    default:
        return BlackKeyResult::PassOn;
    }
}

BlackKeyResult BlackScreenControl::keyUp(int qtKey, bool autoRepeat) {
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F8) {
        auto& ch = held_[static_cast<std::size_t>(qtKey - Qt::Key_F1)];
        if (autoRepeat || ch < 0)
            return BlackKeyResult::Handled;
        show_.playback().PlayButtonUp(ch);
        ch = -1;
        return BlackKeyResult::Handled;
    }
    switch (qtKey) {
    case Qt::Key_Down:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Left:
    case Qt::Key_Tab:
    case Qt::Key_Backspace:
        return BlackKeyResult::Handled;
    default:
        return BlackKeyResult::PassOn;
    }
}

void BlackScreenControl::releaseAll() {
    for (int& ch : held_) {
        if (ch >= 0)
            show_.playback().PlayButtonUp(ch);
        ch = -1;
    }
}

std::array<BlackChannelLine, 8> BlackScreenControl::DrawChannels() const {
    std::array<BlackChannelLine, 8> lines;
    const ShowStore& store = show_.store();
    for (int i = 0; i < 8; ++i) {
        const int ch = (bank_ - 1) * 8 + i;
        BlackChannelLine& l = lines[static_cast<std::size_t>(i)];
        const ChannelControls& k = store.controls(ch);
        l.channel = ch + 1;
        l.heading = QStringLiteral("%1 (F%2) %3")
                        .arg(ch + 1, 2)
                        .arg(i + 1)
                        .arg(groupsText(k.playGroup, k.stopGroup));
        const auto& list = store.soundList(ch);
        if (k.selectedSound >= 0 && k.selectedSound < list.size())
            l.soundName = list[k.selectedSound].displayName;
        const TimeDisplay t = show_.playback().timeDisplay(ch);
        l.position = t.position;
        l.length = t.length;
        l.playing = KAE__Channel_IsPlaying(ch);
        l.paused = KAE__Channel_IsPaused(ch);
        l.selected = ch == selected_;
    }
    return lines;
}

} // namespace kalvor
