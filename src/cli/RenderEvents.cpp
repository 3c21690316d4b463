#include "cli/RenderEvents.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace kalvor::cli {

namespace {

struct Word {
    const char* name;
    RenderAction action;
    enum { None, Channel, Preset } takes;
};

constexpr Word kWords[] = {
    {"press", RenderAction::Press, Word::Channel},
    {"release", RenderAction::Release, Word::Channel},
    {"right", RenderAction::Right, Word::Channel},
    {"stop", RenderAction::Stop, Word::Channel},
    {"pause", RenderAction::Pause, Word::Channel},
    {"next", RenderAction::Next, Word::None},
    {"prev", RenderAction::Prev, Word::None},
    {"shift-next", RenderAction::ShiftNext, Word::None},
    {"recall", RenderAction::Recall, Word::Preset},
    {"escape", RenderAction::Escape, Word::None},
    {"global-play", RenderAction::GlobalPlay, Word::None},
    {"global-pause", RenderAction::GlobalPause, Word::None},
    {"rollback", RenderAction::Rollback, Word::None},
    {"forward", RenderAction::Forward, Word::None},
    {"repeat", RenderAction::Repeat, Word::None},
};

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
        RenderEvent e{t, word->action, 0};
        if (word->takes == Word::None) {
            if (w.size() != 2)
                return fail(QStringLiteral("'%1' takes no number").arg(name));
        } else {
            const int limit = word->takes == Word::Channel ? 32 : 100;
            const int n = w.value(2).toInt(&ok);
            if (w.size() != 3 || !ok || n < 1 || n > limit)
                return fail(QStringLiteral("'%1' needs a %2 number 1..%3")
                                .arg(name, word->takes == Word::Channel ? QStringLiteral("channel")
                                                                        : QStringLiteral("preset"))
                                .arg(limit));
            e.argument = n;
        }
        events.push_back(e);
    }
    std::stable_sort(events.begin(), events.end(), [](const RenderEvent& a, const RenderEvent& b) {
        return a.seconds < b.seconds;
    });
    return events;
}

} // namespace kalvor::cli
