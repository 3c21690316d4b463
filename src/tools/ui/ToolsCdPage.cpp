#include "tools/ui/ToolsCdPage.h"

#include "core/Dialogs.h"
#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/UiLanguage.h"
#include "engine/kae/Kae.h"
#include "tools/cd/CdTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kalvor {

using namespace cd;

namespace {
const QString kExtractPathKey = QStringLiteral("CDExtractPath");
constexpr int kImageRole = Qt::UserRole + 1;

QString minutes(qint64 seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

ToolsCdPage::ToolsCdPage(Settings& settings, ShowStore& store, QWidget* parent)
    : QWidget(parent), settings_(settings), store_(store) {
    quietLibcdio();
    drives_ = new QComboBox(this);
    drives_->setObjectName(QStringLiteral("cmbCDDrives"));
    tracks_ = new QListWidget(this);
    tracks_->setObjectName(QStringLiteral("CDTracks"));
    path_ = new QLabel(this);
    path_->setObjectName(QStringLiteral("lblCDExtractPath"));
    pathSelect_ = new QPushButton(QStringLiteral("..."), this);
    pathSelect_->setObjectName(QStringLiteral("btnCDPathSelect"));
    askName_ = new QCheckBox(this);
    askName_->setObjectName(QStringLiteral("chkCDAskForFilename"));
    extract_ = new QPushButton(this);
    lock_ = new QPushButton(this);
    unlock_ = new QPushButton(this);
    eject_ = new QPushButton(this);
    play_ = new QPushButton(QStringLiteral("\u25B6"), this);
    stop_ = new QPushButton(QStringLiteral("\u25A0"), this);
    position_ = new QSlider(Qt::Horizontal, this);
    position_->setObjectName(QStringLiteral("sldCDPosition"));
    volume_ = new QSlider(Qt::Horizontal, this);
    volume_->setObjectName(QStringLiteral("sldCDVolume"));
    volume_->setRange(0, 100);
    volume_->setValue(100);
    volumeText_ = new QLabel(this);
    positionText_ = new QLabel(this);
    status_ = new QLabel(this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    driveTimer_ = new QTimer(this);
    driveTimer_->setObjectName(QStringLiteral("tmrCDLoad"));
    driveTimer_->setInterval(1000);
    positionTimer_ = new QTimer(this);
    positionTimer_->setObjectName(QStringLiteral("tmrPlaybackPosition"));
    positionTimer_->setInterval(250);

    auto* grid = new QGridLayout(this);
    grid->addWidget(drives_, 0, 0, 1, 3);
    auto* door = new QHBoxLayout;
    door->addWidget(lock_);
    door->addWidget(unlock_);
    door->addWidget(eject_);
    grid->addLayout(door, 0, 3);
    grid->addWidget(tracks_, 1, 0, 1, 4);
    auto* player = new QHBoxLayout;
    player->addWidget(play_);
    player->addWidget(stop_);
    player->addWidget(position_, 1);
    player->addWidget(positionText_);
    player->addWidget(volume_);
    player->addWidget(volumeText_);
    grid->addLayout(player, 2, 0, 1, 4);
    grid->addWidget(path_, 3, 0, 1, 2);
    grid->addWidget(pathSelect_, 3, 2);
    grid->addWidget(askName_, 3, 3);
    grid->addWidget(extract_, 4, 0);
    grid->addWidget(progress_, 4, 1, 1, 3);
    grid->addWidget(status_, 5, 0, 1, 4);

    connect(drives_, &QComboBox::activated, this, &ToolsCdPage::driveChosen);
    connect(pathSelect_, &QPushButton::clicked, this, &ToolsCdPage::selectCDPath);
    connect(extract_, &QPushButton::clicked, this, &ToolsCdPage::Extract);
    connect(lock_, &QPushButton::clicked, this, [this] { setDoorLocked(true); });
    connect(unlock_, &QPushButton::clicked, this, [this] { setDoorLocked(false); });
    connect(eject_, &QPushButton::clicked, this, [this] {
        if (auto drive = CdDrive::open(currentDevice(), nullptr))
            drive->eject();
    });
    connect(play_, &QPushButton::clicked, this, &ToolsCdPage::playPreview);
    connect(stop_, &QPushButton::clicked, this, &ToolsCdPage::stopPreview);
    connect(driveTimer_, &QTimer::timeout, this, &ToolsCdPage::pollDrive);
    connect(positionTimer_, &QTimer::timeout, this, &ToolsCdPage::updatePreviewPosition);
    connect(position_, &QSlider::sliderMoved, this,
            [](int seconds) { KAE__Channel_SetPositionInSec(kPreviewChannel, seconds); });
    connect(volume_, &QSlider::valueChanged, this, [this](int v) {
        volumeText_->setText(v == 0 ? QStringLiteral("-inf dB")
                                    : QStringLiteral("%1 dB").arg(v - 100));
        store_.channel(kPreviewChannel).volume = v;
        KAE__Channel_SetVolume(kPreviewChannel);
    });
    volumeText_->setText(QStringLiteral("0 dB"));

    path_->setText(settings_.text(kExtractPathKey));
    fillDriveList();
    applyCaptions();
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, &ToolsCdPage::applyCaptions);
}

ToolsCdPage::~ToolsCdPage() {
    releaseCdDrive();
}

void ToolsCdPage::applyCaptions() {
    extract_->setText(txt(isExtracting() && previewTrack_ < 0 ? texts::CdStop : texts::CdExtract));
    askName_->setText(txt(texts::CdAskForFilename));
    lock_->setText(txt(texts::CdLockDoor));
    unlock_->setText(txt(texts::CdUnlockDoor));
    eject_->setText(txt(texts::CdEject));
    drives_->setItemText(drives_->count() - 1, txt(texts::CdDiscImage));
}

void ToolsCdPage::fillDriveList() {
    drives_->clear();
    for (const DriveEntry& d : listDrives())
        drives_->addItem(d.listText(), d.device);
    drives_->addItem(txt(texts::CdDiscImage));
    drives_->setCurrentIndex(0);
    stateKnown_ = false;
}

void ToolsCdPage::addDiscImage(const QString& cue) {
    QString error;
    if (!CdDrive::open(cue, &error)) {
        showMessage(txt(texts::CdErrorTitle), txt(texts::CdImageUnreadable).arg(cue),
                    MessageIcon::Critical);
        return;
    }
    const DriveEntry entry{cue, QFileInfo(cue).fileName()};
    const int at = drives_->count() - 1;
    drives_->insertItem(at, entry.listText(), cue);
    drives_->setItemData(at, true, kImageRole);
    drives_->setCurrentIndex(at);
    stateKnown_ = false;
    pollDrive();
}

void ToolsCdPage::driveChosen(int index) {
    if (index == drives_->count() - 1) {
        const QStringList chosen = dialogs().openFiles(txt(texts::CdDiscImage), QString(),
                                                       txt(texts::CdImageFilter), false);
        if (chosen.isEmpty()) {
            drives_->setCurrentIndex(std::max(0, index - 1));
            return;
        }
        addDiscImage(chosen.first());
        return;
    }
    stateKnown_ = false;
    pollDrive();
}

QString ToolsCdPage::currentDevice() const {
    return drives_->currentData().toString();
}

void ToolsCdPage::pollDrive() {
    if (isExtracting())
        return;
    const QString device = currentDevice();
    std::unique_ptr<CdDrive> drive = device.isEmpty() ? nullptr : CdDrive::open(device, nullptr);
    const DriveState state = drive ? drive->state() : DriveState::Waiting;
    status_->setText(txt(state == DriveState::Ready      ? texts::CdReady
                         : state == DriveState::DoorOpen ? texts::CdDoorOpen
                                                         : texts::CdWaiting));
    if (stateKnown_ && state == lastState_) {
        // Still ready, but maybe another disc: swapped between two looks, or while the
        // window was closed. Its tracks decide; a table that cannot be read is left to the
        // next change of state, so its message does not come every second.
        if (state != DriveState::Ready || !drive)
            return;
        const auto now = drive->tracks();
        const auto same = [](const Track& a, const Track& b) {
            return a.number == b.number && a.audio == b.audio && a.firstSector == b.firstSector &&
                   a.sectors == b.sectors;
        };
        if (!now ||
            std::equal(now->begin(), now->end(), trackInfo_.begin(), trackInfo_.end(), same))
            return;
    }
    stateKnown_ = true;
    lastState_ = state;
    tracks_->clear();
    trackInfo_.clear();
    if (state == DriveState::Ready && drive)
        fillTracks(*drive);
}

void ToolsCdPage::fillTracks(CdDrive& drive) {
    const auto list = drive.tracks();
    if (!list) {
        showMessage(txt(texts::CdTrackCountTitle), txt(texts::CdTrackCountError),
                    MessageIcon::Critical);
        return;
    }
    trackInfo_ = *list;
    for (const Track& t : trackInfo_)
        tracks_->addItem(t.listText());
    if (!trackInfo_.empty())
        tracks_->setCurrentRow(0);
}

void ToolsCdPage::selectCDPath() {
    const QString folder = dialogs().folder(txt(texts::CdSelectPath), path_->text());
    if (folder.isEmpty())
        return;
    path_->setText(folder);
    settings_.setText(kExtractPathKey, folder);
}

void ToolsCdPage::setDoorLocked(bool locked) {
    if (!locked) {
        if (lockedDrive_)
            lockedDrive_->setDoorLocked(false);
        lockedDrive_.reset();
        return;
    }
    if (!lockedDrive_)
        lockedDrive_ = CdDrive::open(currentDevice(), nullptr);
    if (lockedDrive_)
        lockedDrive_->setDoorLocked(true);
}

void ToolsCdPage::Extract() {
    if (isExtracting()) {
        stopRequest_ = true;
        return;
    }
    const QString folder = path_->text();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        showMessage(txt(texts::CdPathErrorTitle),
                    folder + QStringLiteral("\r\n") + txt(texts::CdNotAValidPath),
                    MessageIcon::Critical);
        return;
    }
    const int row = tracks_->currentRow();
    const int number = row >= 0 && row < static_cast<int>(trackInfo_.size())
                           ? trackInfo_[static_cast<std::size_t>(row)].number
                           : -1;
    QString path;
    if (askName_->isChecked()) {
        path = dialogs().saveFile(txt(texts::CdRipSaveTitle), folder, txt(texts::CdRipFilter));
        if (path.isEmpty())
            return;
        if (!path.contains(QLatin1String(".wav"), Qt::CaseInsensitive))
            path += QLatin1String(".wav");
        if (QFileInfo::exists(path) &&
            dialogs().message(txt(texts::CdFileErrorTitle), txt(texts::CdFileExists),
                              MessageIcon::Question, MessageButtons::YesNo,
                              MessageResult::No) != MessageResult::Yes)
            return;
    } else {
        path = defaultTrackFileName(folder, number);
    }
    if (number < 0 || lastState_ != DriveState::Ready) {
        showMessage(txt(texts::CdErrorTitle), txt(texts::CdNoDisc), MessageIcon::Critical);
        return;
    }
    if (!trackInfo_[static_cast<std::size_t>(row)].audio) {
        showMessage(txt(texts::CdErrorTitle), txt(texts::CdNoAudioTrack).arg(number),
                    MessageIcon::Critical);
        return;
    }
    // The made-up name is the same for track 3 of every disc: an earlier rip under it may
    // already be a sound of the show, so it is replaced only on the operator's Yes.
    if (!askName_->isChecked() && QFileInfo::exists(path) &&
        dialogs().message(txt(texts::CdFileErrorTitle), txt(texts::CdFileExists),
                          MessageIcon::Question, MessageButtons::YesNo,
                          MessageResult::No) != MessageResult::Yes)
        return;
    stopPreview();
    for (QWidget* w : {static_cast<QWidget*>(drives_), static_cast<QWidget*>(tracks_),
                       static_cast<QWidget*>(pathSelect_), static_cast<QWidget*>(play_),
                       static_cast<QWidget*>(eject_), static_cast<QWidget*>(unlock_)})
        w->setEnabled(false);
    setDoorLocked(true);
    status_->setText(txt(texts::CdWriting));
    progress_->setValue(0);
    stopRequest_ = false;
    previewTrack_ = -1;
    extractTrack_ = number;
    const QString device = currentDevice();
    // The reading runs on a worker thread that hands its progress to the UI thread, rather
    // than in a loop on the UI thread that lets events run between blocks: the operator
    // gets the same (STOP! and the drive timer answer at once) without a busy UI thread,
    // and a slow drive never holds up the show's own timers.
    worker_ = std::make_unique<std::thread>([this, device, number, path] {
        const ExtractResult r =
            extractTrack(device, number, path, stopRequest_, [this](qint64 done, qint64 total) {
                QMetaObject::invokeMethod(
                    this,
                    [this, done, total] {
                        progress_->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
                    },
                    Qt::QueuedConnection);
            });
        QMetaObject::invokeMethod(
            this, [this, r, path] { finishExtraction(r, path); }, Qt::QueuedConnection);
    });
    applyCaptions();
}

void ToolsCdPage::finishExtraction(const ExtractResult& r, const QString& path) {
    if (worker_) {
        worker_->join();
        worker_.reset();
    }
    setDoorLocked(false);
    for (QWidget* w : {static_cast<QWidget*>(drives_), static_cast<QWidget*>(tracks_),
                       static_cast<QWidget*>(pathSelect_), static_cast<QWidget*>(play_),
                       static_cast<QWidget*>(eject_), static_cast<QWidget*>(unlock_)})
        w->setEnabled(true);
    applyCaptions();
    status_->setText(txt(texts::CdReady));
    using Outcome = ExtractResult::Outcome;
    switch (r.outcome) {
    case Outcome::Written:
    case Outcome::Stopped:
        showMessage(txt(texts::CdFinishedTitle),
                    txt(texts::CdWritten) + QStringLiteral("\r\n") + path,
                    MessageIcon::Information);
        break;
    case Outcome::NoDisc:
        showMessage(txt(texts::CdErrorTitle), txt(texts::CdNoDisc), MessageIcon::Critical);
        break;
    case Outcome::NoAudioTrack:
        showMessage(txt(texts::CdErrorTitle), txt(texts::CdNoAudioTrack).arg(extractTrack_),
                    MessageIcon::Critical);
        break;
    case Outcome::StreamError:
        showMessage(txt(texts::CdStreamErrorTitle), txt(texts::CdStreamError),
                    MessageIcon::Critical);
        break;
    case Outcome::ReadError: {
        const int seconds = static_cast<int>(r.framesWritten / kCdRate);
        showMessage(txt(texts::CdErrorTitle),
                    txt(texts::CdReadFailed)
                        .arg(QStringLiteral("sector %1").arg(r.failedSector))
                        .arg(seconds)
                        .arg(path),
                    MessageIcon::Critical);
        break;
    }
    case Outcome::WriteError:
        showMessage(txt(texts::CdUnknownErrorTitle),
                    txt(texts::CdUnknownError) + QStringLiteral("\r\n") + path +
                        QStringLiteral(": ") + r.detail,
                    MessageIcon::Critical);
        break;
    }
    Q_EMIT extractionFinished();
}

void ToolsCdPage::playPreview() {
    if (isExtracting())
        return;
    const int row = tracks_->currentRow();
    if (row < 0 || row >= static_cast<int>(trackInfo_.size()) ||
        !trackInfo_[static_cast<std::size_t>(row)].audio) {
        status_->setText(txt(texts::CdPlaybackError));
        return;
    }
    stopPreview();
    // The engine plays files; the track is read into one of ours first, on the worker.
    const QString file = previewFolder_.filePath(QStringLiteral("preview.wav"));
    const QString device = currentDevice();
    const int number = trackInfo_[static_cast<std::size_t>(row)].number;
    previewTrack_ = row;
    stopRequest_ = false;
    worker_ = std::make_unique<std::thread>([this, device, number, file] {
        const ExtractResult r = extractTrack(device, number, file, stopRequest_);
        QMetaObject::invokeMethod(
            this,
            [this, r, file] {
                // A release at closing may have joined the worker already.
                if (!worker_)
                    return;
                worker_->join();
                worker_.reset();
                store_.channel(kPreviewChannel).volume = volume_->value();
                if (r.outcome != ExtractResult::Outcome::Written ||
                    !KAE__Channel_Load_Sound(kPreviewChannel, file) ||
                    !KAE__Channel_SetVolume(kPreviewChannel) ||
                    !KAE__Channel_Play(kPreviewChannel, true, false)) {
                    status_->setText(txt(texts::CdPlaybackError));
                    previewTrack_ = -1;
                    return;
                }
                previewPlaying_ = true;
                position_->setRange(0,
                                    static_cast<int>(KAE__Channel_GetLengthInSec(kPreviewChannel)));
                positionTimer_->start();
            },
            Qt::QueuedConnection);
    });
}

void ToolsCdPage::stopPreview() {
    positionTimer_->stop();
    if (previewPlaying_)
        KAE__Channel_Stop(kPreviewChannel);
    previewPlaying_ = false;
}

void ToolsCdPage::updatePreviewPosition() {
    if (!previewPlaying_)
        return;
    const qint64 pos = KAE__Channel_GetPositionInSec(kPreviewChannel);
    const qint64 len = KAE__Channel_GetLengthInSec(kPreviewChannel);
    if (!position_->isSliderDown())
        position_->setValue(static_cast<int>(pos));
    positionText_->setText(txt(texts::CdProgress).arg(minutes(pos), minutes(len)));
    if (KAE__Channel_IsStopped(kPreviewChannel)) {
        // The end of a track moves on to the next one, unless it was the last.
        previewPlaying_ = false;
        positionTimer_->stop();
        if (previewTrack_ >= 0 && previewTrack_ + 1 < tracks_->count()) {
            tracks_->setCurrentRow(previewTrack_ + 1);
            playPreview();
        }
    }
}

void ToolsCdPage::releaseCdDrive() {
    driveTimer_->stop();
    stopPreview();
    if (worker_) {
        stopRequest_ = true;
        worker_->join();
        worker_.reset();
    }
    setDoorLocked(false);
}

} // namespace kalvor
