#include "control/midi/MtcCues.h"

#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <cmath>
#include <limits>

namespace kalvor::midi {

MtcCues::MtcCues(ShowLayer& show, Settings& settings, QObject* parent)
    : QObject(parent), show_(show), settings_(settings) {
    // Cues are frame counts: read at 25 fps after a restart, those of a 24 or 30 fps show
    // would be shown, typed and stepped as other times until time code came again.
    clock_.setFps(settings_.integer(u"MtcFrameRate"));
    stopTimer_.setInterval(kMtcStopTimerMs);
    connect(&stopTimer_, &QTimer::timeout, this, &MtcCues::stopTimerTick);
    // A channel that stopped (by hand, at its end, by a recall) no longer runs because of
    // time code; if the operator then plays it, a halt or jump of the time code must not
    // stop it.
    connect(&show_.playback(), &ChannelPlayback::channelStopped, this, [this](int ch) {
        if (ch >= 0 && ch < kChannelCount)
            started_[static_cast<std::size_t>(ch)] = false;
    });
}

int MtcCues::displayColour() const {
    return enabled_ ? settings_.integer(u"MtcDisplayColor") : kMtcGrey;
}

void MtcCues::setEnabled(bool on) {
    if (on) {
        enabled_ = true;
        if (passQuarterFrames)
            passQuarterFrames(true);
        clock_.restartSequence();
        stopTimer_.start();
    } else {
        stopMtcStartedChannels();
        clock_.restartSequence();
        enabled_ = false;
        if (passQuarterFrames)
            passQuarterFrames(false);
        stopTimer_.stop();
    }
    Q_EMIT displayChanged(displayText(), displayColour());
}

void MtcCues::quarterFrame(std::uint8_t data) {
    const MtcStep step = clock_.quarterFrame(data);
    if (step.rateReceived) {
        const bool changed = clock_.fps() != settings_.integer(u"MtcFrameRate");
        if (changed)
            settings_.setInteger(u"MtcFrameRate", clock_.fps());
        Q_EMIT rateReceived(clock_.fps());
        if (changed)
            Q_EMIT rateChanged(clock_.fps());
    }
    if (step.evaluate)
        evaluate(*step.evaluate);
}

bool MtcCues::continues(std::int32_t t) const {
    return t == expected_;
}

void MtcCues::evaluate(std::int32_t t) {
    // Running backwards every time is a jump: a channel in its window would be started
    // afresh at each frame and stopped at the next. Nothing starts until it runs forwards.
    if (!continues(t) || clock_.backwards())
        stopMtcStartedChannels();
    if (!clock_.backwards())
        Process_MTC_Cues(t);
    Q_EMIT displayChanged(mtcDisplayText(t, clock_.fps()), displayColour());
    // Drop-frame time code steps over the numbers it leaves out; midnight comes back to 0.
    expected_ = clock_.advance(t, 1);
}

void MtcCues::stopMtcStartedChannels() {
    for (int ch = 0; ch < kChannelCount; ++ch)
        stopIfStarted(ch);
}

void MtcCues::stopIfStarted(int ch) {
    bool& flag = started_.at(static_cast<std::size_t>(ch));
    if (!flag)
        return;
    if (KAE__Channel_IsPlaying(ch))
        show_.playback().StopChannel(ch);
    flag = false;
}

void MtcCues::startAt(int ch, std::int64_t position) {
    show_.playback().PressPlay(ch);
    // Refused (its output is gone): time code started nothing.
    if (!KAE__Channel_IsPlaying(ch))
        return;
    KAE__Channel_SetPositionInSamples(ch, position);
    started_.at(static_cast<std::size_t>(ch)) = true;
}

void MtcCues::fail(bool overflow) {
    SystemMessages& messages = SystemMessages::instance();
    if (overflow)
        messages.addDebugMessage(
            QStringLiteral("Long value overflow on mp variable in Module: Process_MTC_Cues"));
    if (closeInput)
        closeInput();
    messages.addDebugMessage(
        QStringLiteral("Error in: Process_MTC_Cues (MIDI will now be disabled!"));
}

void MtcCues::Process_MTC_Cues(std::int32_t t) {
    // Every channel cued at this frame starts in the same output frame, each heard first
    // at the place its seek names, never from its start offset for the period the seek takes.
    const engine::EngineBatch batch;
    const ShowStore& store = show_.store();
    // Drop-frame numbers are not a clock: 29.97 frames run a second, with numbers left out.
    const double now = clock_.seconds(t);
    for (int i = 0; i < kChannelCount; ++i) {
        const ChannelAssignments& a = store.assignments(i);
        if (a.mtcStart <= 0)
            continue;
        // Samples of the sound go by at its playback frequency: with a speed change, a
        // second of time code is more or less than a second of the sound.
        const Channel& c = store.channel(i);
        const double r = c.playbackFrequency > 0 ? c.playbackFrequency : c.sampleRate;
        const double cur = now * r;
        const double start = clock_.seconds(a.mtcStart) * r;
        const bool loop = store.controls(i).loopMode != 0;
        const double stop = a.mtcStop >= 1 ? clock_.seconds(a.mtcStop) * r
                                           : (loop ? 86400.0 * r : start + a.soundLength);
        const bool playing = KAE__Channel_IsPlaying(i);
        if (playing) {
            // A channel started by hand is never stopped by a cue.
            if (cur >= stop)
                stopIfStarted(i);
            continue;
        }
        // No sound (missing, or a recall has yet to load it): nothing to start, and no
        // loop of no length that would close the input on the whole show.
        if (!show_.playback().soundReady(i))
            continue;
        if (!loop) {
            // Past the place where the sound has ended there is nothing to seek to (with a
            // stop cue beyond the end the window outlasts the sound), and a start would
            // play it again from its beginning.
            if (cur >= start && cur < stop - a.startOffset &&
                cur - start < static_cast<double>(a.soundLength) - a.startOffset)
                startAt(i, a.startOffset + std::llround(cur - start));
            continue;
        }
        if (!(cur >= start && cur < stop))
            continue;
        const double length = static_cast<double>(a.soundLength) - a.startOffset;
        const double pass = length > 0 ? std::floor((cur - start) / length) : 0;
        if (length <= 0 || pass > std::numeric_limits<std::int32_t>::max()) {
            fail(true);
            return;
        }
        startAt(i, a.startOffset + std::llround(cur - (start + pass * length)));
    }
}

void MtcCues::stopTimerTick() {
    if (clock_.now() == lastSeen_) {
        stopMtcStartedChannels();
        clock_.restartSequence();
    }
    lastSeen_ = clock_.now();
}

std::int32_t MtcCues::cue(int ch, Cue which) const {
    const ChannelAssignments& a = show_.store().assignments(ch);
    return which == Cue::Start ? a.mtcStart : a.mtcStop;
}

void MtcCues::setCue(int ch, Cue which, std::int32_t frames) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    ChannelAssignments& a = show_.store().assignments(ch);
    (which == Cue::Start ? a.mtcStart : a.mtcStop) = std::max(frames, 0);
    cueEdited(ch, which);
}

void MtcCues::stepCue(int ch, Cue which, int frames) {
    setCue(ch, which, midi::stepCue(cue(ch, which), frames, clock_.fps()));
}

void MtcCues::captureCue(int ch, Cue which) {
    setCue(ch, which, clock_.now());
}

void MtcCues::copyCues(int ch) {
    clipStart_ = cue(ch, Cue::Start);
    clipStop_ = cue(ch, Cue::Stop);
}

void MtcCues::pasteCues(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    ChannelAssignments& a = show_.store().assignments(ch);
    a.mtcStart = clipStart_;
    a.mtcStop = clipStop_;
    cueEdited(ch, Cue::Start);
}

void MtcCues::cueEdited(int ch, Cue which) {
    ShowStore& store = show_.store();
    const ChannelAssignments& a = store.assignments(ch);
    // A new cue window no longer describes what time code started.
    if (which == Cue::Stop || a.mtcStart > 0)
        stopIfStarted(ch);
    store.announceChannel(ch, ChannelAspect::Assignments);
    Q_EMIT cueChanged(ch);
    const int group = groupNumber(store.controls(ch).playGroup);
    if (group == 0)
        return;
    for (int j = 0; j < kChannelCount; ++j) {
        if (j == ch || groupNumber(store.controls(j).playGroup) != group)
            continue;
        stopIfStarted(j);
        store.assignments(j).mtcStart = a.mtcStart;
        store.assignments(j).mtcStop = a.mtcStop;
        store.announceChannel(j, ChannelAspect::Assignments);
        Q_EMIT cueChanged(j);
    }
}

QString MtcCues::stripCueText(int ch) const {
    if (!settings_.isOn(u"ShowMtcOnMain") || ch < 0 || ch >= kChannelCount)
        return {};
    return QStringLiteral("Cue: ") + cueText(cue(ch, Cue::Start), clock_.fps());
}

} // namespace kalvor::midi
