// Sound list edits on a channel that is heard, with the real engine: after each edit the
// channel plays or holds exactly the sound of its current entry, from where it should.
#include "support/ShowRig.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

TEST(SoundListPlayback, EditsOfAPlayingListLeaveTheChannelWithItsCurrentEntry) {
    using Edit = std::function<void(ShowRig&)>;
    // After the edit: still playing, the current entry's name, the position and the start
    // offset in seconds.
    using Row = std::tuple<const char*, Edit, bool, const char*, double, int>;
    const auto paste = [](int entry) {
        return [entry](ShowRig& rig) {
            rig.loadChannel(1, {rig.store.soundList(0).at(entry).path});
            rig.store.assignments(1).startOffset = 3 * kRate;
            rig.show->soundLists().Copy(1);
            rig.show->soundLists().InsertClipboard(0, true);
        };
    };
    const Row cases[] = {
        {"removing the playing entry", [](ShowRig& r) { r.show->soundLists().Remove(0); }, false,
         "c", 0.0, 0},
        {"cutting it", [](ShowRig& r) { r.show->soundLists().Cut(0); }, false, "c", 0.0, 0},
        {"pasting another sound", paste(0), false, "a", 0.0, 3},
        // Without jumping to offsets a pasted start offset waits for the next start; the
        // same file is not loaded again, so it plays on from where it was.
        {"pasting the sound that plays", paste(1), true, "b", 1.0, 3},
    };
    for (const auto& [label, edit, playing, current, seconds, offset] : cases) {
        SCOPED_TRACE(label);
        ShowRig rig;
        rig.settings->setInteger(u"JumpToOffsets", 0);
        rig.settings->setInteger(u"CopySoundsWithOffsets", 1);
        const QStringList files{rig.ramp(u"a"_s, 10), rig.ramp(u"b"_s, 10), rig.ramp(u"c"_s, 10)};
        rig.loadChannel(0, files, 1);
        rig.show->playback().PressPlay(0);
        rig.renderMs(1000);
        edit(rig);
        const auto& list = rig.store.soundList(0);
        const int at = rig.store.controls(0).selectedSound;
        ASSERT_TRUE(at >= 0 && at < list.size());
        EXPECT_EQ(list.at(at).displayName, QLatin1String(current));
        EXPECT_EQ(rig.store.channel(0).fileName, list.at(at).path) << "the sound loaded";
        EXPECT_EQ(KAE__Channel_IsPlaying(0), playing);
        EXPECT_NEAR(KAE__Channel_GetPositionInSamples(0) / double(kRate), seconds, 0.05);
        EXPECT_EQ(rig.store.assignments(0).startOffset, offset * kRate);
    }
}
