// Shows on disk for the archive tests: a playlist and its sounds spread over folders,
// archives made by hand with Python's zipfile (the hostile ones), and an observer that
// keeps every line of the system messages.
#pragma once

#include "tools/archive/ArchiveJob.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace kalvor::test {

struct Recorder : archive::ArchiveObserver {
    QStringList lines;
    qint64 lastDone = -1;
    qint64 total = 0;
    bool progressWentBack = false;
    void message(const QString& line) override { lines << line; }
    void progress(qint64 done, qint64 t) override {
        if (done < lastDone)
            progressWentBack = true;
        lastDone = done;
        total = t;
    }
};

struct HandEntry {
    QString name;
    QByteArray data;
    bool symlink = false;
};
// Writes a ZIP with exactly these entries through /usr/bin/python3's zipfile.
bool writeHandMadeZip(const QString& path, const std::vector<HandEntry>& entries);

// Runs a program; its exit code (-1 when it did not start) and its output.
std::pair<int, QString> runTool(const QString& program, const QStringList& args);

} // namespace kalvor::test
