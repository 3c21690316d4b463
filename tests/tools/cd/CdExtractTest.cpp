// CD extraction through the real libcdio and paranoia, from a BIN/CUE image made here: a
// mixed-mode disc with a data track first and two audio tracks of known samples.
#include "support/TestEnvironment.h"
#include "tools/cd/CdDrive.h"

#include <QFile>
#include <QtEndian>

#include <tuple>

#include <gtest/gtest.h>

#include <random>

namespace kalvor::test {
namespace {

using namespace cd;

constexpr int kDataSectors = 40;
constexpr int kAudio2Sectors = 150;  // 2 s
constexpr int kAudio3Sectors = 1500; // 20 s

struct Image {
    QString cue;
    QString bin;
    QByteArray track2; // the PCM bytes of each audio track, as on the disc
    QByteArray track3;
};

QByteArray noise(int sectors, unsigned seed) {
    std::mt19937 rng(seed);
    QByteArray b(static_cast<qsizetype>(sectors * kSectorBytes), Qt::Uninitialized);
    for (char& c : b)
        c = static_cast<char>(rng());
    return b;
}

Image makeImage(const QString& name, const QByteArray& cueText = {}) {
    Image img;
    const QString dir = freshFolder(name);
    img.cue = dir + QStringLiteral("/disc.cue");
    img.bin = dir + QStringLiteral("/disc.bin");
    img.track2 = noise(kAudio2Sectors, 2);
    img.track3 = noise(kAudio3Sectors, 3);
    writeFile(img.bin, QByteArray(kDataSectors * kSectorBytes, '\0') + img.track2 + img.track3);
    const QByteArray mixed =
        "FILE \"disc.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n"
        "    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:00:40\r\n"
        "  TRACK 03 AUDIO\r\n    INDEX 01 00:02:40\r\n";
    writeFile(img.cue, cueText.isEmpty() ? mixed : cueText);
    return img;
}

struct Wav {
    quint32 riffSize = 0;
    quint32 dataSize = 0;
    quint16 channels = 0;
    quint32 rate = 0;
    quint16 bits = 0;
    QByteArray data;
    qint64 fileSize = 0;
};

Wav readWav(const QString& path) {
    const QByteArray b = readFile(path);
    Wav w;
    w.fileSize = b.size();
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 8) != "WAVEfmt " ||
        b.mid(36, 4) != "data")
        return w;
    w.riffSize = qFromLittleEndian<quint32>(b.constData() + 4);
    w.channels = qFromLittleEndian<quint16>(b.constData() + 22);
    w.rate = qFromLittleEndian<quint32>(b.constData() + 24);
    w.bits = qFromLittleEndian<quint16>(b.constData() + 34);
    w.dataSize = qFromLittleEndian<quint32>(b.constData() + 40);
    w.data = b.mid(44);
    return w;
}

// The first sector where the extracted bytes differ from the disc's, -1 when none.
int firstDifferentSector(const QByteArray& got, const QByteArray& disc) {
    for (qsizetype at = 0; at < got.size(); at += kSectorBytes)
        if (got.mid(at, kSectorBytes) != disc.mid(at, kSectorBytes))
            return static_cast<int>(at / kSectorBytes);
    return got.size() == disc.size() ? -1 : static_cast<int>(got.size() / kSectorBytes);
}

TEST(CdImage, TrackListShowsLengthsAndMarksTheDataTrack) {
    quietLibcdio();
    const Image img = makeImage(QStringLiteral("list"));
    QString error;
    auto drive = CdDrive::open(img.cue, &error);
    ASSERT_TRUE(drive) << error.toStdString();
    EXPECT_EQ(drive->state(), DriveState::Ready);
    const auto tracks = drive->tracks();
    ASSERT_TRUE(tracks);
    ASSERT_EQ(tracks->size(), 3u);
    EXPECT_FALSE((*tracks)[0].audio);
    EXPECT_TRUE((*tracks)[1].audio);
    EXPECT_EQ((*tracks)[1].sectors, kAudio2Sectors);
    EXPECT_EQ((*tracks)[2].listText(), QStringLiteral("Track 3\t00:20"));
}

TEST(CdImage, AudioTracksExtractSampleForSampleAndTheDataTrackIsRefused) {
    quietLibcdio();
    const Image img = makeImage(QStringLiteral("extract"));
    const QString folder = freshFolder(QStringLiteral("extract-out"));
    std::atomic<bool> stop{false};
    const struct {
        int track;
        const QByteArray* pcm;
    } rows[] = {{2, &img.track2}, {3, &img.track3}};
    for (const auto& row : rows) {
        const QString path = defaultTrackFileName(folder, row.track);
        const ExtractResult r = extractTrack(img.cue, row.track, path, stop);
        ASSERT_EQ(r.outcome, ExtractResult::Outcome::Written) << "track " << row.track;
        const Wav w = readWav(path);
        EXPECT_EQ(std::tie(w.channels, w.rate, w.bits), std::make_tuple(2, 44100u, 16));
        EXPECT_EQ(w.dataSize, static_cast<quint32>(row.pcm->size()));
        EXPECT_EQ(firstDifferentSector(w.data, *row.pcm), -1) << "track " << row.track;
    }
    EXPECT_EQ(defaultTrackFileName(folder, 3), folder + QStringLiteral("/TRACK 3.WAV"));
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/TRACK 3.WAV")));

    const ExtractResult data = extractTrack(img.cue, 1, folder + QStringLiteral("/d.wav"), stop);
    EXPECT_EQ(data.outcome, ExtractResult::Outcome::NoAudioTrack);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/d.wav")));
}

// A stop, and a disc that vanishes halfway (its image cut short while being read), both
// leave a wave file whose header matches the samples written, each of them right.
TEST(CdImage, StopOrVanishedDiscLeavesAValidWaveFileOfWhatWasRead) {
    quietLibcdio();
    const struct {
        const char* name;
        bool vanish;
        ExtractResult::Outcome outcome;
    } rows[] = {{"stop", false, ExtractResult::Outcome::Stopped},
                {"vanish", true, ExtractResult::Outcome::ReadError}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Image img = makeImage(QStringLiteral("cut-%1").arg(QLatin1String(row.name)));
        const QString path = freshFolder(QStringLiteral("cut-out")) + QStringLiteral("/cut.wav");
        std::atomic<bool> stop{false};
        const ExtractResult r = extractTrack(img.cue, 3, path, stop, [&](qint64 done, qint64) {
            if (done < kSectorBytes * 100)
                return;
            if (row.vanish)
                QFile(img.bin).resize((kDataSectors + kAudio2Sectors + 400) * kSectorBytes);
            else
                stop = true;
        });
        EXPECT_EQ(r.outcome, row.outcome);
        const Wav w = readWav(path);
        EXPECT_EQ(w.riffSize, static_cast<quint32>(w.fileSize - 8));
        EXPECT_EQ(w.dataSize, static_cast<quint32>(w.data.size()));
        EXPECT_GT(w.data.size(), 0);
        EXPECT_LT(w.data.size(), img.track3.size());
        EXPECT_EQ(w.data.size(), r.framesWritten * 4);
        EXPECT_EQ(firstDifferentSector(w.data, img.track3.left(w.data.size())), -1);
    }
}

TEST(CdImage, ImageWithABadCueLineIsRefused) {
    quietLibcdio();
    const Image img =
        makeImage(QStringLiteral("badcue"), "FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n"
                                            "    INDEX 01 00:xx:00\r\n");
    QString error;
    EXPECT_FALSE(CdDrive::open(img.cue, &error));
    EXPECT_EQ(error, img.cue);
}

} // namespace
} // namespace kalvor::test
