// The Shift of one recall must not outlive it: a recall asked for while another runs (the
// wait box lets keys, keypads and remote units in) or with nothing selected is dropped,
// and so is its "ignore the autostarts".
#include "support/ShowRig.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

TEST(RecallModifiers, ARefusedShiftRecallLeavesTheNextRecallsAutostarts) {
    enum class Refusal { WhileARecallRuns, NothingSelected };
    for (const Refusal refusal : {Refusal::WhileARecallRuns, Refusal::NothingSelected}) {
        ShowRig rig;
        rig.loadChannel(0, {rig.ramp(u"a"_s, 2.0)});
        rig.show->presets().NewPreset(); // 0: nothing starts
        rig.store.controls(0).autostart = 1;
        rig.show->presets().NewPreset(); // 1: channel 1 starts
        rig.store.controls(0).autostart = 0;
        rig.store.presets().setSelected(0);
        if (refusal == Refusal::WhileARecallRuns) {
            const auto during = QObject::connect(&rig.show->recall(), &PresetRecall::recallStarted,
                                                 [&] { rig.show->recall().RecallButton(true); });
            rig.show->recall().RecallPreset();
            QObject::disconnect(during);
        } else {
            rig.store.presets().setSelected(-1);
            rig.show->recall().RecallButton(true);
        }
        // A GO from a path without modifier keys (the GPIO box, the overview menu).
        rig.store.presets().setSelected(1);
        rig.show->recall().RecallPreset();
        EXPECT_EQ(rig.store.presets().current(), 1) << int(refusal);
        EXPECT_GT(rig.renderMs(30).peak(0), 0.0) << int(refusal);
    }
}
