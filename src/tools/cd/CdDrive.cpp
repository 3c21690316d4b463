#include "tools/cd/CdDrive.h"

#include <QFile>
#include <QFileInfo>

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/mmc.h>
#include <cdio/mmc_hl_cmds.h>
#include <cdio/mmc_ll_cmds.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <sndfile.h>

namespace kalvor::cd {

namespace {

bool isImagePath(const QString& device) {
    return device.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive);
}

CdIo_t* openCdio(const QString& device) {
    const QByteArray name = QFile::encodeName(device);
    return cdio_open(name.constData(), isImagePath(device) ? DRIVER_BINCUE : DRIVER_DEVICE);
}

// paranoia's callback has no user data; the extraction runs on one thread at a time per
// thread, so a thread-local counter tells its reader whether a sector failed.
thread_local int readErrors = 0;
void paranoiaCallback(long, paranoia_cb_mode_t mode) {
    if (mode == PARANOIA_CB_READERR)
        ++readErrors;
}

void silentLog(cdio_log_level_t, const char*) {}

} // namespace

void quietLibcdio() {
    cdio_log_set_handler(silentLog);
}

QString Track::listText() const {
    const int seconds = static_cast<int>(sectors / kSectorsPerSecond);
    return QStringLiteral("Track %1\t%2:%3")
        .arg(number)
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString defaultTrackFileName(const QString& folder, int track) {
    QString base = folder;
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base + QStringLiteral("TRACK %1.WAV").arg(track);
}

std::vector<DriveEntry> listDrives() {
    std::vector<DriveEntry> drives;
    char** list = cdio_get_devices(DRIVER_DEVICE);
    for (char** d = list; d && *d; ++d) {
        DriveEntry e{QFile::decodeName(*d), QStringLiteral("CD drive")};
        if (CdIo_t* cdio = cdio_open(*d, DRIVER_DEVICE)) {
            cdio_hwinfo_t hw{};
            if (cdio_get_hwinfo(cdio, &hw)) {
                const QString text = QStringLiteral("%1 %2")
                                         .arg(QString::fromLatin1(hw.psz_vendor).trimmed(),
                                              QString::fromLatin1(hw.psz_model).trimmed())
                                         .trimmed();
                if (!text.isEmpty())
                    e.description = text;
            }
            cdio_destroy(cdio);
        }
        drives.push_back(e);
    }
    if (list)
        cdio_free_device_list(list);
    return drives;
}

std::unique_ptr<CdDrive> CdDrive::open(const QString& device, QString* error) {
    CdIo_t* cdio = openCdio(device);
    if (!cdio) {
        if (error)
            *error = device;
        return nullptr;
    }
    return std::unique_ptr<CdDrive>(new CdDrive(cdio, isImagePath(device)));
}

CdDrive::~CdDrive() {
    cdio_destroy(cdio_);
}

DriveState CdDrive::state() const {
    if (!image_ && mmc_get_tray_status(cdio_) == 1)
        return DriveState::DoorOpen;
    const track_t count = cdio_get_num_tracks(cdio_);
    return count == CDIO_INVALID_TRACK || count == 0 ? DriveState::Waiting : DriveState::Ready;
}

std::optional<std::vector<Track>> CdDrive::tracks() const {
    const track_t first = cdio_get_first_track_num(cdio_);
    const track_t count = cdio_get_num_tracks(cdio_);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK)
        return std::nullopt;
    std::vector<Track> list;
    for (track_t t = first; t < first + count; ++t) {
        Track track;
        track.number = t;
        track.audio = cdio_get_track_format(cdio_, t) == TRACK_FORMAT_AUDIO;
        const lsn_t from = cdio_get_track_lsn(cdio_, t);
        const lsn_t to = cdio_get_track_last_lsn(cdio_, t);
        if (from == CDIO_INVALID_LSN || to == CDIO_INVALID_LSN || to < from)
            return std::nullopt;
        track.firstSector = from;
        track.sectors = to - from + 1;
        list.push_back(track);
    }
    return list;
}

bool CdDrive::setDoorLocked(bool locked) {
    if (image_)
        return true; // an image has no door, and nothing can take it away
    return mmc_prevent_allow_medium_removal(cdio_, false, locked, 0) == DRIVER_OP_SUCCESS;
}

bool CdDrive::eject() {
    if (image_)
        return false;
    return mmc_eject_media(cdio_) == DRIVER_OP_SUCCESS;
}

ExtractResult extractTrack(const QString& device, int trackNumber, const QString& path,
                           const std::atomic<bool>& stop,
                           const std::function<void(qint64, qint64)>& progress) {
    using Outcome = ExtractResult::Outcome;
    ExtractResult r;
    CdIo_t* cdio = openCdio(device);
    if (!cdio) {
        r.outcome = Outcome::NoDisc;
        return r;
    }
    const track_t count = cdio_get_num_tracks(cdio);
    const track_t first = cdio_get_first_track_num(cdio);
    if (count == CDIO_INVALID_TRACK || trackNumber < first || trackNumber >= first + count) {
        cdio_destroy(cdio);
        r.outcome = Outcome::NoDisc;
        return r;
    }
    const auto t = static_cast<track_t>(trackNumber);
    if (cdio_get_track_format(cdio, t) != TRACK_FORMAT_AUDIO) {
        cdio_destroy(cdio);
        r.outcome = Outcome::NoAudioTrack;
        return r;
    }
    const lsn_t from = cdio_get_track_lsn(cdio, t);
    const lsn_t to = cdio_get_track_last_lsn(cdio, t);
    cdrom_drive_t* drive = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    // A BIN image holds CD audio as it is on the disc, little-endian. Left to itself,
    // paranoia guesses the byte order from the first samples, and noise-like material
    // can make it guess wrong; a real drive keeps the guess.
    if (drive && isImagePath(device))
        drive->bigendianp = 0;
    if (!drive || cdio_cddap_open(drive) != 0) {
        if (drive)
            cdio_cddap_close_no_free_cdio(drive);
        cdio_destroy(cdio);
        r.outcome = Outcome::StreamError;
        return r;
    }
    cdrom_paranoia_t* paranoia = cdio_paranoia_init(drive);
    cdio_paranoia_modeset(paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    cdio_paranoia_seek(paranoia, from, SEEK_SET);

    SF_INFO info{};
    info.samplerate = kCdRate;
    info.channels = kCdChannels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* out = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!out) {
        r.outcome = Outcome::WriteError;
        r.detail = QString::fromUtf8(sf_strerror(nullptr));
    } else {
        // The sizes in the header follow every write, so a stop, a vanished drive or a
        // crash leaves a wave file that plays up to its last sector.
        sf_command(out, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
        const qint64 total = (to - from + 1) * kSectorBytes;
        constexpr sf_count_t kFramesPerSector = kSectorBytes / 4;
        readErrors = 0;
        for (lsn_t s = from; s <= to; ++s) {
            if (stop.load()) {
                r.outcome = Outcome::Stopped;
                break;
            }
            const int16_t* samples = cdio_paranoia_read_limited(paranoia, paranoiaCallback, 3);
            if (!samples || readErrors > 0) {
                r.outcome = Outcome::ReadError;
                r.failedSector = s;
                break;
            }
            if (sf_writef_short(out, samples, kFramesPerSector) != kFramesPerSector) {
                r.outcome = Outcome::WriteError;
                r.detail = QString::fromUtf8(sf_strerror(out));
                break;
            }
            r.framesWritten += kFramesPerSector;
            if (progress && ((s - from) % kSectorsPerSecond == 0 || s == to))
                progress((s - from + 1) * kSectorBytes, total);
        }
        if (sf_close(out) != 0 && r.outcome == Outcome::Written)
            r.outcome = Outcome::WriteError;
    }
    cdio_paranoia_free(paranoia);
    cdio_cddap_close_no_free_cdio(drive);
    cdio_destroy(cdio);
    return r;
}

} // namespace kalvor::cd
