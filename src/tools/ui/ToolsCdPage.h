// The "CD Ripping" page of the tools window: the drive list (with disc images), the track
// list, the drive timer, the door lock, the preview through the engine's preview channel,
// and the extraction of one track into a wave file. UI thread.
#pragma once

#include "tools/cd/CdDrive.h"

#include <QTemporaryDir>
#include <QWidget>

#include <atomic>
#include <memory>
#include <thread>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSlider;
class QTimer;

namespace kalvor {

class Settings;
class ShowStore;

class ToolsCdPage : public QWidget {
    Q_OBJECT
public:
    ToolsCdPage(Settings& settings, ShowStore& store, QWidget* parent = nullptr);
    ~ToolsCdPage() override;

    QComboBox* cmbCDDrives() const { return drives_; }
    QListWidget* CDTracks() const { return tracks_; }
    QLabel* lblCDExtractPath() const { return path_; }
    QCheckBox* chkCDAskForFilename() const { return askName_; }
    QPushButton* btnExtract() const { return extract_; }
    QLabel* status() const { return status_; }
    QTimer* tmrCDLoad() const { return driveTimer_; }

    // Lists the machine's drives, then "Disc image...".
    void fillDriveList();
    // Opens `cue` as a drive and selects it (what "Disc image..." does after its dialog).
    void addDiscImage(const QString& cue);
    // One tick of the drive timer: the state in the status line, the tracks when ready.
    void pollDrive();
    void selectCDPath();
    // The extraction button: starts, or asks a running extraction to stop.
    void Extract();
    bool isExtracting() const { return worker_ != nullptr; }
    void playPreview();
    void stopPreview();
    // Closing: the door unlocked, the preview stopped, a running extraction ended.
    void releaseCdDrive();

Q_SIGNALS:
    void extractionFinished();

private:
    void applyCaptions();
    void driveChosen(int index);
    QString currentDevice() const;
    void fillTracks(cd::CdDrive& drive);
    void setDoorLocked(bool locked);
    void finishExtraction(const cd::ExtractResult& result, const QString& path);
    void updatePreviewPosition();

    Settings& settings_;
    ShowStore& store_;
    QComboBox* drives_;
    QListWidget* tracks_;
    QLabel* path_;
    QPushButton* pathSelect_;
    QCheckBox* askName_;
    QPushButton* extract_;
    QPushButton* lock_;
    QPushButton* unlock_;
    QPushButton* eject_;
    QPushButton* play_;
    QPushButton* stop_;
    QSlider* position_;
    QSlider* volume_;
    QLabel* volumeText_;
    QLabel* positionText_;
    QLabel* status_;
    QProgressBar* progress_;
    QTimer* driveTimer_;
    QTimer* positionTimer_;

    cd::DriveState lastState_ = cd::DriveState::Waiting;
    bool stateKnown_ = false;
    std::vector<cd::Track> trackInfo_;
    std::unique_ptr<cd::CdDrive> lockedDrive_;
    std::unique_ptr<std::thread> worker_;
    std::atomic<bool> stopRequest_{false};
    int extractTrack_ = -1;
    // Preview: the track is read into a file of ours and played on the preview channel.
    QTemporaryDir previewFolder_;
    int previewTrack_ = -1;
    bool previewPlaying_ = false;
};

} // namespace kalvor
