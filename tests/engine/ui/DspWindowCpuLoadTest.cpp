// The effects window shows the processor load as the main window does: the same caption
// and the same whole number, in both languages.
#include "core/UiLanguage.h"
#include "engine/ui/DspWindow.h"
#include "support/KaeRig.h"

#include <QLabel>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(DspWindowCpuLoad, ReadsAsTheMainWindowsLoadInBothLanguages) {
    KaeRig rig;
    DspWindow window{rig.store, *rig.settings};
    window.showForChannel(0);
    auto* label = window.findChild<QLabel*>(QStringLiteral("lblCPULoad"));
    ASSERT_NE(label, nullptr);
    using Row = std::tuple<Language, const char*>;
    const Row cases[] = {{Language::German, "^CPU Last: \\d+ %$"},
                         {Language::English, "^CPU Load: \\d+ %$"}};
    for (const auto& [language, pattern] : cases) {
        UiLanguage::instance().set(language);
        EXPECT_TRUE(QRegularExpression(QLatin1String(pattern)).match(label->text()).hasMatch())
            << label->text().toStdString();
    }
}
