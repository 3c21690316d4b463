#include "cli/RenderEvents.h"

#include "core/Limits.h"
#include "engine/kae/SurroundDestinations.h"
#include "show/playback/ChannelOperations.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace kalvor::cli {

namespace {

enum class Takes { None, Channel, Preset, ChannelNumber, ChannelMode, ChannelSeconds, ChannelName };

struct Word {
    const char* name;
    RenderAction action;
    Takes takes;
    int min = 0; // ChannelNumber: the value's range and what it is
    int max = 0;
    const char* what = "";
};

constexpr Word kWords[] = {
    {"press", RenderAction::Press, Takes::Channel},
    {"release", RenderAction::Release, Takes::Channel},
    {"right", RenderAction::Right, Takes::Channel},
    {"stop", RenderAction::Stop, Takes::Channel},
    {"pause", RenderAction::Pause, Takes::Channel},
    {"next", RenderAction::Next, Takes::None},
    {"prev", RenderAction::Prev, Takes::None},
    {"shift-next", RenderAction::ShiftNext, Takes::None},
    {"recall", RenderAction::Recall, Takes::Preset},
    {"escape", RenderAction::Escape, Takes::None},
    {"global-play", RenderAction::GlobalPlay, Takes::None},
    {"global-pause", RenderAction::GlobalPause, Takes::None},
    {"rollback", RenderAction::Rollback, Takes::None},
    {"forward", RenderAction::Forward, Takes::None},
    {"repeat", RenderAction::Repeat, Takes::None},
    {"volume", RenderAction::Volume, Takes::ChannelNumber, 0, 100, "a volume"},
    {"pan", RenderAction::Pan, Takes::ChannelNumber, -100, 100, "a pan"},
    {"varispeed", RenderAction::VariSpeed, Takes::ChannelNumber, kVariSpeedMin, kVariSpeedMax,
     "a speed in percent"},
    {"mode", RenderAction::Mode, Takes::ChannelMode},
    {"select", RenderAction::Select, Takes::ChannelNumber, 1, 32767, "a list entry"},
    {"seek", RenderAction::Seek, Takes::ChannelSeconds},
    {"output", RenderAction::Output, Takes::ChannelName},
    {"destination", RenderAction::Destination, Takes::ChannelNumber, 0,
     engine::kSurroundDestinationCount - 1, "a destination entry"},
};

QString modeNames() {
    QStringList names;
    for (int i = 0; i < kPlayModeCount; ++i)
        names << playModeName(static_cast<PlayMode>(i));
    return names.join(QLatin1Char('|'));
}

// What the action needs after its name, for the message when it is missing or wrong.
QString usageOf(const Word& word) {
    const QString name = QLatin1String(word.name);
    switch (word.takes) {
    case Takes::None:
        return QStringLiteral("'%1' takes no number").arg(name);
    case Takes::Channel:
        return QStringLiteral("'%1' needs a channel number 1..32").arg(name);
    case Takes::Preset:
        return QStringLiteral("'%1' needs a preset number 1..100").arg(name);
    case Takes::ChannelNumber:
        return QStringLiteral("'%1' needs a channel 1..32 and %2 %3..%4")
            .arg(name, QLatin1String(word.what))
            .arg(word.min)
            .arg(word.max);
    case Takes::ChannelMode:
        return QStringLiteral("'%1' needs a channel 1..32, a mode (%2) and on or off")
            .arg(name, modeNames());
    case Takes::ChannelSeconds:
        return QStringLiteral("'%1' needs a channel 1..32 and a time in seconds, 0 or more")
            .arg(name);
    case Takes::ChannelName:
        return QStringLiteral("'%1' needs a channel 1..32 and an output name").arg(name);
    }
    return {};
}

// Reads the words after the action's name into `e`; false when they do not fit.
bool readArguments(const Word& word, const QStringList& w, RenderEvent& e) {
    const qsizetype n = w.size() - 2; // words after time and name
    bool ok = false;
    auto channel = [&] {
        e.argument = w.value(2).toInt(&ok);
        return ok && e.argument >= 1 && e.argument <= kChannelCount;
    };
    switch (word.takes) {
    case Takes::None:
        return n == 0;
    case Takes::Channel:
        return n == 1 && channel();
    case Takes::Preset:
        e.argument = w.value(2).toInt(&ok);
        return n == 1 && ok && e.argument >= 1 && e.argument <= kPresetCapacity;
    case Takes::ChannelNumber:
        if (n != 2 || !channel())
            return false;
        e.value = w.value(3).toInt(&ok);
        return ok && e.value >= word.min && e.value <= word.max;
    case Takes::ChannelMode: {
        if (n != 3 || !channel())
            return false;
        const auto mode = playModeFromName(w.value(3));
        const QString state = w.value(4).toLower();
        if (!mode || (state != QLatin1String("on") && state != QLatin1String("off")))
            return false;
        e.value = static_cast<int>(*mode);
        e.on = state == QLatin1String("on");
        return true;
    }
    case Takes::ChannelSeconds:
        if (n != 2 || !channel())
            return false;
        e.position = w.value(3).toDouble(&ok);
        return ok && std::isfinite(e.position) && e.position >= 0;
    case Takes::ChannelName:
        // Output names have blanks in them ("Null output (emulated)").
        if (n < 2 || !channel())
            return false;
        e.name = w.mid(3).join(QLatin1Char(' '));
        return true;
    }
    return false;
}

} // namespace

std::optional<std::vector<RenderEvent>> parseRenderEvents(const QString& text, QString* error) {
    std::vector<RenderEvent> events;
    const QStringList parts = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& rawPart : parts) {
        const QString part = rawPart.trimmed();
        if (part.isEmpty())
            continue;
        const QStringList w = part.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        auto fail = [&](const QString& why) {
            if (error)
                *error = QStringLiteral("\"%1\": %2").arg(part, why);
            return std::nullopt;
        };
        bool ok = false;
        const double t = w.value(0).toDouble(&ok);
        if (!ok || !std::isfinite(t) || t < 0)
            return fail(QStringLiteral("the time must be a number of seconds, 0 or more"));
        const QString name = w.value(1).toLower();
        const auto* word = std::find_if(std::begin(kWords), std::end(kWords), [&](const Word& x) {
            return name == QLatin1String(x.name);
        });
        if (word == std::end(kWords))
            return fail(QStringLiteral("unknown action '%1'").arg(w.value(1)));
        RenderEvent e;
        e.seconds = t;
        e.action = word->action;
        if (!readArguments(*word, w, e))
            return fail(usageOf(*word));
        events.push_back(e);
    }
    std::stable_sort(events.begin(), events.end(), [](const RenderEvent& a, const RenderEvent& b) {
        return a.seconds < b.seconds;
    });
    return events;
}

} // namespace kalvor::cli
