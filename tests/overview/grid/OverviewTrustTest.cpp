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

#include <QFileInfo>
#include <QHeaderView>
#include <QStandardPaths>
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

TEST(OverviewTrust, GpioColumnsNameTheLinesOfEachChannel) {
    playlist::GpioBlock block;
    using D = playlist::GpioDirection;
    block.directions = {D::In, D::Out, D::In, D::Out}; // 1-8, 9-16, 17-20, 21-24
    const std::pair<int, int> functions[] = {
        {3, 5},   {7, 5},  {8, 32}, // inputs of channels 5 and 32
        {10, 5},  {16, 1},          // outputs of channels 5 and 1
        {17, 5},  {20, 1},          // the lower half of port 3 is an input
        {21, 32}, {24, 5},          // the upper half an output
        {12, 33},                   // "X-Keys F1" is no channel
    };
    for (const auto& [line, function] : functions)
        block.lines[static_cast<std::size_t>(line - 1)].function = function;
    struct Case {
        int ch;
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {4, "3 7 17", "10 24"}, {0, "20", "16"}, {31, "8", "21"}, {1, "", ""}, {30, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ch);
        EXPECT_EQ(gpioLinesText(block, c.ch, true), QLatin1String(c.in));
        EXPECT_EQ(gpioLinesText(block, c.ch, false), QLatin1String(c.out));
    }
    // A port switched off serves nobody, whatever its lines were given.
    block.directions[0] = D::Off;
    EXPECT_EQ(gpioLinesText(block, 4, true), QStringLiteral("17"));
}

TEST(OverviewTrust, GpioCellsFollowTheSettingsOfTheLines) {
    ShowRig rig;
    rig.loadChannel(4, {rig.ramp(QStringLiteral("e"), 10.0)});
    OverviewWindow window(*rig.show, *rig.settings);
    rig.settings->setText(u"Port1Direction", QStringLiteral("IN"));
    rig.settings->setText(u"Port2Direction", QStringLiteral("OUT"));
    rig.settings->setInteger(gpioLineKey("LineFunctionNo. ", 2), 5);
    rig.settings->setInteger(gpioLineKey("LineFunctionNo. ", 11), 5);
    OverviewModel& model = window.model();
    model.OverviewFillRow(4);
    const auto cell = [&](OverviewColumn column) {
        return model.index(4, logicalOf(column)).data().toString();
    };
    EXPECT_EQ(cell(OverviewColumn::GpioIn), QStringLiteral("2"));
    EXPECT_EQ(cell(OverviewColumn::GpioOut), QStringLiteral("11"));
    // The options change the lines while the window is open: the cells follow.
    rig.settings->setInteger(gpioLineKey("LineFunctionNo. ", 5), 5);
    bool told = false;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to) {
                         const int in = logicalOf(OverviewColumn::GpioIn);
                         told |= from.row() <= 4 && to.row() >= 4 && from.column() <= in &&
                                 to.column() >= in;
                     });
    model.refreshPositions();
    EXPECT_TRUE(told);
    EXPECT_EQ(cell(OverviewColumn::GpioIn), QStringLiteral("2 5"));
}

TEST(OverviewTrust, TimeCodeCuesAreShownAtTheRateBeingReceived) {
    ShowRig rig;
    rig.loadChannel(31, {rig.ramp(QStringLiteral("last"), 10.0)});
    OverviewWindow window(*rig.show, *rig.settings);
    OverviewModel& model = window.model();
    rig.store.assignments(31).mtcStart = 300;
    rig.store.assignments(31).mtcStop = 3600 * 30 + 59;
    int fps = 25;
    model.mtcFps = [&] {
        return fps;
    };
    int redrawn = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to) {
                         const int start = logicalOf(OverviewColumn::MtcStart);
                         redrawn += from.row() == 0 && to.row() == kChannelCount - 1 &&
                                    from.column() <= start && to.column() >= start;
                     });
    struct Case {
        int fps;
        const char* start;
        const char* stop;
        int redrawn; // after the rate arrived
    };
    const Case cases[] = {
        {25, "00:00:12:00", "01:12:02:09", 0},
        {30, "00:00:10:00", "01:00:01:29", 1},
        {30, "00:00:10:00", "01:00:01:29", 1}, // the same rate again: nothing to draw
        {24, "00:00:12:12", "01:15:02:11", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fps);
        fps = c.fps;
        model.mtcRateChanged();
        EXPECT_EQ(redrawn, c.redrawn);
        const auto cell = [&](OverviewColumn column) {
            return model.index(31, logicalOf(column)).data().toString();
        };
        EXPECT_EQ(cell(OverviewColumn::MtcStart), QLatin1String(c.start));
        EXPECT_EQ(cell(OverviewColumn::MtcStop), QLatin1String(c.stop));
    }
}

TEST(OverviewTrust, LayoutDialogsOpenInAFolderOfTheUsers) {
    ShowRig rig;
    OverviewWindow window(*rig.show, *rig.settings);
    QStringList folders;
    rig.dialogs.onBox = [&](const RecordedBox& box) {
        folders << box.text;
    };
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    rig.dialogs.answerFiles({{}, {}, {rig.folder + QStringLiteral("/mine.kov")}, {}});
    window.saveLayoutDialog(); // nothing used yet: the per-user folder, not the program's
    window.loadLayoutDialog();
    window.saveLayoutDialog();
    window.loadLayoutDialog(); // then the folder of the layout last used
    EXPECT_EQ(folders, (QStringList{data, data, data, rig.folder}));
    EXPECT_TRUE(QFileInfo(data).isDir());
}

} // namespace
} // namespace kalvor::test
