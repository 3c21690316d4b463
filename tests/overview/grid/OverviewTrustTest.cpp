// What the operator must be able to trust in the overview: a layout file survives a save
// that fails, the grid's widths survive hiding a column, and the GPI/O columns name the
// lines that really start or follow each channel.
#include "overview/KovFile.h"
#include "overview/OverviewCells.h"
#include "overview/ui/OverviewModel.h"
#include "overview/ui/OverviewWindow.h"
#include "support/FileSizeLimit.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"

#include <QHeaderView>
#include <QTableView>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

int logicalOf(OverviewColumn column) {
    return 1 + static_cast<int>(column);
}

TEST(OverviewTrust, AFailedLayoutSaveKeepsThePreviousFile) {
    ShowRig rig;
    OverviewWindow window(*rig.show, *rig.settings);
    const QString path = rig.folder + QStringLiteral("/booth.kov");
    const QByteArray previous = kovFileContents(window.currentLayout());
    writeFile(path, previous);
    QHeaderView* header = window.grid()->horizontalHeader();
    header->moveSection(header->visualIndex(logicalOf(OverviewColumn::Play)), 1);
    {
        const FileSizeLimit nearlyFull(64); // far less than a layout block
        EXPECT_FALSE(window.saveLayoutFile(path));
    }
    EXPECT_EQ(readFile(path), previous);
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_EQ(rig.dialogs.messages()[0].icon, MessageIcon::Critical);
    // With room again the same save goes through.
    EXPECT_TRUE(window.saveLayoutFile(path));
    EXPECT_EQ(readKovFile(readFile(path)).layout, window.currentLayout());
}

TEST(OverviewTrust, AHiddenColumnKeepsTheWidthItWasGivenLast) {
    ShowRig rig;
    OverviewWindow window(*rig.show, *rig.settings);
    QHeaderView* header = window.grid()->horizontalHeader();
    const int sound = logicalOf(OverviewColumn::Sound);
    header->resizeSection(sound, 321);
    header->setSectionHidden(sound, true);
    const GridArrangement saved = window.arrangement();
    EXPECT_EQ(saved.widths[static_cast<std::size_t>(saved.gridColumnOf(sound))],
              321 * kTwipsPerPixel);
    // Through a file and back, shown again, it has that width.
    window.ResetOverviewColumns();
    window.applyLayout(readKovFile(kovFileContents(takeLayout(saved))).layout);
    header->setSectionHidden(sound, false);
    EXPECT_EQ(header->sectionSize(sound), 321);
}

} // namespace
} // namespace kalvor::test
