// Odd but real files: sample sizes, channel counts and rates at the edges, headers that
// lie about the length, tags around MPEG frames. Each file is made from one frame-index
// ramp, so every decoder must give the ramp's length, read exactly that many frames, and
// land on the ramp's own first and last frame after a seek.
#include "engine/decode/Decoder.h"

#include "TestMedia.h"
#include "support/TestEnvironment.h"

#include <QProcess>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>

using namespace kalvor::engine;
using namespace Qt::StringLiterals;
using kalvor::testmedia::Format;
namespace media = kalvor::testmedia;
namespace test = kalvor::test;

namespace {

bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitCode() == 0;
}

// sox from the ramp WAV `source` to `target` with the output options given.
QString sox(const QString& source, const QString& target, const QStringList& options) {
    return run(u"sox"_s, QStringList{source} + options + QStringList{target}) ? target : QString();
}

QString ffmpeg(const QString& source, const QString& target, const QStringList& options) {
    return run(u"ffmpeg"_s, QStringList{u"-v"_s, u"error"_s, u"-y"_s, u"-i"_s, source} + options +
                                QStringList{target})
               ? target
               : QString();
}

// The WAV's "data" chunk size field (or any 32-bit field at `offset`) set to `value`.
QString patched(const QString& source, const QString& target, int offset, quint32 value) {
    QByteArray bytes = test::readFile(source);
    qToLittleEndian(value, bytes.data() + offset);
    test::writeFile(target, bytes);
    return target;
}

int dataSizeOffset(const QByteArray& wav) {
    return int(wav.indexOf("data")) + 4;
}

std::vector<float> readAll(Decoder& decoder) {
    const int channels = decoder.format().channels;
    std::vector<float> all, chunk(std::size_t(3000 * channels));
    while (const std::int64_t n = decoder.read(chunk.data(), 3000))
        all.insert(all.end(), chunk.begin(), chunk.begin() + n * channels);
    return all;
}

std::vector<float> frameAt(Decoder& decoder, std::int64_t frame) {
    std::vector<float> out(std::size_t(decoder.format().channels));
    if (!decoder.seek(frame) || decoder.read(out.data(), 1) != 1)
        return {};
    return out;
}

struct OddCase {
    const char* what;
    QString path;
    std::int64_t frames; // what must play
    int channels;
    int rate;        // 0: either of the file's rates
    float tolerance; // for the ramp's values: 8-bit and lossy formats are not exact
};

TEST(DecoderOddFiles, reportTheLengthTheyPlayAndSeekToTheirEnds) {
    const QString folder = test::freshFolder(u"decode-odd"_s);
    const auto in = [&](const char* name) {
        return folder + u'/' + QLatin1String(name);
    };
    constexpr std::int64_t kFrames = 30011;
    const QString stereo =
        media::makeRamp(folder, u"stereo.wav"_s, Format::Wav16, 44100, 2, kFrames);
    const QString six = media::makeRamp(folder, u"six.wav"_s, Format::Wav16, 48000, 6, kFrames);
    const QString eight =
        media::makeRamp(folder, u"eight.wav"_s, Format::Wav16, 192000, 8, kFrames);
    const QString mono = media::makeRamp(folder, u"mono.wav"_s, Format::Wav16, 22050, 1, kFrames);
    const QString one = media::makeRamp(folder, u"one.wav"_s, Format::Wav16, 44100, 2, 1);
    const QByteArray stereoBytes = test::readFile(stereo);
    const int dataSize = dataSizeOffset(stereoBytes);

    const auto joined = [&](const char* name, const QString& a, const QString& b) {
        test::writeFile(in(name), test::readFile(a) + test::readFile(b));
        return a.isEmpty() || b.isEmpty() ? QString() : in(name);
    };
    const QStringList noHeader{u"-c:a"_s, u"libmp3lame"_s, u"-write_xing"_s, u"0"_s};
    const OddCase cases[] = {
        {"8-bit unsigned", sox(stereo, in("u8.wav"), {u"-b"_s, u"8"_s}), kFrames, 2, 44100,
         1.f / 64},
        {"64-bit float",
         sox(stereo, in("f64.wav"), {u"-e"_s, u"floating-point"_s, u"-b"_s, u"64"_s}), kFrames, 2,
         44100, 0},
        {"24-bit extensible 6 ch", sox(six, in("six24.wav"), {u"-b"_s, u"24"_s}), kFrames, 6, 48000,
         0},
        {"8 ch 192 kHz", eight, kFrames, 8, 192000, 0},
        {"mono 22.05 kHz", mono, kFrames, 1, 22050, 0},
        {"one frame", one, 1, 2, 44100, 0},
        {"data size 0", patched(stereo, in("size0.wav"), dataSize, 0), kFrames, 2, 44100, 0},
        {"data size FFFFFFFF", patched(stereo, in("sizeff.wav"), dataSize, 0xffffffffu), kFrames, 2,
         44100, 0},
        {"RIFF size 0", patched(stereo, in("riff0.wav"), 4, 0), kFrames, 2, 44100, 0},
        {"RF64", ffmpeg(stereo, in("rf64.wav"), {u"-rf64"_s, u"always"_s}), kFrames, 2, 44100, 0},
        {"AIFF 24-bit", sox(stereo, in("a24.aiff"), {u"-b"_s, u"24"_s}), kFrames, 2, 44100, 0},
        {"AIFC float", sox(stereo, in("af.aifc"), {u"-e"_s, u"floating-point"_s}), kFrames, 2,
         44100, 0},
        {"FLAC 24-bit 96 kHz", sox(stereo, in("f24.flac"), {u"-b"_s, u"24"_s, u"-r"_s, u"96000"_s}),
         -1, 2, 96000, -1},
        {"FLAC 8 ch", sox(eight, in("eight.flac"), {}), kFrames, 8, 192000, 0},
        {"Opus in Ogg", ffmpeg(stereo, in("opus.ogg"), {u"-c:a"_s, u"libopus"_s}), -1, 2, 48000,
         -1},
        {"AAC in MP4", ffmpeg(stereo, in("aac.m4a"), {u"-c:a"_s, u"aac"_s}), -1, 2, 44100, -1},
        {"FLAC in Ogg", ffmpeg(stereo, in("flac.oga"), {u"-c:a"_s, u"flac"_s}), kFrames, 2, 44100,
         0},
        {"video first, then AAC",
         ffmpeg(stereo, in("video.mp4"),
                {u"-f"_s, u"lavfi"_s, u"-i"_s, u"testsrc=size=64x48:rate=10:duration=1"_s,
                 u"-map"_s, u"1:v"_s, u"-map"_s, u"0:a"_s, u"-c:v"_s, u"mpeg4"_s, u"-c:a"_s,
                 u"aac"_s}),
         -1, 2, 44100, -1},
        {"two FLAC streams in Matroska",
         ffmpeg(stereo, in("two.mka"),
                {u"-map"_s, u"0:a"_s, u"-map"_s, u"0:a"_s, u"-c:a"_s, u"flac"_s}),
         kFrames, 2, 44100, 0},
        {"MP3 whose rate changes from 44.1 to 48 kHz",
         joined("rates.mp3", ffmpeg(stereo, in("r44.mp3"), noHeader),
                ffmpeg(stereo, in("r48.mp3"), noHeader + QStringList{u"-ar"_s, u"48000"_s})),
         -1, 2, 0, -1},
        {"MP3 in WAV", ffmpeg(stereo, in("mp3.wav"), {u"-c:a"_s, u"libmp3lame"_s}), -1, 2, 44100,
         -1},
    };
    for (const OddCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.path.isEmpty());
        QString error;
        auto decoder = openDecoder(c.path, DecoderRoute::Main, &error);
        if (!decoder) {
            ADD_FAILURE() << error.toStdString();
            continue;
        }
        const AudioFormat& format = decoder->format();
        EXPECT_EQ(format.channels, c.channels);
        if (c.rate > 0) { // 0: either part's rate, as long as all else holds
            EXPECT_EQ(format.sampleRate, c.rate);
        }
        if (c.frames >= 0) {
            EXPECT_EQ(format.frames, c.frames);
        }
        const std::vector<float> all = readAll(*decoder);
        const std::int64_t frames = std::int64_t(all.size()) / c.channels;
        EXPECT_EQ(frames, format.frames);
        if (frames == 0)
            continue;
        for (const std::int64_t at : {std::int64_t(0), frames - 1, frames / 2}) {
            SCOPED_TRACE(at);
            const std::vector<float> got = frameAt(*decoder, at);
            ASSERT_EQ(got.size(), std::size_t(c.channels));
            for (int ch = 0; ch < c.channels; ++ch) {
                // AAC's decoder rounds differently after a seek (in the sixth digit).
                EXPECT_NEAR(got[std::size_t(ch)], all[std::size_t(at * c.channels + ch)], 1e-5);
                if (c.tolerance >= 0) {
                    EXPECT_NEAR(got[std::size_t(ch)], media::rampValue(at, ch), c.tolerance);
                }
            }
        }
        EXPECT_TRUE(decoder->seek(frames));
        float tail[16];
        EXPECT_EQ(decoder->read(tail, 1), 0);
    }
}

} // namespace

namespace {

// A minimal APEv2 tag (header, one item, footer), as taggers append to MP3 files.
QByteArray apeTag() {
    const QByteArray item = QByteArray("\x07\0\0\0\0\0\0\0", 8) + "Title" + '\0' + "Thunder";
    const auto part = [&](bool header) {
        QByteArray p("APETAGEX");
        char field[4];
        for (const quint32 v :
             {2000u, quint32(item.size() + 32), 1u, 0x80000000u | (header ? 0x20000000u : 0u)}) {
            qToLittleEndian(v, field);
            p.append(field, 4);
        }
        return p + QByteArray(8, '\0');
    };
    return part(true) + item + part(false);
}

// Every frame header of a constant-rate file whose frames are all `frameBytes` long given
// the free bit rate index: a free-format file of the same sound.
QByteArray freeFormat(QByteArray mp3, int frameBytes) {
    qsizetype at = 0;
    while (at + 1 < mp3.size() && !(uchar(mp3[at]) == 0xff && (uchar(mp3[at + 1]) & 0xe0) == 0xe0))
        ++at;
    for (; at + 4 <= mp3.size() && uchar(mp3[at]) == 0xff; at += frameBytes)
        mp3[at + 2] = char(uchar(mp3[at + 2]) & 0x0f);
    return mp3;
}

TEST(DecoderOddFiles, compressedFilesWithTagsChainsOrFreeRatesPlayAsTheirPlainSelves) {
    const QString folder = test::freshFolder(u"decode-odd-mpeg"_s);
    const auto put = [&](const char* name, const QByteArray& bytes) {
        const QString path = folder + u'/' + QLatin1String(name);
        test::writeFile(path, bytes);
        return path;
    };
    const QString mp3 = media::makeNoise(folder, u"plain"_s, Format::Mp3, 44100, 2, 40000);
    const QString cbr48 = media::makeNoise(folder, u"cbr48"_s, Format::Mp3NoXing, 48000, 2, 40000);
    const QString mp2 = media::makeNoise(folder, u"plain"_s, Format::Mp2, 48000, 2, 40000);
    const QString ogg = media::makeNoise(folder, u"plain"_s, Format::Ogg, 44100, 2, 40000);
    // The same sound again in a stream of another serial number, as a second encode has.
    const QString ogg2 =
        ffmpeg(ogg, folder + u"/other.ogg"_s, {u"-c"_s, u"copy"_s, u"-serial_offset"_s, u"7"_s});
    const QByteArray id3 =
        QByteArray("ID3\x03\x00\x00\x00\x00\x02\x00", 10) + QByteArray(256, '\0');
    const QByteArray id3v1 = QByteArray("TAG") + QByteArray(125, ' ');
    const auto bytes = &test::readFile;

    // what, file, the plain file it must decode as, how many times that one in a row
    struct Row {
        const char* what;
        QString path;
        QString plain;
        int times;
    };
    const Row rows[] = {
        {"MP3 with ID3v2, APE and ID3v1 tags",
         put("tagged.mp3", id3 + bytes(mp3) + apeTag() + id3v1), mp3, 1},
        {"MP3 with zeros between its ID3v2 tag and its first frame",
         put("padded.mp3", id3 + QByteArray(1000, '\0') + bytes(mp3)), mp3, 1},
        {"MP2 with ID3v2 and APE tags", put("tagged.mp2", id3 + bytes(mp2) + apeTag()), mp2, 1},
        {"free-format MP3", put("free.mp3", freeFormat(bytes(cbr48), 576)), cbr48, 1},
        {"two Ogg streams chained", put("chained.ogg", bytes(ogg) + bytes(ogg2)), ogg, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_FALSE(r.plain.isEmpty());
        QString error;
        auto plain = openDecoder(r.plain, DecoderRoute::Main, &error);
        ASSERT_TRUE(plain) << error.toStdString();
        auto decoder = openDecoder(r.path, DecoderRoute::Main, &error);
        if (!decoder) {
            ADD_FAILURE() << error.toStdString();
            continue;
        }
        const std::vector<float> once = readAll(*plain);
        std::vector<float> expected;
        for (int i = 0; i < r.times; ++i)
            expected.insert(expected.end(), once.begin(), once.end());
        EXPECT_EQ(decoder->format().frames * 2, std::int64_t(expected.size()));
        const std::vector<float> all = readAll(*decoder);
        ASSERT_EQ(all.size(), expected.size());
        double worst = 0;
        for (std::size_t i = 0; i < all.size(); ++i)
            worst = std::max(worst, double(std::abs(all[i] - expected[i])));
        EXPECT_LT(worst, 1e-4);
        const std::int64_t last = decoder->format().frames - 1;
        const std::vector<float> end = frameAt(*decoder, last);
        ASSERT_EQ(end.size(), 2u);
        EXPECT_NEAR(end[0], all[std::size_t(last * 2)], 1e-4);
    }
}

} // namespace
