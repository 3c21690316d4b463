#include "tools/ui/ToolsBackupPage.h"

#include "core/Dialogs.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "core/UiLanguage.h"
#include "tools/archive/ArchivePaths.h"
#include "tools/archive/ArchiveTexts.h"
#include "tools/archive/Backup.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace kalvor {

using namespace archive;

namespace {
constexpr int kSourceRole = Qt::UserRole + 1; // the PathInfo line a restore line comes from
constexpr int kPathRole = Qt::UserRole + 2;   // the line's path without any progress suffix
} // namespace

// Hands every report of the worker to the page on the UI thread, in order.
class ToolsBackupPage::Relay : public ArchiveObserver {
public:
    explicit Relay(ToolsBackupPage* page) : page_(page) {}
    void message(const QString& line) override {
        post([line] { AddDebugMessage(line); });
    }
    void fileStarted(int index) override {
        post([p = page_, index] {
            p->markLine(index,
                        txt(p->backupRun_ ? texts::BackupInProgress : texts::RestoreInProgress));
        });
    }
    void fileFinished(int index) override {
        post([p = page_, index] { p->markLine(index, QString()); });
    }
    void progress(qint64 done, qint64 total) override {
        post([p = page_, done, total] { p->showProgress(done, total); });
    }

private:
    template <class F> void post(F f) {
        QMetaObject::invokeMethod(page_, std::move(f), Qt::QueuedConnection);
    }
    ToolsBackupPage* page_;
};

ToolsBackupPage::ToolsBackupPage(ShowStore& store, QWidget* parent)
    : QWidget(parent), store_(store) {
    frame_ = new QGroupBox(this);
    list_ = new QListWidget(frame_);
    list_->setObjectName(QStringLiteral("lstBRFiles"));
    list_->setSelectionMode(QAbstractItemView::MultiSelection);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* all = new QAction(list_);
    auto* none = new QAction(list_);
    all->setObjectName(QStringLiteral("mnuSelectAll"));
    none->setObjectName(QStringLiteral("mnuDeselectAll"));
    connect(all, &QAction::triggered, this, [this] { selectAll(true); });
    connect(none, &QAction::triggered, this, [this] { selectAll(false); });
    list_->addActions({all, none});
    auto* frameLayout = new QVBoxLayout(frame_);
    frameLayout->addWidget(list_);

    listFiles_ = new QPushButton(this);
    addFile_ = new QPushButton(this);
    removeFile_ = new QPushButton(this);
    backup_ = new QPushButton(this);
    listArchive_ = new QPushButton(this);
    restore_ = new QPushButton(this);
    destination_ = new QComboBox(this);
    destination_->setObjectName(QStringLiteral("cmbRestoreDestination"));
    destination_->addItems({QString(), QString()});
    destination_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    progressText_ = new QLabel(this);

    connect(listFiles_, &QPushButton::clicked, this, &ToolsBackupPage::ListFiles);
    connect(addFile_, &QPushButton::clicked, this, &ToolsBackupPage::AddFiles);
    connect(removeFile_, &QPushButton::clicked, this, &ToolsBackupPage::RemoveFiles);
    connect(backup_, &QPushButton::clicked, this, &ToolsBackupPage::Backup);
    connect(listArchive_, &QPushButton::clicked, this, &ToolsBackupPage::ListArchive);
    connect(restore_, &QPushButton::clicked, this, &ToolsBackupPage::Restore);
    connect(destination_, &QComboBox::activated, this, &ToolsBackupPage::chooseDestination);

    auto* buttons = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(listFiles_), static_cast<QWidget*>(addFile_),
                       static_cast<QWidget*>(removeFile_), static_cast<QWidget*>(backup_)})
        buttons->addWidget(w);
    buttons->addStretch();
    for (QWidget* w : {static_cast<QWidget*>(listArchive_), static_cast<QWidget*>(destination_),
                       static_cast<QWidget*>(restore_)})
        buttons->addWidget(w);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame_, 1);
    layout->addLayout(buttons);
    layout->addWidget(progress_);
    layout->addWidget(progressText_);

    restore_->setEnabled(false);
    destination_->setEnabled(false);
    backup_->setEnabled(false);
    applyCaptions();
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, &ToolsBackupPage::applyCaptions);
}

ToolsBackupPage::~ToolsBackupPage() {
    if (worker_) {
        control_->cancel();
        worker_->join();
    }
}

void ToolsBackupPage::applyCaptions() {
    frame_->setTitle(txt(forRestore_ ? texts::RestoreListCaption : texts::BackupListCaption));
    listFiles_->setText(txt(texts::BtnListFiles));
    addFile_->setText(txt(texts::BtnAddFile));
    removeFile_->setText(txt(texts::BtnRemoveFile));
    backup_->setText(txt(texts::BtnBackup));
    listArchive_->setText(txt(texts::BtnListArchive));
    restore_->setText(txt(texts::BtnRestore));
    destination_->setItemText(0, txt(texts::DestinationSource));
    destination_->setItemText(1, txt(texts::DestinationFolder));
    const QList<QAction*> actions = list_->actions();
    actions[0]->setText(txt(texts::MnuSelectAll));
    actions[1]->setText(txt(texts::MnuDeselectAll));
}

void ToolsBackupPage::ListFiles() {
    if (isRunning())
        return;
    list_->clear();
    forRestore_ = false;
    applyCaptions();
    for (const QString& path : backupListOfShow(store_)) {
        auto* item = new QListWidgetItem(path, list_);
        item->setData(kPathRole, path);
        item->setSelected(true);
    }
    backup_->setEnabled(true);
    restore_->setEnabled(false);
    destination_->setEnabled(false);
}

void ToolsBackupPage::AddFiles() {
    if (isRunning())
        return;
    const QStringList files = dialogs().openFiles(txt(texts::AddFilesTitle), lastArchiveFolder_,
                                                  txt(texts::AllFilesFilter), true);
    for (const QString& path : files) {
        // A file already listed is selected, not listed twice: the archive holds each file
        // once, and a second entry of the same name would fail the whole backup.
        QListWidgetItem* item = nullptr;
        for (int i = 0; i < list_->count() && !item; ++i) {
            if (list_->item(i)->data(kPathRole).toString() == path)
                item = list_->item(i);
        }
        if (!item) {
            item = new QListWidgetItem(path, list_);
            item->setData(kPathRole, path);
        }
        item->setSelected(true);
    }
    if (!files.isEmpty() && !forRestore_)
        backup_->setEnabled(true);
}

void ToolsBackupPage::RemoveFiles() {
    if (isRunning())
        return;
    qDeleteAll(list_->selectedItems());
}

void ToolsBackupPage::selectAll(bool selected) {
    for (int i = 0; i < list_->count(); ++i)
        list_->item(i)->setSelected(selected);
}

void ToolsBackupPage::Backup() {
    if (isRunning())
        return;
    QStringList files;
    std::vector<int> rows;
    for (int i = 0; i < list_->count(); ++i) {
        if (list_->item(i)->isSelected()) {
            files << list_->item(i)->data(kPathRole).toString();
            rows.push_back(i);
        }
    }
    if (files.isEmpty()) {
        showMessage(txt(texts::BackupErrorTitle), txt(texts::NoFilesSelected),
                    MessageIcon::Critical);
        return;
    }
    const QString start = lastArchiveFolder_.isEmpty()
                              ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                              : lastArchiveFolder_;
    const QString chosen =
        dialogs().saveFile(txt(texts::BackupSaveTitle), start, txt(texts::KfaFilter));
    if (chosen.isEmpty())
        return;
    const QString path = withKfaExtension(chosen);
    lastArchiveFolder_ = QFileInfo(path).absolutePath();
    ExistingArchive existing = ExistingArchive::Refuse;
    if (QFileInfo::exists(path)) {
        if (dialogs().message(txt(texts::FileErrorTitle), txt(texts::FileExists).arg(path),
                              MessageIcon::Question, MessageButtons::YesNo,
                              MessageResult::No) != MessageResult::Yes)
            return;
        // The old archive goes only when the new one is complete.
        existing = ExistingArchive::Replace;
    }
    runRows_ = rows;
    backupRun_ = true;
    startRun(
        [files, path, existing](ArchiveObserver& o, JobControl& c) {
            return runBackup(files, path, o, c, existing);
        },
        [this](const RunResult& r) {
            if (r.ok) {
                showMessage(txt(texts::FileBackupTitle), txt(texts::BackupFinished).arg(r.count),
                            MessageIcon::Information);
            } else if (r.cancelled) {
                showMessage(txt(texts::FileBackupTitle), txt(texts::BackupCancelled),
                            MessageIcon::Information);
            } else {
                showMessage(txt(texts::BackupErrorNumberTitle),
                            txt(texts::ErrorDuringBackup).arg(r.errorCode) +
                                QStringLiteral("\r\n") + r.errorText,
                            MessageIcon::Critical);
            }
        });
}

void ToolsBackupPage::ListArchive() {
    if (isRunning())
        return;
    const QStringList chosen = dialogs().openFiles(txt(texts::ListArchiveTitle), lastArchiveFolder_,
                                                   txt(texts::KfaFilter), false);
    if (chosen.isEmpty())
        return;
    archivePath_ = withKfaExtension(chosen.first());
    lastArchiveFolder_ = QFileInfo(archivePath_).absolutePath();
    struct Lines : ArchiveObserver {
        void message(const QString& line) override { AddDebugMessage(line); }
    } lines;
    listing_ = listArchive(archivePath_, lines);
    if (!listing_.ok) {
        showMessage(txt(texts::RestoreErrorTitle),
                    txt(texts::ErrorDuringRestore).arg(listing_.errorCode) +
                        QStringLiteral("\r\n") + listing_.error,
                    MessageIcon::Critical);
        return;
    }
    destination_->setCurrentIndex(0);
    fillFromListing();
    if (!listing_.warnings.isEmpty()) {
        for (const QString& w : listing_.warnings)
            AddDebugMessage(w);
        showMessage(txt(texts::FileRestoreTitle), listing_.warnings.join(QStringLiteral("\r\n")),
                    MessageIcon::Warning);
    }
    if (listing_.madeOnWindows) {
        showMessage(txt(texts::FileRestoreTitle),
                    txt(texts::WindowsSourcePaths).arg(listing_.sourcePaths.value(0)),
                    MessageIcon::Warning);
    }
}

void ToolsBackupPage::fillFromListing() {
    list_->clear();
    forRestore_ = true;
    applyCaptions();
    for (qsizetype i = 0; i < listing_.sourcePaths.size(); ++i) {
        auto* item = new QListWidgetItem(listing_.sourcePaths.at(i), list_);
        item->setData(kPathRole, listing_.sourcePaths.at(i));
        item->setData(kSourceRole, static_cast<int>(i));
        item->setSelected(true);
    }
    backup_->setEnabled(false);
    restore_->setEnabled(true);
    destination_->setEnabled(true);
}

void ToolsBackupPage::chooseDestination(int index) {
    if (isRunning() || !listing_.ok)
        return;
    if (index == 0) {
        restoreFolder_.clear();
        fillFromListing();
        return;
    }
    const QString folder = dialogs().folder(txt(texts::SelectRestoreFolder), lastArchiveFolder_);
    if (folder.isEmpty()) {
        destination_->setCurrentIndex(restoreFolder_.isEmpty() ? 0 : 1);
        return;
    }
    restoreFolder_ = folder;
    destination_->setCurrentIndex(1);
    QStringList refused;
    const auto items = planRestore(listing_, Destination::Folder, folder, &refused);
    list_->clear();
    for (const RestoreItem& it : items) {
        auto* item = new QListWidgetItem(it.target, list_);
        item->setData(kPathRole, it.target);
        item->setData(kSourceRole, it.source);
        item->setSelected(true);
    }
    if (!refused.isEmpty())
        showMessage(txt(texts::FileRestoreTitle), refused.join(QStringLiteral("\r\n")),
                    MessageIcon::Warning);
}

void ToolsBackupPage::Restore() {
    if (isRunning() || !listing_.ok)
        return;
    const bool toFolder = destination_->currentIndex() == 1 && !restoreFolder_.isEmpty();
    std::vector<RestoreItem> items;
    std::vector<int> rows;
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* item = list_->item(i);
        if (!item->isSelected())
            continue;
        items.push_back({item->data(kSourceRole).toInt(), item->data(kPathRole).toString()});
        rows.push_back(i);
    }
    if (items.empty()) {
        showMessage(txt(texts::FileRestoreTitle), txt(texts::NoFilesSelected),
                    MessageIcon::Critical);
        return;
    }
    if (!toFolder) {
        // Source paths made on Windows have no meaning here; only a folder can take them.
        for (const RestoreItem& it : items) {
            if (isWindowsPath(listing_.sourcePaths.value(it.source))) {
                showMessage(
                    txt(texts::RestoreErrorTitle),
                    txt(texts::WindowsSourcePaths).arg(listing_.sourcePaths.value(it.source)),
                    MessageIcon::Critical);
                return;
            }
            // A relative line would land wherever the program happens to run.
            if (!QDir::isAbsolutePath(it.target)) {
                showMessage(txt(texts::RestoreErrorTitle),
                            txt(texts::NoFileName).arg(it.target, QStringLiteral("/")),
                            MessageIcon::Critical);
                return;
            }
        }
    }
    const QString firstFolder = QFileInfo(items.front().target).absolutePath();
    if (!QFileInfo(firstFolder).isDir()) {
        showMessage(txt(texts::DirectoryErrorTitle), txt(texts::DirectoryMissing).arg(firstFolder),
                    MessageIcon::Critical);
        return;
    }
    // Every overwrite is asked about before anything is written, so the run never waits
    // for an answer halfway and no file is replaced without a Yes.
    const std::vector<int> conflicts = overwriteConflicts(items);
    for (auto c = conflicts.rbegin(); c != conflicts.rend(); ++c) {
        const auto at = static_cast<std::size_t>(*c);
        if (dialogs().message(txt(texts::FileErrorTitle),
                              txt(texts::FileExists).arg(items[at].target), MessageIcon::Question,
                              MessageButtons::YesNo, MessageResult::No) != MessageResult::Yes) {
            items.erase(items.begin() + *c);
            rows.erase(rows.begin() + *c);
        }
    }
    runRows_ = rows;
    backupRun_ = false;
    const ArchiveListing listing = listing_;
    const QString archive = archivePath_;
    startRun(
        [archive, listing, items](ArchiveObserver& o, JobControl& c) {
            return runRestore(archive, listing, items, o, c);
        },
        [this, toFolder, listing](const RunResult& r) {
            QString text = txt(texts::RestoreFinished).arg(r.count);
            if (toFolder) {
                struct Lines : ArchiveObserver {
                    void message(const QString& line) override { AddDebugMessage(line); }
                } lines;
                // Only a playlist this run wrote; one that failed stays as the folder had it.
                const RelinkResult relink =
                    RelinkPlaylist(restoreFolder_, r.written, listing.sourcePaths, lines);
                if (relink.relinked) {
                    text += QStringLiteral("\r\n") +
                            txt(texts::RestoreRelinked).arg(relink.playlist) +
                            QStringLiteral("\r\n") + txt(texts::RestoreManualHint);
                } else if (!relink.error.isEmpty()) {
                    text += QStringLiteral("\r\n") + relink.error;
                }
            }
            if (!r.problems.isEmpty() || !r.errorText.isEmpty()) {
                showMessage(txt(texts::RestoreErrorTitle),
                            txt(texts::ErrorDuringRestore).arg(r.errorCode) +
                                QStringLiteral("\r\n") + r.problems.join(QStringLiteral("\r\n")) +
                                QStringLiteral("\r\n") + txt(texts::FilesKept).arg(r.count),
                            MessageIcon::Critical);
            }
            showMessage(txt(texts::FileRestoreTitle), text, MessageIcon::Information);
        });
}

void ToolsBackupPage::startRun(std::function<RunResult(ArchiveObserver&, JobControl&)> work,
                               std::function<void(const RunResult&)> finished) {
    setRunning(true);
    control_ = std::make_unique<JobControl>();
    clock_.start();
    progress_->setValue(0);
    worker_ = std::make_unique<std::thread>(
        [this, work = std::move(work), finished = std::move(finished)] {
            Relay relay(this);
            const RunResult result = work(relay, *control_);
            QMetaObject::invokeMethod(
                this,
                [this, result, finished] {
                    worker_->join();
                    worker_.reset();
                    setRunning(false);
                    finished(result);
                    Q_EMIT runFinished();
                },
                Qt::QueuedConnection);
        });
}

void ToolsBackupPage::setRunning(bool running) {
    for (QWidget* w : {static_cast<QWidget*>(listFiles_), static_cast<QWidget*>(addFile_),
                       static_cast<QWidget*>(removeFile_), static_cast<QWidget*>(listArchive_)})
        w->setEnabled(!running);
    backup_->setEnabled(!running && !forRestore_);
    restore_->setEnabled(!running && forRestore_);
    destination_->setEnabled(!running && forRestore_);
    if (running)
        setFocus(Qt::OtherFocusReason);
}

void ToolsBackupPage::markLine(int index, const QString& suffix) {
    if (index < 0 || static_cast<std::size_t>(index) >= runRows_.size())
        return;
    QListWidgetItem* item = list_->item(runRows_[static_cast<std::size_t>(index)]);
    if (!item)
        return;
    item->setText(item->data(kPathRole).toString() + suffix);
    if (!suffix.isEmpty())
        list_->scrollToItem(item);
}

void ToolsBackupPage::showProgress(qint64 done, qint64 total) {
    progress_->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
    const qint64 ms = clock_.elapsed();
    QString left = QStringLiteral("--:--");
    if (done > 0 && ms > 500) {
        const qint64 rest = (total - done) * ms / done / 1000;
        left = QStringLiteral("%1:%2").arg(rest / 60).arg(rest % 60, 2, 10, QLatin1Char('0'));
    }
    progressText_->setText(txt(texts::TimeLeft)
                               .arg(done / 1048576.0, 0, 'f', 1)
                               .arg(total / 1048576.0, 0, 'f', 1)
                               .arg(left));
}

void ToolsBackupPage::escapePressed() {
    if (!isRunning())
        return;
    control_->pause();
    const bool backup = backupRun_;
    const MessageResult answer =
        dialogs().message(txt(backup ? texts::FileBackupTitle : texts::FileRestoreTitle),
                          txt(backup ? texts::CancelBackupQuestion : texts::CancelRestoreQuestion),
                          MessageIcon::Question, MessageButtons::YesNo);
    if (answer == MessageResult::Yes)
        control_->cancel();
    else
        control_->resume();
}

void ToolsBackupPage::clearRelinkList() {
    if (isRunning())
        return;
    listing_ = {};
    restoreFolder_.clear();
    restore_->setEnabled(false);
    destination_->setEnabled(false);
}

void ToolsBackupPage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && isRunning()) {
        escapePressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kalvor
