// The decoders: every format opens with the right rate, channels and bits, reports the
// length that reading really yields, and seeks to the exact frame; bad files fail with a
// message instead of crashing. Sound files are made at test time.
#include "engine/decode/Decoder.h"

#include "TestMedia.h"
#include "support/SineFit.h"
#include "support/TestEnvironment.h"

#include <QProcess>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string_view>
#include <thread>

using namespace kalvor::engine;
using namespace Qt::StringLiterals;
using kalvor::testmedia::Format;
namespace media = kalvor::testmedia;

namespace {

using enum DecoderRoute;

constexpr std::int64_t kFrames = 110250; // 2.5 s at 44.1 kHz; past one ramp period

struct FormatCase {
    const char* name;
    Format format;
    int rate;
    int channels;
    int bits;
    const char* codec;
    DecoderRoute route;
    // Allowed length minus source length (the reported length must equal what reading
    // yields in every case). Lossless and gapless formats are exact; MPEG without a header
    // and Layer I/II decode to whole codec frames (1,152 or 384 frames; Layer I also
    // carries the 481-frame synthesis delay of our encoder). WMA is as exact as FFmpeg
    // allows: ASF records no encoder delay or padding, WMA decodes to whole 2,048-frame
    // codec frames and FFmpeg's encoder drops the last partial one, so for this signal
    // the file comes out up to two codec frames short of its source.
    std::int64_t minExtra;
    std::int64_t maxExtra;
};

const FormatCase kFormats[] = {
    {"wav16", Format::Wav16, 44100, 2, 16, "wav", Main, 0, 0},
    {"wav24", Format::Wav24, 48000, 1, 24, "wav", Main, 0, 0},
    {"wav32", Format::Wav32, 44100, 2, 32, "wav", Main, 0, 0},
    {"wavfloat", Format::WavFloat, 22050, 2, 32, "wav", Main, 0, 0},
    {"aiff", Format::Aiff, 44100, 2, 16, "aiff", Main, 0, 0},
    {"flac", Format::Flac, 48000, 2, 16, "flac", Main, 0, 0},
    {"mp1", Format::Mp1, 48000, 2, 16, "mp1", Main, 481, 481 + 383},
    {"mp2", Format::Mp2, 44100, 2, 16, "mp2", Main, 0, 1151},
    {"mp3", Format::Mp3, 44100, 2, 16, "mp3", Main, 0, 0},
    {"mp3noxing", Format::Mp3NoXing, 44100, 1, 16, "mp3", Main, 0, 2 * 1152 + 1151},
    // Rich sound first, then quiet: a length guessed from the first frames' bit rate is
    // far too short, and libsndfile would stop reading there.
    {"mp3vbrnoxing", Format::Mp3VbrNoXing, 44100, 2, 16, "mp3", Main, 0, 2 * 1152 + 1151},
    {"ogg", Format::Ogg, 44100, 2, 16, "ogg", Main, 0, 0},
    {"wma", Format::Wma, 44100, 2, 16, "wma", Wma, -2 * 2048, 0},
};

void PrintTo(const FormatCase& c, std::ostream* out) {
    *out << c.name;
}

// In reads of `frames`: long ones span many of a decoder's internal chunks and stop short
// at the end of the file.
std::vector<float> readToEnd(Decoder& decoder, std::int64_t frames = 4000) {
    const int channels = decoder.format().channels;
    std::vector<float> all;
    std::vector<float> chunk(std::size_t(frames * channels));
    while (const std::int64_t n = decoder.read(chunk.data(), frames))
        all.insert(all.end(), chunk.begin(), chunk.begin() + n * channels);
    return all;
}

// Lossless formats carry the frame-index ramp, lossy ones noise (every frame differs from
// its neighbours, so a seek off by one frame cannot pass the comparison), loud for its
// first fifth and quiet after, which makes variable bit rates vary.
QString formatFile(const FormatCase& c) {
    static std::map<std::string, QString> made;
    QString& path = made[c.name];
    if (!path.isEmpty())
        return path;
    const QString folder = kalvor::test::testHome() + u"/decode-formats"_s;
    if (media::isLossless(c.format))
        return path = media::makeRamp(folder, c.name, c.format, c.rate, c.channels, kFrames);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> samples(std::size_t(kFrames * c.channels));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = uniform(random) * (i < samples.size() / 5 ? 0.5f : 0.01f);
    return path = media::makeSound(folder, c.name, c.format, c.rate, c.channels, samples);
}

const FormatCase& formatCase(std::string_view name) {
    return *std::find_if(std::begin(kFormats), std::end(kFormats),
                         [name](const FormatCase& c) { return name == c.name; });
}

QString formatFile(std::string_view name) {
    return formatFile(formatCase(name));
}

class DecoderFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DecoderFormats, reportsFormatAndTheLengthThatReadingYields) {
    const FormatCase& c = GetParam();
    const QString path = formatFile(c);
    ASSERT_FALSE(path.isEmpty());
    QString error;
    auto decoder = openDecoder(path, c.route, &error);
    ASSERT_TRUE(decoder) << error.toStdString();
    const AudioFormat& f = decoder->format();
    EXPECT_EQ(std::tuple(f.sampleRate, f.channels, f.fileBits, f.codec),
              std::tuple(c.rate, c.channels, c.bits, QString::fromLatin1(c.codec)));

    const std::vector<float> all = readToEnd(*decoder, 70001);
    const std::int64_t decoded = std::int64_t(all.size()) / c.channels;
    EXPECT_EQ(f.frames, decoded) << "reported length differs from what plays";
    // Lossless: every sample exact (16-bit ones are scaled by value / 32768).
    std::int64_t wrong = 0;
    for (std::size_t i = 0; media::isLossless(c.format) && i < all.size(); ++i)
        wrong += all[i] != media::rampValue(std::int64_t(i) / c.channels, int(i) % c.channels);
    EXPECT_EQ(wrong, 0);
    EXPECT_GE(f.frames - kFrames, c.minExtra);
    EXPECT_LE(f.frames - kFrames, c.maxExtra);
}

TEST_P(DecoderFormats, seeksLandOnTheExactFrame) {
    const FormatCase& c = GetParam();
    const QString path = formatFile(c);
    ASSERT_FALSE(path.isEmpty());
    auto straight = openDecoder(path, c.route);
    ASSERT_TRUE(straight);
    const std::vector<float> reference = readToEnd(*straight);
    auto decoder = openDecoder(path, c.route);
    ASSERT_TRUE(decoder);
    const std::int64_t length = decoder->format().frames;
    const int channels = c.channels;

    // Forwards, backwards, near both ends, across the ramp's wrap, and short hops ahead of
    // where the previous read ended (2,048 frames after its seek).
    const std::int64_t targets[] = {
        length / 2 + 3,     1,     65536 + 17,   12345,        length - 1, 0, 40001,
        40001 + 2048 + 700, 90000, 90000 + 2048, length - 1500};
    for (std::int64_t target : targets) {
        SCOPED_TRACE(target);
        ASSERT_TRUE(decoder->seek(target));
        std::vector<float> got(std::size_t(2048 * channels));
        const std::int64_t n = decoder->read(got.data(), 2048);
        ASSERT_EQ(n, std::min<std::int64_t>(2048, length - target));
        float worst = 0.0f;
        for (std::int64_t i = 0; i < n * channels; ++i) {
            const float expected = media::isLossless(c.format)
                                       ? media::rampValue(target + i / channels, int(i % channels))
                                       : reference[std::size_t(target * channels + i)];
            worst = std::max(worst, std::abs(got[std::size_t(i)] - expected));
        }
        EXPECT_LE(worst, 1e-6f) << c.name << " differs after a seek to " << target;
    }
    ASSERT_TRUE(decoder->seek(length));
    float sink[16];
    EXPECT_EQ(decoder->read(sink, 1), 0);
    EXPECT_FALSE(decoder->seek(length + 1));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, DecoderFormats, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

// FFmpeg is a plugin loaded on first use. Without it only the WMA route fails, with a
// message that names the plugin; every other format, MPEG without a length header too,
// opens at its exact length. Run in a child process, which loads (or misses) the plugin
// afresh.
TEST(DecoderPlugin, withoutTheFfmpegPluginOnlyWmaFailsAndSaysWhy) {
    for (const FormatCase& c : kFormats)
        ASSERT_FALSE(formatFile(c).isEmpty()) << c.name;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            qputenv("KALVOR_FFMPEG_PLUGIN", "/nonexistent/kalvor-ffmpeg.so");
            int wrong = 0;
            for (const FormatCase& c : kFormats) {
                QString error;
                auto decoder = openDecoder(formatFile(c), c.route, &error);
                const bool needsFfmpeg = c.route == Wma;
                if (bool(decoder) == needsFfmpeg ||
                    (decoder && decoder->format().frames !=
                                    std::int64_t(readToEnd(*decoder).size()) / c.channels)) {
                    std::fprintf(stderr, "%s: wrong outcome\n", c.name);
                    ++wrong;
                }
                if (needsFfmpeg)
                    std::fprintf(stderr, "%s\n", qUtf8Printable(error));
            }
            std::exit(wrong);
        },
        ::testing::ExitedWithCode(0),
        "Needs the FFmpeg decoder plugin, which cannot be loaded: not found "
        "\\(looked for /nonexistent/kalvor-ffmpeg.so\\)");
}

// A 5.1 file must not swap its centre and fronts: Vorbis orders surround channels
// differently from WAV and FLAC, and every decoder delivers the WAV order. Each channel
// carries its own frequency (levels alone would not do: Vorbis codes the LFE channel
// loosely).
TEST(DecoderChannels, surroundChannelsComeInWavOrderFromEveryFormat) {
    const QString folder = kalvor::test::freshFolder(u"decode-channels"_s);
    constexpr int channels = 6;
    constexpr std::int64_t frames = 24000;
    constexpr double hz[channels] = {300, 500, 700, 100, 900, 1100}; // FL FR FC LFE BL BR
    std::vector<float> samples(std::size_t(frames * channels));
    for (std::int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            samples[std::size_t(f * channels + c)] =
                0.3f * float(std::sin(2.0 * 3.14159265358979 * hz[c] * double(f) / 48000.0));
    for (Format format : {Format::Wav16, Format::Flac, Format::Ogg}) {
        const std::string name = media::extensionOf(format).toStdString();
        const QString path = media::makeSound(folder, "surround" + media::extensionOf(format),
                                              format, 48000, channels, samples);
        ASSERT_FALSE(path.isEmpty());
        auto decoder = openDecoder(path, Main);
        ASSERT_TRUE(decoder);
        ASSERT_EQ(decoder->format().channels, channels);
        const std::vector<float> decoded = readToEnd(*decoder);
        ASSERT_GE(std::int64_t(decoded.size()), frames * channels);
        // Each channel's own tone over the middle half second; another channel's fits to
        // next to nothing.
        for (int c = 0; c < channels; ++c)
            EXPECT_GT(kalvor::test::fitSine(&decoded[std::size_t(frames / 4 * channels + c)],
                                            frames / 2, channels, hz[c] / 48000.0)
                          .amplitude,
                      0.2)
                << name << " channel " << c;
    }
}

// The disk thread reads ahead for many channels at once: decoders on different threads
// must not share state, whatever the back end.
TEST(DecoderThreads, decodersOnSeveralThreadsReadWhatOneAloneReads) {
    const FormatCase* files[] = {&formatCase("flac"), &formatCase("mp3"), &formatCase("ogg"),
                                 &formatCase("wma")};
    std::vector<std::vector<float>> references;
    for (const FormatCase* c : files) {
        ASSERT_FALSE(formatFile(*c).isEmpty()) << c->name;
        auto decoder = openDecoder(formatFile(*c), c->route);
        ASSERT_TRUE(decoder);
        references.push_back(readToEnd(*decoder));
    }
    std::vector<int> mismatches(8, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            const std::size_t i = std::size_t(t) % std::size(files);
            for (int round = 0; round < 3; ++round) {
                auto decoder = openDecoder(formatFile(*files[i]), files[i]->route);
                if (!decoder || !decoder->seek(1000 * (t + 1))) {
                    ++mismatches[std::size_t(t)];
                    continue;
                }
                const std::vector<float> rest = readToEnd(*decoder);
                mismatches[std::size_t(t)] +=
                    !std::equal(rest.begin(), rest.end(), references[i].begin() + 2000 * (t + 1),
                                references[i].end());
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(8, 0));
}

// Damaged, empty, misnamed and wrongly routed files: each either fails with a message or,
// where the sound inside is still good, opens at the length that really plays.
TEST(DecoderBadInput, failsWithAMessageOrOpensWhatIsReallyThere) {
    const QString folder = kalvor::test::freshFolder(u"decode-bad"_s);
    // The formats' own files: long enough to cut in the middle of sound.
    const QString wav = formatFile("wav16"), mp3 = formatFile("mp3"), ogg = formatFile("ogg"),
                  wma = formatFile("wma"), flac = formatFile("flac");
    const auto bytesOf = &kalvor::test::readFile;
    auto put = [&](const QString& name, const QByteArray& bytes) {
        kalvor::test::writeFile(folder + QLatin1Char('/') + name, bytes);
        return folder + QLatin1Char('/') + name;
    };
    const QByteArray text("Act one, scene two: thunder, then the door bell.\r\n");
    // An ID3v2.4 tag of 64 bytes of padding, as some taggers put before any file.
    const QByteArray id3 = QByteArray("ID3\x04\x00\x00\x00\x00\x00\x40", 10) + QByteArray(64, '\0');
    QByteArray noiseBytes(100000, '\0');
    std::mt19937 random(3);
    for (char& b : noiseBytes)
        b = char(random() & 0xff);

    // what, path, route, whether it opens, frames that must play when it does
    using Row = std::tuple<const char*, QString, DecoderRoute, bool, std::int64_t>;
    const Row cases[] = {
        {"missing file", folder + "/nothing.wav", Main, false, 0},
        {"zero-length file", put("empty.wav", {}), Main, false, 0},
        {"WAV cut inside its header", put("cut-header.wav", bytesOf(wav).left(30)), Main, false, 0},
        {"Ogg cut in its headers", put("cut-header.ogg", bytesOf(ogg).left(3000)), Main, false, 0},
        {"text named .wav", put("text.wav", text.repeated(20)), Main, false, 0},
        {"random bytes named .mp3", put("random.mp3", noiseBytes), Main, false, 0},
        {"text named .ogg", put("text.ogg", text.repeated(20)), Main, false, 0},
        {"text named .wma", put("text.wma", text.repeated(20)), Wma, false, 0},
        {"WMA on the main route", wma, Main, false, 0},
        {"MP3 on the WMA route", put("song.wma", bytesOf(mp3)), Wma, false, 0},
        {"WAV on the WMA route", wav, Wma, false, 0},
        {"MP3 named .wav", put("song.wav", bytesOf(mp3)), Main, true, 88200},
        {"FLAC behind an ID3 tag", put("tagged.flac", id3 + bytesOf(flac)), Main, true, 88200},
        {"two MP3 files joined", put("joined.mp3", bytesOf(mp3) + bytesOf(mp3)), Main, true,
         2 * 88200},
        {"WAV cut inside its data", put("cut-data.wav", bytesOf(wav).left(100000)), Main, true, 1},
        {"MP3 with header, cut short", put("cut.mp3", bytesOf(mp3).left(bytesOf(mp3).size() / 2)),
         Main, true, 1},
        {"Ogg cut short", put("cut.ogg", bytesOf(ogg).left(bytesOf(ogg).size() / 2)), Main, true,
         1},
        {"WMA cut short", put("cut.wma", bytesOf(wma).left(bytesOf(wma).size() / 2)), Wma, true, 1},
        {"non-ASCII name", put(u"Szene \u00e4 \u266b.wav"_s, bytesOf(wav)), Main, true, 1},
    };
    for (const auto& [what, path, route, opens, atLeast] : cases) {
        SCOPED_TRACE(what);
        QString error;
        auto decoder = openDecoder(path, route, &error);
        if (!opens) {
            EXPECT_FALSE(decoder);
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        ASSERT_TRUE(decoder) << error.toStdString();
        const std::int64_t decoded =
            std::int64_t(readToEnd(*decoder).size()) / decoder->format().channels;
        EXPECT_GE(decoded, atLeast);
        EXPECT_EQ(decoder->format().frames, decoded);
    }
}

// Odd but real files: sample sizes, channel counts and rates at the edges, headers that
// lie about the length, tags around MPEG frames. Each file is made from one frame-index
// ramp, so every decoder must give the ramp's length, read exactly that many frames, and
// land on the ramp's own first and last frame after a seek.
namespace test = kalvor::test;

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
    constexpr std::int64_t kLength = 30011;
    const QString stereo =
        media::makeRamp(folder, u"stereo.wav"_s, Format::Wav16, 44100, 2, kLength);
    const QString six = media::makeRamp(folder, u"six.wav"_s, Format::Wav16, 48000, 6, kLength);
    const QString eight =
        media::makeRamp(folder, u"eight.wav"_s, Format::Wav16, 192000, 8, kLength);
    const QString mono = media::makeRamp(folder, u"mono.wav"_s, Format::Wav16, 22050, 1, kLength);
    const QString one = media::makeRamp(folder, u"one.wav"_s, Format::Wav16, 44100, 2, 1);
    const QByteArray stereoBytes = test::readFile(stereo);
    const int dataSize = dataSizeOffset(stereoBytes);

    const auto joined = [&](const char* name, const QString& a, const QString& b) {
        test::writeFile(in(name), test::readFile(a) + test::readFile(b));
        return a.isEmpty() || b.isEmpty() ? QString() : in(name);
    };
    const QStringList noHeader{u"-c:a"_s, u"libmp3lame"_s, u"-write_xing"_s, u"0"_s};
    const OddCase cases[] = {
        {"8-bit unsigned", sox(stereo, in("u8.wav"), {u"-b"_s, u"8"_s}), kLength, 2, 44100,
         1.f / 64},
        {"64-bit float",
         sox(stereo, in("f64.wav"), {u"-e"_s, u"floating-point"_s, u"-b"_s, u"64"_s}), kLength, 2,
         44100, 0},
        {"24-bit extensible 6 ch", sox(six, in("six24.wav"), {u"-b"_s, u"24"_s}), kLength, 6, 48000,
         0},
        {"8 ch 192 kHz", eight, kLength, 8, 192000, 0},
        {"mono 22.05 kHz", mono, kLength, 1, 22050, 0},
        {"one frame", one, 1, 2, 44100, 0},
        {"data size 0", patched(stereo, in("size0.wav"), dataSize, 0), kLength, 2, 44100, 0},
        {"data size FFFFFFFF", patched(stereo, in("sizeff.wav"), dataSize, 0xffffffffu), kLength, 2,
         44100, 0},
        {"RIFF size 0", patched(stereo, in("riff0.wav"), 4, 0), kLength, 2, 44100, 0},
        {"RF64", ffmpeg(stereo, in("rf64.wav"), {u"-rf64"_s, u"always"_s}), kLength, 2, 44100, 0},
        {"AIFF 24-bit", sox(stereo, in("a24.aiff"), {u"-b"_s, u"24"_s}), kLength, 2, 44100, 0},
        {"AIFC float", sox(stereo, in("af.aifc"), {u"-e"_s, u"floating-point"_s}), kLength, 2,
         44100, 0},
        {"FLAC 24-bit 96 kHz", sox(stereo, in("f24.flac"), {u"-b"_s, u"24"_s, u"-r"_s, u"96000"_s}),
         -1, 2, 96000, -1},
        {"FLAC 8 ch", sox(eight, in("eight.flac"), {}), kLength, 8, 192000, 0},
        {"Opus in Ogg", ffmpeg(stereo, in("opus.ogg"), {u"-c:a"_s, u"libopus"_s}), -1, 2, 48000,
         -1},
        {"AAC in MP4", ffmpeg(stereo, in("aac.m4a"), {u"-c:a"_s, u"aac"_s}), -1, 2, 44100, -1},
        {"FLAC in Ogg", ffmpeg(stereo, in("flac.oga"), {u"-c:a"_s, u"flac"_s}), kLength, 2, 44100,
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
         kLength, 2, 44100, 0},
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
        const std::vector<float> all = readToEnd(*decoder);
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
        const std::vector<float> once = readToEnd(*plain);
        std::vector<float> expected;
        for (int i = 0; i < r.times; ++i)
            expected.insert(expected.end(), once.begin(), once.end());
        EXPECT_EQ(decoder->format().frames * 2, std::int64_t(expected.size()));
        const std::vector<float> all = readToEnd(*decoder);
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
