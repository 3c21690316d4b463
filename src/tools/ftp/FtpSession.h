// The browser's FTP connection on a thread of its own, so that a slow or silent server
// never freezes the window (or the show behind it). Jobs run one after another on the
// worker thread against one FtpClient; each result, and each progress report, is handed
// back to the UI thread. A window that closes while a job runs loses nothing but the job:
// results for a destroyed context are dropped.
#pragma once

#include "tools/ftp/FtpClient.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

namespace kalvor::ftp {

class FtpSession : public QObject {
    Q_OBJECT
public:
    explicit FtpSession(QObject* parent = nullptr);
    // Ends the running job at its next progress check and waits for the thread.
    ~FtpSession() override;

    using Job = std::function<FtpResult(FtpClient& client)>;
    // Runs `job` on the worker thread; `done` gets its result on `context`'s thread.
    void run(Job job, QObject* context, std::function<void(const FtpResult&)> done);
    // Ends the running job and every job queued before this call; later ones run.
    void abort();
    // Jobs queued or running.
    int pending() const { return pending_.load(); }

    // Runs `report` on the UI thread; for a job's progress. Dropped with the session.
    void report(const std::function<void()>& report);

private:
    QThread thread_;
    QObject* worker_ = nullptr; // lives on thread_
    std::unique_ptr<FtpClient> client_;
    std::atomic<bool> abort_{false};
    std::atomic<int> pending_{0};
};

} // namespace kalvor::ftp
