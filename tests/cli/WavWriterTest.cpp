// The engine's WAV writer, used by kalvor-tool and the null output's recording: a short
// file has a correct plain WAV header with the room to become RF64 (which libsndfile only
// leaves when the switch is on), the samples come back, overs clip, and an atomic file
// only appears under its name once committed.
#include "cli/WavWriter.h"
#include "support/TestEnvironment.h"
#include "support/media/TestMedia.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

using namespace kalvor;
using namespace Qt::Literals::StringLiterals;

namespace {

std::uint32_t u32(const QByteArray& b, qsizetype at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}
std::uint16_t u16(const QByteArray& b, qsizetype at) {
    std::uint16_t v = 0;
    std::memcpy(&v, b.constData() + at, 2);
    return v;
}

TEST(WavWriter, ShortFilesHaveAPlainHeaderWithRoomForRf64AndTheirSamples) {
    const QString folder = test::freshFolder(u"wav-writer"_s);
    // Name, samples, commit, rate, channels, bits, format tag (1 PCM, 3 float inside
    // WAVE_FORMAT_EXTENSIBLE).
    using Row = std::tuple<const char*, audio::WavSamples, audio::WavCommit, int, int, int, int>;
    const Row cases[] = {
        {"pcm16-stereo", audio::WavSamples::Pcm16, audio::WavCommit::Atomic, 44100, 2, 16, 1},
        {"float-mono", audio::WavSamples::Float32, audio::WavCommit::Atomic, 48000, 1, 32, 3},
        {"float-inplace", audio::WavSamples::Float32, audio::WavCommit::InPlace, 44100, 2, 32, 3},
    };
    constexpr std::int64_t kFrames = 1001;
    for (const auto& [name, samples, commit, rate, channels, bits, formatTag] : cases) {
        SCOPED_TRACE(name);
        const QString path = folder + QLatin1Char('/') + QLatin1String(name) + ".wav";
        std::vector<float> in(std::size_t(kFrames * channels));
        for (std::size_t i = 0; i < in.size(); ++i)
            in[i] = 1.6f * float(std::sin(0.01 * double(i))); // overs on both sides
        {
            audio::WavFileWriter writer(path, rate, channels, samples, commit);
            QString error;
            ASSERT_TRUE(writer.open(&error)) << error.toStdString();
            ASSERT_TRUE(writer.write(in.data(), 600));
            EXPECT_EQ(QFile::exists(path), commit == audio::WavCommit::InPlace);
            ASSERT_TRUE(writer.write(in.data() + 600 * channels, kFrames - 600));
            ASSERT_TRUE(writer.commit(&error)) << error.toStdString();
        }
        const QByteArray b = test::readFile(path);
        ASSERT_GE(b.size(), 12);
        EXPECT_EQ(b.left(4), "RIFF") << "not downgraded from RF64";
        EXPECT_EQ(u32(b, 4), std::uint32_t(b.size() - 8));
        EXPECT_EQ(b.mid(8, 4), "WAVE");
        EXPECT_EQ(b.mid(12, 4), "JUNK") << "no room for the RF64 size chunk";
        qsizetype fmt = -1, data = -1;
        for (qsizetype at = 12; at + 8 <= b.size(); at += 8 + ((u32(b, at + 4) + 1) & ~1u)) {
            if (b.mid(at, 4) == "fmt ")
                fmt = at + 8;
            if (b.mid(at, 4) == "data")
                data = at;
        }
        ASSERT_GE(fmt, 0);
        ASSERT_GE(data, 0);
        // Tag (inside the extensible form), channels, rate, bytes per second and frame, bits.
        const int tag = u16(b, fmt) == 0xfffe ? u16(b, fmt + 24) : u16(b, fmt);
        const int frame = channels * bits / 8;
        EXPECT_EQ((std::vector<long>{tag, u16(b, fmt + 2), u32(b, fmt + 4), u32(b, fmt + 8),
                                     u16(b, fmt + 12), u16(b, fmt + 14)}),
                  (std::vector<long>{formatTag, channels, rate, rate * frame, frame, bits}));
        EXPECT_EQ(u32(b, data + 4), std::uint32_t(kFrames * channels * bits / 8));
        EXPECT_EQ(data + 8 + qsizetype(u32(b, data + 4)), b.size());

        const testmedia::WavData back = testmedia::readWav(path);
        ASSERT_TRUE(back.ok);
        ASSERT_EQ(back.samples.size(), in.size());
        float worst = 0.0f;
        for (std::size_t i = 0; i < in.size(); ++i) {
            const float expected = bits == 16 ? std::clamp(in[i], -1.0f, 1.0f) : in[i];
            worst = std::max(worst, std::abs(back.samples[i] - expected));
        }
        EXPECT_LE(worst, bits == 16 ? 1.5f / 32768.0f : 0.0f);
    }
}

TEST(WavWriter, AFileThatCannotBeCreatedSaysWhyAndLeavesNothing) {
    const QString path = test::freshFolder(u"wav-writer-bad"_s) + "/no/such/dir/x.wav";
    for (auto commit : {audio::WavCommit::Atomic, audio::WavCommit::InPlace}) {
        cli::WavOut out(path, 44100, 2, false);
        audio::WavFileWriter direct(path, 44100, 2, audio::WavSamples::Float32, commit);
        QString error, directError;
        EXPECT_FALSE(out.open(&error) || direct.open(&directError));
        EXPECT_FALSE(error.isEmpty() || directError.isEmpty());
        EXPECT_FALSE(QFile::exists(path));
    }
}

} // namespace
