// What a backup or restore run reports and how the operator steers it. A run happens on
// one thread (a worker for the tools window, the main thread for kalvor-tool); the
// observer is called on that thread, and the window hands each call on to the UI thread.
// JobControl is the one object both sides touch: any thread.
#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace kalvor::archive {

class ArchiveObserver {
public:
    virtual ~ArchiveObserver() = default;
    // A line for the system messages window.
    virtual void message(const QString& line) { (void)line; }
    // Index into the run's list of the file being written, and when it is done.
    virtual void fileStarted(int index) { (void)index; }
    virtual void fileFinished(int index) { (void)index; }
    virtual void progress(qint64 bytesDone, qint64 bytesTotal) {
        (void)bytesDone;
        (void)bytesTotal;
    }
};

// Escape pauses the run at the next block while the question is open, so nothing more
// is written behind the operator's back; the answer cancels or resumes it.
class JobControl {
public:
    void pause();
    void resume();
    void cancel(); // also releases a paused run
    bool cancelled() const { return cancelled_.load(); }
    // Called by the run between blocks: waits while paused; false once cancelled.
    bool checkpoint();

private:
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> paused_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
};

// The outcome of a run, for the closing message.
struct RunResult {
    bool ok = true;
    bool cancelled = false;
    int count = 0;        // files saved or restored
    int errorCode = 0;    // "Error N during ..." (libzip's or the system's number)
    QString errorText;    // what went wrong, for the operator
    QStringList problems; // files not restored (and why), in list order
    QStringList written;  // restore: the targets this run wrote whole, in list order
};

} // namespace kalvor::archive
