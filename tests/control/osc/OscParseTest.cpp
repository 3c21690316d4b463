#include "control/osc/OscAllowList.h"
#include "control/osc/OscCommand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kalvor::osc;

namespace {

// clang-format off
Arg i(int v) { return {'i', double(v), {}}; }
Arg f(double v) { return {'f', v, {}}; }
// clang-format on

} // namespace

TEST(OscParse, MessagesBecomeCommandsReleasesOrReasons) {
    struct Case {
        const char* address;
        std::vector<Arg> args;
        std::optional<Command> command;
        const char* error; // a part of the reason; "" for a release that does nothing
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        // clang-format off
        {"/kalvor/channel/1/play", {}, Command{Verb::Play, 0, 0}, nullptr},
        {"/kalvor/channel/32/stop", {f(1)}, Command{Verb::Stop, 31, 0}, nullptr},
        {"/kalvor/channel/7/pause", {{'T', 1, {}}}, Command{Verb::Pause, 6, 0}, nullptr},
        {"/kalvor/channel/7/release", {i(1)}, Command{Verb::Release, 6, 0}, nullptr},
        {"/kalvor/channel/3/play", {f(0)}, std::nullopt, ""},
        {"/kalvor/stopall", {{'F', 0, {}}}, std::nullopt, ""},
        {"/kalvor/channel/5/volume", {f(79.6)}, Command{Verb::Volume, 4, 80}, nullptr},
        {"/kalvor/channel/5/volume", {i(101)}, std::nullopt, "from 0 to 100"},
        {"/kalvor/channel/5/volume", {}, std::nullopt, "takes one number"},
        {"/kalvor/channel/5/volume", {f(nan)}, std::nullopt, "from 0 to 100"},
        {"/kalvor/channel/2/pan", {i(-100)}, Command{Verb::Pan, 1, -100}, nullptr},
        {"/kalvor/channel/2/pan", {f(-100.7)}, std::nullopt, "from -100 to 100"},
        {"/kalvor/channel/0/play", {}, std::nullopt, "from 1 to 32"},
        {"/kalvor/channel/33/play", {}, std::nullopt, "from 1 to 32"},
        {"/kalvor/channel//play", {}, std::nullopt, "from 1 to 32"},
        {"/kalvor/channel/1/play", {i(1), i(1)}, std::nullopt, "no argument or one number"},
        {"/kalvor/channel/1/play", {f(nan)}, std::nullopt, "not finite"},
        {"/kalvor/channel/1/jump", {}, std::nullopt, "unknown address"},
        {"/kalvor/preset/recall", {i(3)}, Command{Verb::RecallPreset, 0, 3}, nullptr},
        {"/kalvor/preset/recall", {i(0)}, std::nullopt, "preset number"},
        {"/kalvor/preset/next", {}, Command{Verb::NextPreset, 0, 0}, nullptr},
        {"/kalvor/preset/previous", {i(1)}, Command{Verb::PreviousPreset, 0, 0}, nullptr},
        {"/kalvor/stopall", {}, Command{Verb::StopAll, 0, 0}, nullptr},
        {"/kalvor/subscribe", {i(9000)}, Command{Verb::Subscribe, 0, 9000}, nullptr},
        {"/kalvor/subscribe", {i(70000)}, std::nullopt, "port from 1 to 65535"},
        {"/kalvor/unsubscribe", {}, Command{Verb::Unsubscribe, 0, 0}, nullptr},
        {"/other/stopall", {}, std::nullopt, "unknown address /other/stopall"},
        {"", {}, std::nullopt, "unknown address"},
        // clang-format on
    };
    for (const Case& c : cases) {
        const Parsed p = parseMessage(c.address, c.args);
        EXPECT_EQ(p.command, c.command) << c.address;
        if (c.error) {
            EXPECT_NE(p.error.find(c.error), std::string::npos) << c.address << ": " << p.error;
        } else {
            EXPECT_TRUE(p.error.empty()) << c.address << ": " << p.error;
        }
    }
}

// The reason goes back over the network: an address full of control bytes or thousands of
// characters long comes back short and printable.
TEST(OscParse, ReasonShowsAShortPrintableAddress) {
    const std::string address = "/kalvor/\x01\x1b[2J" + std::string(5000, 'a');
    const Parsed p = parseMessage(address, {});
    ASSERT_FALSE(p.command);
    EXPECT_LT(p.error.size(), 120u);
    for (char c : p.error)
        EXPECT_TRUE(c >= 0x20 && c < 0x7f);
}

TEST(OscAllowList, EntriesAllowTheirSendersOnly) {
    struct Case {
        const char* list;
        const char* sender;
        bool allowed;
    };
    const char* local = kDefaultAllowList;
    // clang-format off
    const std::vector<Case> cases = {
        {local, "127.0.0.1", true}, {local, "::1", true}, {local, "::ffff:127.0.0.1", true},
        {local, "192.168.1.20", false}, {local, "not an address", false},
        {"192.168.1.0/24", "192.168.1.20", true}, {"192.168.1.0/24", "::ffff:192.168.1.20", true},
        {"192.168.1.0/24", "192.168.2.20", false}, {"10.0.0.5; 10.0.0.6", "10.0.0.6", true},
        {"10.0.0.5 junk", "10.0.0.5", true}, {"", "127.0.0.1", false}, {"fe80::/10", "fe80::1", true},
        {"::ffff:192.168.1.0/120", "192.168.1.20", true}, {"::ffff:192.168.1.0/120", "192.168.2.20", false},
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(
            AllowList::parse(QString::fromLatin1(c.list)).allows(QString::fromLatin1(c.sender)),
            c.allowed)
            << c.list << " / " << c.sender;

    const AllowList mixed = AllowList::parse(QStringLiteral("127.0.0.1, tablet, 10.0.0.0/33"));
    EXPECT_EQ(mixed.rejected(),
              QStringList({QStringLiteral("tablet"), QStringLiteral("10.0.0.0/33")}));
}
