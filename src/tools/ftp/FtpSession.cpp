#include "tools/ftp/FtpSession.h"

#include <QMetaObject>
#include <QPointer>

namespace kalvor::ftp {

FtpSession::FtpSession(QObject* parent)
    : QObject(parent), client_(std::make_unique<FtpClient>(&abort_)) {
    thread_.setObjectName(QStringLiteral("FTP"));
    worker_ = new QObject;
    worker_->moveToThread(&thread_);
    thread_.start();
}

FtpSession::~FtpSession() {
    // The running job ends at its next progress check; queued ones never start.
    abort_ = true;
    thread_.quit();
    thread_.wait();
    delete worker_;
    client_.reset(); // closes the connection, if any, with a short QUIT
}

void FtpSession::run(Job job, QObject* context, std::function<void(const FtpResult&)> done) {
    ++pending_;
    FtpClient* client = client_.get();
    QPointer<QObject> target(context);
    QMetaObject::invokeMethod(
        worker_,
        [this, client, job = std::move(job), target, done = std::move(done)] {
            FtpResult r = job(*client);
            // The session outlives its thread, so it is a safe place to post to; the
            // context is checked back on the UI thread.
            QMetaObject::invokeMethod(
                this,
                [target, done, r] {
                    if (target && done)
                        done(r);
                },
                Qt::QueuedConnection);
            // Counted down once the result is on its way, so "nothing pending" means
            // every result has been posted.
            --pending_;
        },
        Qt::QueuedConnection);
}

void FtpSession::abort() {
    abort_ = true;
    QMetaObject::invokeMethod(
        worker_, [this] { abort_ = false; }, Qt::QueuedConnection);
}

void FtpSession::report(const std::function<void()>& report) {
    QMetaObject::invokeMethod(this, report, Qt::QueuedConnection);
}

} // namespace kalvor::ftp
