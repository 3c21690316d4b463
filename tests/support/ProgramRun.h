// The whole program, started as an operator would start it, in a home folder of its own:
// its settings file written by the test, a private runtime folder for the instance lock,
// the offscreen platform, and a picture of the window that makes it quit once start-up
// has settled. Its error output goes to a file, so a program that talks a lot never
// stalls on a full pipe. Needs KALVOR_APP and KALVOR_LSAN_SUPP from the test's build.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <string>

namespace kalvor::test {

class ProgramRun {
public:
    ProgramRun() {
        ok_ = home_.isValid() && QDir(home_.path()).mkpath(QStringLiteral(".config/Kalvor")) &&
              QDir(home_.path()).mkpath(QStringLiteral("run")) &&
              QFile::setPermissions(home_.filePath(QStringLiteral("run")),
                                    QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
    }
    ~ProgramRun() {
        if (app_.state() != QProcess::NotRunning) {
            app_.kill();
            app_.waitForFinished(5000);
        }
    }

    bool ok() const { return ok_; }
    QString path(const QString& name) const { return home_.filePath(name); }

    // The program's "Kalvor.ini", as the operator's settings.
    bool writeSettings(const QByteArray& ini) {
        QFile f(path(QStringLiteral(".config/Kalvor/Kalvor.ini")));
        return f.open(QIODevice::WriteOnly) && f.write(ini) == ini.size();
    }

    void start(const QStringList& arguments = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home_.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral(".config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral(".local/share")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("run")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("KALVOR_SCREENSHOT"), path(QStringLiteral("shot.png")));
        env.insert(QStringLiteral("LSAN_OPTIONS"),
                   QStringLiteral("suppressions=" KALVOR_LSAN_SUPP));
        // The sound system's plugins leave allocations only full stacks can match.
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("fast_unwind_on_malloc=0"));
        app_.setProcessEnvironment(env);
        app_.setStandardOutputFile(QProcess::nullDevice());
        app_.setStandardErrorFile(path(QStringLiteral("stderr.txt")));
        app_.start(QStringLiteral(KALVOR_APP), arguments);
    }

    // True when the program ended by itself with exit code 0 within `ms`.
    bool endsCleanly(int ms = 60000) {
        // A program that already ended during the test's own waits has nothing to wait for
        // (QProcess then answers false).
        if (app_.state() != QProcess::NotRunning && !app_.waitForFinished(ms))
            return false;
        return app_.exitStatus() == QProcess::NormalExit && app_.exitCode() == 0;
    }

    // The end of the program's error output, for a failure message.
    std::string errors() const {
        QFile f(path(QStringLiteral("stderr.txt")));
        return f.open(QIODevice::ReadOnly) ? f.readAll().right(3000).toStdString() : std::string();
    }

private:
    QTemporaryDir home_;
    QProcess app_;
    bool ok_ = false;
};

} // namespace kalvor::test
