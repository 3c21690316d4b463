// kalvor-tool commands that cannot do what was asked: each ends with a non-zero code, and
// nothing the operator had before is gone.
#include "cli/ArchiveCommands.h"
#include "cli/FtpListCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/UnitCommand.h"

#include "support/TestEnvironment.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <functional>

using namespace kalvor;
using namespace kalvor::test;

namespace {

// The far end of a serial line: a pseudo-terminal whose other side the unit opens.
class PtyLine {
public:
    PtyLine() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0)
            slave_ = QString::fromLocal8Bit(ptsname(master_));
    }
    ~PtyLine() {
        if (master_ >= 0)
            ::close(master_);
    }
    QString slave() const { return slave_; }

private:
    int master_ = -1;
    QString slave_;
};

struct Case {
    const char* name;
    std::function<int()> run;
    int expected;
};

} // namespace

TEST(ToolRefusals, FailuresEndNonZeroAndKeepWhatWasThere) {
    const QString dir = freshFolder(QStringLiteral("refusals"));
    const QString show = dir + QStringLiteral("/Show.kal");
    writeFile(show, "Fileformat 17\r\n");
    const QString oldArchive = dir + QStringLiteral("/Nightly.kfa");
    writeFile(oldArchive, "last night's archive");
    PtyLine line;
    ASSERT_FALSE(line.slave().isEmpty());

    const std::vector<Case> cases = {
        {"settings of a file that is not there",
         [&] {
             return cli::runSettings({QStringLiteral("--file"), dir + QStringLiteral("/No.ini")});
         },
         1},
        {"backup over an archive with a file missing",
         [&] {
             return cli::runBackupCommand({show, oldArchive, QStringLiteral("--add"),
                                           dir + QStringLiteral("/gone.wav"),
                                           QStringLiteral("--force")});
         },
         1},
        {"unit sent a key it does not have",
         [&] {
             return cli::runUnit({QStringLiteral("kr1"), QStringLiteral("--port"), line.slave(),
                                  QStringLiteral("--keys"), QStringLiteral("NOSUCHKEY"),
                                  QStringLiteral("--seconds"), QStringLiteral("1")});
         },
         2},
        {"unit with a run time that is no number",
         [&] {
             return cli::runUnit({QStringLiteral("kr1"), QStringLiteral("--port"), line.slave(),
                                  QStringLiteral("--seconds"), QStringLiteral("ten")});
         },
         2},
        {"ftp-list with an option it does not know",
         [] {
             return cli::runFtpList({QStringLiteral("127.0.0.1:1"), QStringLiteral("--passive")});
         },
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.run(), c.expected);
        EXPECT_EQ(readFile(oldArchive), QByteArray("last night's archive"));
    }
}
