// The Log page in the main window: the enable box, Ctrl+L and the tab caption; printing
// with and without a printer.
#include "StripsRig.h"

#include "mainwindow/PlayLogControl.h"
#include "mainwindow/ui/LogPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

QString tabCaption(StripsRig& w) {
    return w.window->channelTabs()->tabText(w.window->channelTabs()->count() - 1);
}

} // namespace

TEST(LogPage, CtrlLAndTheEnableBoxSwitchLoggingAndTheCaption) {
    StripsRig w;
    w.window->switchLanguage(true);
    w.window->show();
    QApplication::setActiveWindow(w.window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : w.window.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(tabCaption(w), QStringLiteral("Log (aktiviert)"));
    EXPECT_TRUE(w.window->logPage()->chkLogEnable()->isChecked());
    EXPECT_TRUE(w.rig.settings->isOn(u"Logging"));
    w.window->logPage()->chkLogEnable()->setChecked(false);
    EXPECT_EQ(tabCaption(w), QStringLiteral("Log"));
    EXPECT_FALSE(w.rig.settings->isOn(u"Logging"));
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

} // namespace kalvor::test
