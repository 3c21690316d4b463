// The "Sound Offsets" window names the channel and its sound in its title, in both
// languages, with or without a sound.
#include "core/UiLanguage.h"
#include "overview/ui/SoundOffsetsWindow.h"
#include "support/ShowRig.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(SoundOffsetsWindow, TitleNamesTheChannelAndItsSound) {
    ShowRig rig;
    rig.loadChannel(31, {rig.silence(QStringLiteral("Thunder"), 8.0)});
    SoundOffsetsWindow w(*rig.show, *rig.settings);
    struct Case {
        Language language;
        int ch;
        const char* title;
    };
    const Case cases[] = {
        {Language::English, 31, "Sound Offsets: Channel 32 (Thunder) "},
        {Language::German, 31, "Sound Offsets: Kanal 32 (Thunder) "},
        {Language::English, 2, "Sound Offsets: Channel 3 (no sound) "},
        {Language::German, 2, "Sound Offsets: Kanal 3 (kein Sound) "},
    };
    for (const Case& c : cases) {
        UiLanguage::instance().set(c.language);
        w.showChannel(c.ch);
        EXPECT_EQ(w.windowTitle(), QString::fromUtf8(c.title));
    }
    UiLanguage::instance().set(Language::English);
}
