// bench_backup_vs_zip [MB] [FOLDER]: writes MB (default 1024) of 16-bit stereo noise as
// sound files of 5..60 MB into FOLDER (default a temporary one), then times, on the same
// files and the same disk, each step twice (the faster run counts, so both sides read from
// a warm page cache):
//   ours: backup of the files into a .kfa    peer: zip -0 -q of the same files
//   ours: restore of that .kfa into a folder peer: unzip -q -o of it into another folder
// and prints MB/s of each and ours as a percentage of the peer. Every run starts after a
// sync, and its time includes the close of what it wrote (not its flush to the disk).
#include "tools/archive/Backup.h"
#include "tools/archive/Restore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <random>
#include <unistd.h>

using namespace kalvor::archive;

namespace {

double bestSeconds(const std::function<bool()>& run) {
    double best = 1e30;
    for (int i = 0; i < 2; ++i) {
        // Each run starts with no dirty pages of the one before, so neither side pays for
        // the other's write-back.
        ::sync();
        QElapsedTimer t;
        t.start();
        if (!run()) {
            std::fprintf(stderr, "run failed\n");
            std::exit(1);
        }
        best = std::min(best, t.nsecsElapsed() / 1e9);
    }
    return best;
}

bool runTool(const QString& program, const QStringList& args, const QString& dir = {}) {
    QProcess p;
    if (!dir.isEmpty())
        p.setWorkingDirectory(dir);
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? std::atoll(argv[1]) : 1024;
    QTemporaryDir temp;
    const QString root = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path();
    const QString sounds = root + QStringLiteral("/Show/Sounds");
    QDir().mkpath(sounds);

    std::mt19937 rng(1);
    std::uniform_int_distribution<int> sizes(5, 60);
    QStringList files;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 left = megabytes; left > 0;) {
        const qint64 mb = std::min<qint64>(left, sizes(rng));
        const QString path = sounds + QStringLiteral("/cue %1.wav").arg(files.size() + 1);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        for (qint64 i = 0; i < mb; ++i) {
            for (char& c : block)
                c = static_cast<char>(rng());
            f.write(block);
        }
        files << path;
        left -= mb;
    }
    std::printf("%d files, %lld MB in %s\n", static_cast<int>(files.size()),
                static_cast<long long>(megabytes), qPrintable(sounds));

    const QString ours = root + QStringLiteral("/ours.kfa");
    const QString peer = root + QStringLiteral("/peer.zip");
    const double backup = bestSeconds([&] {
        QFile::remove(ours);
        ArchiveObserver quiet;
        JobControl control;
        return runBackup(files, ours, quiet, control).ok;
    });
    QStringList relative;
    for (const QString& f : files)
        relative << QStringLiteral("Sounds/") + f.section(QLatin1Char('/'), -1);
    const double zip = bestSeconds([&] {
        QFile::remove(peer);
        return runTool(QStringLiteral("zip"),
                       QStringList{QStringLiteral("-0"), QStringLiteral("-q"), peer} + relative,
                       root + QStringLiteral("/Show"));
    });

    const QString restoreOurs = root + QStringLiteral("/restored-ours");
    const QString restorePeer = root + QStringLiteral("/restored-peer");
    const double restore = bestSeconds([&] {
        QDir(restoreOurs).removeRecursively();
        QDir().mkpath(restoreOurs);
        ArchiveObserver quiet;
        const ArchiveListing listing = listArchive(ours, quiet);
        QStringList refused;
        const auto items = planRestore(listing, Destination::Folder, restoreOurs, &refused);
        JobControl control;
        return runRestore(ours, listing, items, quiet, control).ok;
    });
    const double unzip = bestSeconds([&] {
        QDir(restorePeer).removeRecursively();
        QDir().mkpath(restorePeer);
        return runTool(QStringLiteral("unzip"), {QStringLiteral("-q"), QStringLiteral("-o"), ours,
                                                 QStringLiteral("-d"), restorePeer});
    });

    const auto rate = [&](double s) {
        return megabytes / s;
    };
    std::printf("backup   ours %7.1f MB/s (%.2f s)   zip -0 %7.1f MB/s (%.2f s)   ours = %.0f %% "
                "of zip -0\n",
                rate(backup), backup, rate(zip), zip, 100.0 * zip / backup);
    std::printf("restore  ours %7.1f MB/s (%.2f s)   unzip  %7.1f MB/s (%.2f s)   ours = %.0f %% "
                "of unzip\n",
                rate(restore), restore, rate(unzip), unzip, 100.0 * unzip / restore);
    return 0;
}
