#include "tools/ftp/FtpSession.h"

#include <QMetaObject>
#include <QPointer>

namespace kalvor::ftp {

FtpSession::FtpSession(QObject* parent)
    : QObject(parent), client_(std::make_unique<FtpClient>(&abort_)) {
    thread_.setObjectName(QStringLiteral("FTP"));
    worker_ = new QObject;
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

FtpSession::~FtpSession() {
    abort_ = true;
    // The client is closed on its own thread, after whatever job is still running there.
    FtpClient* client = client_.release();
    QMetaObject::invokeMethod(
        worker_, [client] { delete client; }, Qt::QueuedConnection);
    thread_.quit();
    thread_.wait();
}

void FtpSession::run(Job job, QObject* context, std::function<void(const FtpResult&)> done) {
    ++pending_;
    FtpClient* client = client_.get();
    QPointer<QObject> target(context);
    QMetaObject::invokeMethod(
        worker_,
        [this, client, job = std::move(job), target, done = std::move(done)] {
            FtpResult r = job(*client);
            --pending_;
            // The session outlives its thread, so it is a safe place to post to; the
            // context is checked back on the UI thread.
            QMetaObject::invokeMethod(
                this,
                [target, done, r] {
                    if (target && done)
                        done(r);
                },
                Qt::QueuedConnection);
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
