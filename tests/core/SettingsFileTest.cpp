// A settings file the program cannot read: the operator is told at the full read, instead
// of working on with the defaults as if they were the booth's settings.
#include "core/Settings.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

TEST(SettingsFile, AFileThatCannotBeReadIsReportedAtTheFullRead) {
    struct Case {
        const char* name;
        bool readable;
    };
    const Case cases[] = {{"a readable file", true}, {"a folder in the file's place", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDialogs dialogs;
        const QString path =
            freshFolder(QStringLiteral("unreadable")) + QStringLiteral("/Kalvor.ini");
        if (c.readable) {
            writeFile(path, "[User]\r\nLanguage=english\r\n");
        } else {
            ASSERT_TRUE(QDir().mkpath(path));
        }
        Settings s(path);
        s.load();
        const auto boxes = dialogs.messages();
        ASSERT_EQ(boxes.size(), c.readable ? 0 : 1);
        if (!c.readable) {
            EXPECT_TRUE(boxes.first().text.contains(path)) << boxes.first().text.toStdString();
        }
    }
}
