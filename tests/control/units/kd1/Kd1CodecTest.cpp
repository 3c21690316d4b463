// The KD-1's commands byte by byte, and pages as the peer's decoder reads them.
#include "control/units/UnitScreen.h"
#include "control/units/kd1/Kd1Commands.h"
#include "control/units/kd1/Kd1Decoder.h"
#include "control/units/kd1/Kd1Pages.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::units;

TEST(Kd1Commands, WriteCarriesCursorBlinkAndReverse) {
    struct Row {
        QByteArray got;
        QByteArray want;
    };
    // clang-format off
    const std::vector<Row> rows = {
        {kd1Write(QString(), 3, 2, true, true), QByteArray()},
        {kd1Write(QStringLiteral("Hi"), 3, 2, false, true), QByteArray("\x1f\x24\x03\x02\x1f\x45\x00\x1f\x72\x01Hi", 12)},
        {kd1Write(QStringLiteral("Länge"), 1, 12, true, false),
         QByteArray("\x1f\x24\x01\x0c\x1f\x45\x05\x1f\x72\x00L\x84nge", 15)},
        {kd1PageStart(), QByteArray("\x1f\x28\x44\x04\x00\x03\x62\x00\x02", 9)},
        {kd1Clear(), QByteArray("\x0c")},
        {kd1Rule(1, 2).right(43), QByteArray(43, '\xc4')},
    };
    // clang-format on
    for (const Row& r : rows)
        EXPECT_EQ(r.got.toHex(' '), r.want.toHex(' '));
}

TEST(Kd1Pages, ReadBackAsTheyWereMeant) {
    Kd1ChannelOptions options;
    options.channel = 7;
    options.modes = {true, false, false, true, false, false, true};
    options.playGroup = 3;
    options.output = QStringLiteral("JACK");
    options.volume = 88;
    options.pan = -40;
    Kd1MainPage main;
    main.presetNumber = 2;
    main.presetCount = 5;
    main.presetName = QStringLiteral("Storm");
    main.nextName = QStringLiteral("Rain");
    main.playing = {{4, QStringLiteral("Thunder"), QStringLiteral("00:12"), 50, false}};
    struct Row {
        const char* name;
        QByteArrayList commands;
        std::vector<std::pair<int, const char*>> rows; // 1-based row, its start
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"main", kd1MainPageCommands(main, Language::English),
         {{1, "Preset 2/5  Storm"}, {2, "───"}, {3, " 4 >  Thunder"}, {12, "Next: Rain"}}},
        {"options 1", kd1OptionsPage(1, options, Language::English),
         {{1, "Options for channel 7 (Page 1)"}, {4, "Restart         : ON    Roll B/F   : - "},
          {5, "Loop            : -     Autostart  : ON"}, {6, "Pause           : -     Play Group : 3"},
          {7, "Play while hold : ON    Stop Group : ---"}}},
        {"options 2 de", kd1OptionsPage(2, options, Language::German),
         {{1, "Einstellungen für Kanal 7 (Seite 2)"}, {4, "Ausgangsgerät: JACK"},
          {5, "Volume       : -12dB"}, {6, "Pan          : L40"}}},
        {"no sounds", kd1ListPage(QStringLiteral("Sound selection for channel 1"), {}, 0, 0,
                                  QStringLiteral(" No sounds existing in list!")),
         {{4, " No sounds existing in list!"}}},
        {"entry", kd1TextEntryPage(Kd1TextEntry::SavePlaylistAs, QStringLiteral("Show"), 4, Language::English),
         {{1, "Save Playlist as..."}, {4, "  Show"}, {9, "Enter   : save playlist"}}},
        {"question de", kd1QuestionPage(Kd1Question::Overwrite, Language::German),
         {{9, "    Enter = JA / Cancel = NEIN"}}},
    };
    // clang-format on
    for (const Row& r : rows) {
        Kd1Decoder decoder;
        UnitScreen screen(decoder.surface());
        for (const QByteArray& c : r.commands)
            decoder.feed(c, screen);
        for (const auto& [row, start] : r.rows) {
            const QString want = QString::fromUtf8(start);
            EXPECT_EQ(screen.row(row - 1).left(want.size()), want)
                << r.name << "\n"
                << screen.rows().join(QLatin1Char('\n')).toStdString();
        }
    }
    EXPECT_EQ(kd1Time(3725, 1), QStringLiteral("62:05"));
    EXPECT_EQ(kd1Time(3725, 2), QStringLiteral("01:02:05"));
    EXPECT_EQ(kd1VolumeText(0), QStringLiteral("-99dB"));
    EXPECT_EQ(kd1VolumeText(100), QStringLiteral("0dB"));
}
