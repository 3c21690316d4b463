// System messages, the audio-message switch, the common error report in both languages,
// and the window that mirrors them.
#include "core/ErrorReport.h"
#include "core/SystemMessages.h"
#include "core/UiLanguage.h"
#include "core/ui/SystemMessagesWindow.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kalvor;

namespace {

struct MessagesFixture : ::testing::Test {
    void SetUp() override {
        SystemMessages::instance().clear();
        SystemMessages::instance().setShowAudioMessages(false);
        SystemMessages::instance().setClock([] { return QTime(21, 5, 9); });
    }
    void TearDown() override {
        SystemMessages::instance().setClock({});
        UiLanguage::instance().set(Language::English);
    }
};

} // namespace

using SystemMessagesTest = MessagesFixture;

TEST_F(SystemMessagesTest, AudioMessagesAreRecordedOnlyWhileSwitchedOn) {
    auto& m = SystemMessages::instance();
    QSignalSpy shown(&m, &SystemMessages::showRequested);
    AddAudioDebugMessage(
        QStringLiteral("Non-existing sounddevice for preview channel has been replaced!"));
    EXPECT_TRUE(m.entries().isEmpty());
    AddAudioDebugMessage(QStringLiteral("KAE: hidden"), true);
    EXPECT_TRUE(m.entries().isEmpty());
    EXPECT_EQ(shown.count(), 1) << "the show flag brings the window up in any case";

    AddDebugMessage(QStringLiteral("Saving playlist as: /shows/a.kal"));
    m.setShowAudioMessages(true);
    AddAudioDebugMessage(
        QStringLiteral("Non-existing sounddevice for preview channel has been replaced!"));
    ASSERT_EQ(m.entries().size(), 2);
    EXPECT_EQ(m.entries().at(0), QStringLiteral("21:05:09 Saving playlist as: /shows/a.kal"));
    EXPECT_EQ(
        m.entries().at(1),
        QStringLiteral("21:05:09 Non-existing sounddevice for preview channel has been replaced!"));
}

TEST_F(SystemMessagesTest, EntriesBeginWithTheRealTimeOfDayAndOneBlank) {
    SystemMessages::instance().setClock({});
    AddDebugMessage(QStringLiteral("x"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d x$"))
                    .match(SystemMessages::instance().entries().constLast())
                    .hasMatch());
}

TEST_F(SystemMessagesTest, ErrorReportSpeaksTheCurrentLanguage) {
    test::ScriptedDialogs dialogs;
    const struct {
        Language language;
        const char* text;
    } cases[] = {
        {Language::English, "Error 53 = File not found\r\n\r\nreported in module "
                            "'Load_Playlist_From_Disk / Format 13'"},
        {Language::German, "Fehler 53 = File not found\r\n\r\naufgetreten in Modul "
                           "'Load_Playlist_From_Disk / Format 13'"},
    };
    for (const auto& c : cases) {
        UiLanguage::instance().set(c.language);
        dialogs.clear();
        ReportError(53, QStringLiteral("File not found"),
                    QStringLiteral("Load_Playlist_From_Disk / Format 13"));
        ASSERT_EQ(dialogs.messages().size(), 1);
        const auto box = dialogs.messages().at(0);
        EXPECT_EQ(box.title, QStringLiteral("Error!"));
        EXPECT_EQ(box.icon, MessageIcon::Critical);
        EXPECT_EQ(box.buttons, MessageButtons::Ok);
        EXPECT_EQ(box.text, QString::fromUtf8(c.text));
    }
}

TEST_F(SystemMessagesTest, WindowMirrorsTheListAndItsSwitches) {
    SystemMessagesWindow window;
    auto* list = window.findChild<QListWidget*>(QStringLiteral("lstDebug"));
    auto* audio = window.findChild<QCheckBox*>(QStringLiteral("chkShowAudioDebug"));
    auto* clear = window.findChild<QPushButton*>(QStringLiteral("cmdClear"));
    auto* close = window.findChild<QPushButton*>(QStringLiteral("cmdClose"));
    ASSERT_TRUE(list && audio && clear && close);

    AddDebugMessage(QStringLiteral("one"));
    AddDebugMessage(QStringLiteral("two"));
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentRow(), 1) << "the last entry is selected so the list shows it";

    audio->setChecked(true);
    EXPECT_TRUE(SystemMessages::instance().showAudioMessages());
    AddAudioDebugMessage(QStringLiteral("KAE Module: KAE__Init"));
    EXPECT_EQ(list->count(), 3);

    AddDebugMessage(QStringLiteral("shown"), true);
    EXPECT_TRUE(window.isVisible());
    close->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(SystemMessages::instance().entries().size(), 4) << "closing keeps the list";
    clear->click();
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(SystemMessages::instance().entries().isEmpty());

    UiLanguage::instance().set(Language::German);
    EXPECT_EQ(clear->text(), QStringLiteral("Löschen")) << "the captions follow the language";
}
