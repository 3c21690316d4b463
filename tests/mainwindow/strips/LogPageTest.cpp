// The Log page in the main window: the enable box, Ctrl+L and the tab caption; printing
// with and without a printer; pictures of the page for looking at its layout.
#include "StripsRig.h"

#include "mainwindow/PlayLogControl.h"
#include "mainwindow/ui/BoothStyle.h"
#include "mainwindow/ui/LogPage.h"
#include "mainwindow/ui/LogPrint.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

// `count` entries of a show that ran for a while, and ten free numbered rows below.
void fillLog(PlayLog& log, int count) {
    const char* const names[] = {"The Tallis Consort - Spem in alium", "Thunder Roll",
                                 "Rainforest Collective - Rain Loop (long version)", "Door Knock",
                                 "Big Band Östlich - Überleitung Akt 2"};
    for (int i = 0; i < count; ++i) {
        const int row = log.newRow();
        log.startEntry(
            row, QString::fromUtf8(names[i % 5]), QStringLiteral("06.12.26"),
            QStringLiteral("%1:%2:00").arg(19 + i / 12).arg((i * 5) % 60, 2, 10, QLatin1Char('0')));
        for (int t = 0; t < 30 + 37 * i; ++t)
            log.tickEntry(row);
    }
    log.setCellText(2, LogNotes, QStringLiteral("cut after the second verse"));
    log.padRows(count + 10);
}

QString tabCaption(StripsRig& w) {
    return w.window->channelTabs()->tabText(w.window->channelTabs()->count() - 1);
}

} // namespace

TEST(LogPage, CtrlLAndTheEnableBoxSwitchLoggingAndTheCaption) {
    const struct {
        bool german;
        const char* on;
        const char* off;
    } cases[] = {{false, "Log (active)", "Log"}, {true, "Log (aktiviert)", "Log"}};
    for (const auto& c : cases) {
        StripsRig w;
        w.window->switchLanguage(c.german);
        w.window->show();
        QApplication::setActiveWindow(w.window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : w.window.get(), Qt::Key_L, Qt::ControlModifier);
        EXPECT_EQ(tabCaption(w), QString::fromUtf8(c.on));
        EXPECT_TRUE(w.window->logPage()->chkLogEnable()->isChecked());
        EXPECT_TRUE(w.rig.settings->isOn(u"Logging"));
        w.window->logPage()->chkLogEnable()->setChecked(false);
        EXPECT_EQ(tabCaption(w), QString::fromUtf8(c.off));
        EXPECT_FALSE(w.rig.settings->isOn(u"Logging"));
    }
}

TEST(LogPage, PrintsToPdfWithOrWithoutAPrinterAndKeepsItsRows) {
    QTemporaryDir dir;
    for (bool ownPrinter : {true, false}) {
        StripsRig w;
        PlayLog& log = w.window->playLog().log();
        fillLog(log, 30);
        const QString pdf =
            dir.filePath(ownPrinter ? QStringLiteral("chosen.pdf") : QStringLiteral("fallback"));
        QPrinter printer(QPrinter::HighResolution);
        if (ownPrinter) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setFullPage(true);
            w.window->logPage()->choosePrinter = [&]() -> QPagedPaintDevice* {
                return &printer;
            };
        } else if (!QPrinterInfo::availablePrinters().isEmpty()) {
            continue; // this machine has a printer: the dialog would ask
        } else {
            w.rig.dialogs.answerFiles({{pdf}});
        }
        w.window->logPage()->print();
        QFile f(ownPrinter ? pdf : pdf + QStringLiteral(".pdf"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
        EXPECT_TRUE(f.read(5).startsWith("%PDF")) << "own printer: " << ownPrinter;
        EXPECT_EQ(log.rows(), 40) << "the empty rows come back after printing";
        EXPECT_TRUE(w.rig.dialogs.messages().isEmpty());
    }
}

TEST(Screenshots, LogPageAndItsPrintout) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KALVOR_SHOTS_DIR to write the pictures";
    QDir().mkpath(dir);
    applyBoothStyle(*qApp);
    StripsRig w;
    fillLog(w.window->playLog().log(), 30);
    w.window->playLog().setLoggingOn(true);
    w.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    w.window->channelTabs()->setCurrentIndex(w.window->channelTabs()->count() - 1);
    grabAtBoothSizes(w, dir, "log", [&](const QString& lang) {
        // The first printed page at 100 dpi on A4, as the PDF shows it.
        QImage page(827, 1169, QImage::Format_RGB32);
        page.fill(Qt::white);
        page.setDotsPerMeterX(3937);
        page.setDotsPerMeterY(3937);
        QPainter p(&page);
        paintLogPage(p, w.window->playLog().log(), 0, page.rect(), 100, {});
        p.end();
        EXPECT_TRUE(page.save(QStringLiteral("%1/log-print-%2.png").arg(dir, lang)));
    });
}

} // namespace kalvor::test
