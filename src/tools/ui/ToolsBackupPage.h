// The "Backup/Restore" page of the tools window: one file list for both directions, the
// backup and restore buttons, the destination list and the progress. The archive work runs
// on a worker thread (ArchiveJob.h), so the window stays responsive and Escape is seen at
// once; the questions are asked here, on the UI thread, with the run paused meanwhile.
// UI thread.
#pragma once

#include "tools/archive/ArchiveJob.h"
#include "tools/archive/Restore.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <thread>

class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace kalvor {

class ShowStore;

class ToolsBackupPage : public QWidget {
    Q_OBJECT
public:
    explicit ToolsBackupPage(ShowStore& store, QWidget* parent = nullptr);
    ~ToolsBackupPage() override;

    QListWidget* lstBRFiles() const { return list_; }
    QGroupBox* frame() const { return frame_; }
    QPushButton* btnBackup() const { return backup_; }
    QPushButton* btnRestore() const { return restore_; }
    QComboBox* cmbRestoreDestination() const { return destination_; }
    QProgressBar* progressBar() const { return progress_; }
    QLabel* progressLabel() const { return progressText_; }

    // The buttons' work, also for tests.
    void ListFiles();
    void AddFiles();
    void RemoveFiles();
    void Backup();
    void ListArchive();
    void Restore();
    void selectAll(bool selected);
    void chooseDestination(int index);
    // Escape while a run is busy: the run pauses while the question is open.
    void escapePressed();
    // A playlist was loaded: whatever was listed from an archive no longer applies.
    void clearRelinkList();

    bool isRunning() const { return worker_ != nullptr; }

Q_SIGNALS:
    void runFinished();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Relay;
    void applyCaptions();
    void setRunning(bool running);
    void startRun(
        std::function<archive::RunResult(archive::ArchiveObserver&, archive::JobControl&)> work,
        std::function<void(const archive::RunResult&)> finished);
    void showProgress(qint64 done, qint64 total);
    void markLine(int row, const QString& suffix);
    void fillFromListing();

    ShowStore& store_;
    QGroupBox* frame_;
    QListWidget* list_;
    QPushButton* listFiles_;
    QPushButton* addFile_;
    QPushButton* removeFile_;
    QPushButton* backup_;
    QPushButton* listArchive_;
    QPushButton* restore_;
    QComboBox* destination_;
    QProgressBar* progress_;
    QLabel* progressText_;
    bool forRestore_ = false;

    QString archivePath_;
    QString lastArchiveFolder_;
    archive::ArchiveListing listing_;
    QString restoreFolder_;
    std::vector<int> runRows_; // list row of each file of the run

    std::unique_ptr<std::thread> worker_;
    std::unique_ptr<archive::JobControl> control_;
    bool backupRun_ = true;
    QElapsedTimer clock_;
};

} // namespace kalvor
