// What a music-rights return rests on: a saved log is never replaced by a cut-off one, and
// every kind of restart is counted as the log options say.
#include "mainwindow/LogFiles.h"
#include "mainwindow/PlayLogControl.h"
#include "support/FileSizeLimit.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

LogDocument documentOf(int entries) {
    PlayLog log;
    for (int i = 0; i < entries; ++i)
        log.startEntry(log.newRow(), QStringLiteral("Band - Song %1").arg(i),
                       QStringLiteral("06.12.26"), QStringLiteral("21:05:09"));
    return logDocument(log);
}

TEST(LogTrust, ADiskThatFillsUpKeepsThePreviousFile) {
    ShowRig rig;
    for (const char* name : {"show.klg", "show.txt"}) {
        SCOPED_TRACE(name);
        const QString path = rig.folder + QLatin1Char('/') + QLatin1String(name);
        ASSERT_TRUE(writeLogFile(path, documentOf(3)));
        const QByteArray previous = readFile(path);
        QString error;
        {
            // Room for part of the file only: the write stops half-way.
            const FileSizeLimit nearlyFull(static_cast<rlim_t>(previous.size()));
            EXPECT_FALSE(writeLogFile(path, documentOf(6), &error));
        }
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readFile(path), previous);
        EXPECT_TRUE(readLogFile(path));
    }
}

} // namespace
