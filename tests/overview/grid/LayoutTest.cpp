// Layout blocks read from ".kov" files and applied to the grid's arrangement: the three
// versions, the end-marker check and damaged input.
#include "overview/GridArrangement.h"
#include "overview/KovFile.h"

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

using playlist::OverviewLayout;

// A block of `version` for an arrangement, as the program that wrote that version did.
QByteArray blockOf(const GridArrangement& g, int version, const char* end = "~") {
    const int n = playlist::overviewColumnsOfVersion(version);
    QByteArray out =
        "Fileformat " + QByteArray::number(version) + "\r\nVerdana\r\n12\r\n-1\r\n0\r\n255\r\n";
    for (int c = 1; c <= n; ++c)
        out += QByteArray::number(g.gridColumnOf(c)) + "\r\n";
    for (int v = 1; v <= n; ++v)
        out += (g.hidden[v] ? "-1" : "0") + QByteArray("\r\n");
    out += (g.autoSize ? "-1" : "0") + QByteArray("\r\n");
    for (int v = 0; v <= n; ++v)
        out += QByteArray::number(g.widths[v]) + "\r\n";
    return out + end + "\r\n";
}

// The first `n` columns in reverse order, every third one hidden, widths by place.
GridArrangement shuffled(int n, bool autoSize) {
    GridArrangement g = defaultArrangement();
    for (int c = 1; c <= n; ++c)
        g.move(c, 1);
    for (int v = 1; v <= n; ++v) {
        g.hidden[v] = v % 3 == 0;
        g.widths[v] = (20 + v) * kTwipsPerPixel;
    }
    g.autoSize = autoSize;
    return g;
}

TEST(OverviewLayoutFile, EachVersionRestoresOrderVisibilityAndWidths) {
    struct Case {
        int version;
        bool autoSize;
    };
    for (const Case c : {Case{1, false}, Case{2, false}, Case{3, false}, Case{3, true}}) {
        SCOPED_TRACE(testing::Message() << "version " << c.version << " auto " << c.autoSize);
        const int n = playlist::overviewColumnsOfVersion(c.version);
        const GridArrangement saved = shuffled(n, c.autoSize);
        const KovRead read = readKovFile(blockOf(saved, c.version));
        ASSERT_EQ(read.status, KovRead::Status::Read);
        EXPECT_TRUE(read.endMarkerFound);
        GridArrangement loaded = defaultArrangement();
        applyLayout(loaded, read.layout);
        EXPECT_EQ(loaded.order, saved.order);
        EXPECT_EQ(loaded.hidden, saved.hidden);
        // With auto size on, the saved widths are skipped: each column keeps its own.
        std::array<int, kGridColumns> expected = saved.widths;
        for (int v = 0; c.autoSize && v < kGridColumns; ++v)
            expected[v] = defaultArrangement().widths[saved.order[v]];
        EXPECT_EQ(loaded.widths, expected);
        EXPECT_EQ(loaded.fontName, QStringLiteral("Verdana"));
        EXPECT_TRUE(loaded.bold);
        // Columns a version does not carry keep their places ("MIDI OUT".."Info" for v1).
        for (int v = n + 1; v < kGridColumns; ++v)
            EXPECT_EQ(loaded.order[v], v);
    }
}

TEST(OverviewLayoutFile, WrittenFileReadsBackAsTheSameArrangement) {
    GridArrangement playFirst = shuffled(30, false);
    playFirst.move(25, 2); // "PLAY" near the front
    playFirst.fontName = QStringLiteral("DejaVu Sans");
    playFirst.fontSize = 14.5f;
    // An order that moves taken in the fixed column order cannot give back.
    GridArrangement crossed = defaultArrangement();
    const int head[] = {6, 5, 4, 3, 1, 2};
    std::copy(std::begin(head), std::end(head), crossed.order.begin() + 1);
    for (const GridArrangement& g : {playFirst, crossed}) {
        const KovRead read = readKovFile(kovFileContents(takeLayout(g)));
        ASSERT_EQ(read.status, KovRead::Status::Read);
        GridArrangement loaded = defaultArrangement();
        applyLayout(loaded, read.layout);
        EXPECT_EQ(loaded.captions(), g.captions());
        EXPECT_EQ(loaded.hidden, g.hidden);
        EXPECT_EQ(loaded.fontName, g.fontName);
    }
}

TEST(OverviewLayoutFile, DamagedFilesKeepWhatTheyCanAndSayWhy) {
    const GridArrangement saved = shuffled(30, false);
    QByteArray outOfRange = blockOf(saved, 3);
    outOfRange.replace("\r\n30\r\n29\r\n", "\r\n0\r\n31\r\n"); // "Sound" and "Duration"
    struct Case {
        const char* name;
        QByteArray file;
        KovRead::Status status;
        bool marker;
    };
    const Case cases[] = {
        {"extra line", blockOf(saved, 3, "0\r\n~"), KovRead::Status::Read, false},
        {"other version", QByteArray("Fileformat 4\r\n") + blockOf(saved, 3).mid(14),
         KovRead::Status::UnknownFormat, false},
        {"truncated", blockOf(saved, 3).left(120), KovRead::Status::Truncated, false},
        {"empty", QByteArray(), KovRead::Status::UnknownFormat, false},
        {"out of range moves", outOfRange, KovRead::Status::Read, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const KovRead read = readKovFile(c.file);
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(read.endMarkerFound, c.marker);
    }
    // The wrong length still applies the block read so far.
    GridArrangement g = defaultArrangement();
    applyLayout(g, readKovFile(cases[0].file).layout);
    EXPECT_EQ(g.order, saved.order);
    // The moves outside the grid are skipped; the others still apply.
    g = defaultArrangement();
    applyLayout(g, readKovFile(outOfRange).layout);
    EXPECT_EQ(g.gridColumnOf(3), 28); // "Position"
    EXPECT_EQ(g.captions().size(), kGridColumns);
}

TEST(OverviewLayoutFile, HeaderFontAndFileNames) {
    const std::pair<float, int> sizes[] = {{0, 8}, {16, 8}, {18, 10}, {36, 18}};
    for (const auto& [grid, header] : sizes)
        EXPECT_EQ(headerFontSize(grid), header) << grid;
    EXPECT_EQ(withKovExtension(QStringLiteral("/s/show")), QStringLiteral("/s/show.kov"));
    EXPECT_EQ(withKovExtension(QStringLiteral("/s/show.kov")), QStringLiteral("/s/show.kov"));
}

} // namespace
} // namespace kalvor::test
