// The WAV writer converts floats to 16 bits itself. Every sample must come out as
// libsndfile's own clipping conversion makes it, which 16-bit files were written with
// before: the rounding below one step, full scale and beyond, NaN, and any count of
// samples (the vector loop and the samples left after it).
#include "engine/audiolib/WavFileWriter.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

// What libsndfile writes for `in`: a 16-bit WAV with clipping on, read back.
std::vector<short> throughLibsndfile(const std::vector<float>& in) {
    char path[] = "/tmp/kalvor-pcm16-XXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* w = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    sf_command(w, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_write_float(w, in.data(), static_cast<sf_count_t>(in.size()));
    sf_close(w);
    SF_INFO back{};
    SNDFILE* r = sf_open(path, SFM_READ, &back);
    std::vector<short> out(in.size());
    sf_read_short(r, out.data(), static_cast<sf_count_t>(out.size()));
    sf_close(r);
    std::remove(path);
    return out;
}

TEST(WavPcm16, EverySampleAsLibsndfileConvertsIt) {
    const float step = 1.0f / 32768.0f;
    const float edges[] = {0.0f,
                           -0.0f,
                           0.5f * step,
                           1.5f * step,
                           2.5f * step,
                           -0.5f * step,
                           -1.5f * step,
                           0.6f * step,
                           -0.4f * step,
                           1e-12f,
                           -1e-12f,
                           0.3f,
                           -0.7f,
                           32766.5f * step,
                           32767.0f * step,
                           1.0f - 1e-7f,
                           1.0f,
                           1.0001f,
                           -1.0f,
                           -1.0001f,
                           1e30f,
                           -1e30f,
                           std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN()};
    // A sweep through the whole range in odd steps, with the edge values among them.
    std::vector<float> all(edges, edges + std::size(edges));
    for (int i = -70000; i <= 70000; i += 7)
        all.push_back(static_cast<float>(i) * 0.49999f * step);
    const std::vector<short> expected = throughLibsndfile(all);
    // Counts that end inside the vector loop, right after it, and on their own.
    for (std::size_t count : {all.size(), std::size_t{1}, std::size_t{7}, std::size_t{8},
                              std::size_t{9}, std::size_t{25}}) {
        std::vector<short> got(count + 1, 12345);
        kalvor::audio::floatToPcm16(all.data(), got.data(), count);
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(got[i], expected[i])
                << "sample " << i << " = " << all[i] << ", count " << count;
        EXPECT_EQ(got[count], 12345) << "written past the end";
    }
}

} // namespace
