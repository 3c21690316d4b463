#include "control/osc/OscCommand.h"

#include "core/Limits.h"

#include <cmath>
#include <limits>

namespace kalvor::osc {

namespace {

bool takesNumber(char type) {
    switch (type) {
    case 'i':
    case 'h':
    case 'f':
    case 'd':
    case 'T':
    case 'F':
        return true;
    default:
        return false;
    }
}

Parsed fail(std::string text) {
    return {std::nullopt, std::move(text)};
}

// "1".."32" only: no sign, no blanks, no leading zeros beyond the digits themselves.
std::optional<int> channelNumber(std::string_view s) {
    if (s.empty() || s.size() > 3)
        return std::nullopt;
    int n = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > kChannelCount)
        return std::nullopt;
    return n;
}

// A trigger's optional argument: true to act, false for a release, error otherwise.
std::optional<bool> triggerArgument(std::span<const Arg> args, std::string& error) {
    if (args.empty())
        return true;
    if (args.size() > 1 || !args[0].isNumber()) {
        error = "takes no argument or one number";
        return std::nullopt;
    }
    if (!std::isfinite(args[0].number)) {
        error = "the number is not finite";
        return std::nullopt;
    }
    return args[0].number != 0;
}

// One whole number in [lo, hi]; a float is rounded to the nearest step.
std::optional<int> value(std::span<const Arg> args, int lo, int hi, std::string& error) {
    if (args.size() != 1 || !args[0].isNumber() || args[0].type == 'T' || args[0].type == 'F') {
        error = "takes one number";
        return std::nullopt;
    }
    const double v = args[0].number;
    if (!std::isfinite(v) || v < lo - 0.5 || v >= hi + 0.5) {
        error = "takes a number from " + std::to_string(lo) + " to " + std::to_string(hi);
        return std::nullopt;
    }
    return static_cast<int>(std::lround(v));
}

std::vector<std::string_view> split(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 1;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
        parts.push_back(path.substr(start, end - start));
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    return parts;
}

Parsed trigger(const std::string& where, Command c, std::span<const Arg> args) {
    std::string error;
    const auto act = triggerArgument(args, error);
    if (!act)
        return fail(where + " " + error);
    if (!*act)
        return {};
    return {c, {}};
}

Parsed channelCommand(const std::string& address, int ch, std::string_view action,
                      std::span<const Arg> args) {
    struct Trigger {
        std::string_view name;
        Verb verb;
    };
    static constexpr Trigger triggers[] = {{"play", Verb::Play},
                                           {"stop", Verb::Stop},
                                           {"pause", Verb::Pause},
                                           {"release", Verb::Release}};
    for (const Trigger& t : triggers) {
        if (action == t.name)
            return trigger(address, {t.verb, ch, 0}, args);
    }
    std::string error;
    if (action == "volume") {
        const auto v = value(args, 0, 100, error);
        return v ? Parsed{Command{Verb::Volume, ch, *v}, {}} : fail(address + " " + error);
    }
    if (action == "pan") {
        const auto v = value(args, -100, 100, error);
        return v ? Parsed{Command{Verb::Pan, ch, *v}, {}} : fail(address + " " + error);
    }
    return fail("unknown address " + address);
}

} // namespace

bool Arg::isNumber() const {
    return takesNumber(type);
}

Parsed parseMessage(std::string_view address, std::span<const Arg> args) {
    // Shown back to the sender in a message, so kept short and printable.
    std::string shown;
    for (char c : address.substr(0, 80))
        shown += (c >= 0x20 && c < 0x7f) ? c : '?';
    if (address.size() > 80)
        shown += "...";
    if (address.size() <= kRoot.size() || address.substr(0, kRoot.size()) != kRoot ||
        address[kRoot.size()] != '/')
        return fail("unknown address " + shown);
    const std::vector<std::string_view> parts = split(address.substr(kRoot.size()));
    if (parts.size() == 3 && parts[0] == "channel") {
        const auto n = channelNumber(parts[1]);
        if (!n)
            return fail(shown + ": the channel is a number from 1 to " +
                        std::to_string(kChannelCount));
        return channelCommand(shown, *n - 1, parts[2], args);
    }
    if (parts.size() == 2 && parts[0] == "preset") {
        if (parts[1] == "next")
            return trigger(shown, {Verb::NextPreset, 0, 0}, args);
        if (parts[1] == "previous")
            return trigger(shown, {Verb::PreviousPreset, 0, 0}, args);
        if (parts[1] == "recall") {
            std::string error;
            const auto v = value(args, 1, std::numeric_limits<int>::max() / 2, error);
            return v ? Parsed{Command{Verb::RecallPreset, 0, *v}, {}}
                     : fail(shown + " takes one preset number from 1");
        }
    }
    if (parts.size() == 1) {
        if (parts[0] == "stopall")
            return trigger(shown, {Verb::StopAll, 0, 0}, args);
        if (parts[0] == "unsubscribe")
            return args.empty() ? Parsed{Command{Verb::Unsubscribe, 0, 0}, {}}
                                : fail(shown + " takes no argument");
        if (parts[0] == "subscribe") {
            if (args.empty())
                return {Command{Verb::Subscribe, 0, 0}, {}};
            std::string error;
            const auto port = value(args, 1, 65535, error);
            return port ? Parsed{Command{Verb::Subscribe, 0, *port}, {}}
                        : fail(shown + " takes no argument or a port from 1 to 65535");
        }
    }
    return fail("unknown address " + shown);
}

std::string channelAddress(int channel, std::string_view event) {
    return std::string(kRoot) + "/channel/" + std::to_string(channel + 1) + "/" +
           std::string(event);
}

} // namespace kalvor::osc
