// CD drives and discs through libcdio: the drive list, the door and disc state the drive
// timer shows, the track list, the door lock, and the extraction of one audio track into a
// wave file through libcdio-paranoia's error-corrected reading. A ".cue" image opens as a
// drive of its own, so operators can rip from an image and the tests use the very same
// path. Not thread-affine, but one CdDrive belongs to one thread at a time (the extraction
// opens its own).
#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

typedef struct _CdIo CdIo_t;

namespace kalvor::cd {

constexpr int kCdRate = 44100;
constexpr int kCdChannels = 2;
constexpr qint64 kSectorBytes = 2352;
constexpr qint64 kSectorsPerSecond = 75;

struct DriveEntry {
    QString device;      // "/dev/sr0", or the image's path
    QString description; // vendor and model, or the image's file name
    // "/dev/sr0: HL-DT-ST DVDRAM": what the drive list shows.
    QString listText() const { return device + QStringLiteral(": ") + description; }
};

// The machine's CD drives, in libcdio's order.
std::vector<DriveEntry> listDrives();

enum class DriveState { Waiting, DoorOpen, Ready };

struct Track {
    int number = 0;
    bool audio = true;
    int firstSector = 0;
    int sectors = 0;
    qint64 bytes() const { return sectors * kSectorBytes; }
    // "Track 3\t04:12": what the track list shows (minutes and seconds, two digits each).
    QString listText() const;
};

class CdDrive {
public:
    // A device or a ".cue" image; nullptr with `error` set when it cannot be opened.
    static std::unique_ptr<CdDrive> open(const QString& device, QString* error);
    ~CdDrive();
    CdDrive(const CdDrive&) = delete;
    CdDrive& operator=(const CdDrive&) = delete;

    bool isImage() const { return image_; }
    DriveState state() const;
    // nullopt when the number of tracks cannot be read.
    std::optional<std::vector<Track>> tracks() const;
    bool setDoorLocked(bool locked);
    bool eject();

private:
    CdDrive(CdIo_t* cdio, bool image) : cdio_(cdio), image_(image) {}
    CdIo_t* cdio_;
    bool image_;
};

struct ExtractResult {
    enum class Outcome {
        Written,
        Stopped,
        NoDisc,
        NoAudioTrack,
        StreamError,
        WriteError,
        ReadError
    };
    Outcome outcome = Outcome::Written;
    qint64 framesWritten = 0;
    int failedSector = -1; // with ReadError
    QString detail;
};

// Reads `track` of `device` into a 16-bit stereo 44.1 kHz wave file at `path`. The header
// is brought up to date with every block written, so the file is valid whenever it is
// looked at: after a stop, a read error or a crash. `stop` is polled between sectors;
// `progress` gets bytes done and the track's bytes.
ExtractResult extractTrack(const QString& device, int track, const QString& path,
                           const std::atomic<bool>& stop,
                           const std::function<void(qint64, qint64)>& progress = {});

// The name used when the operator is not asked: folder + "TRACK " + number + ".WAV".
QString defaultTrackFileName(const QString& folder, int track);

// Silences libcdio's own messages on stderr (the program reports what matters itself).
void quietLibcdio();

} // namespace kalvor::cd
