// The WAV writer's own 16-bit conversion gives every sample as libsndfile's clipping
// conversion does (rounding below a step, full scale and beyond, NaN), for any count.
#include "engine/audiolib/WavFileWriter.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

TEST(WavPcm16, EverySampleAsLibsndfileConvertsIt) {
    const float s = 1.0f / 32768.0f;
    std::vector<float> in = {0.5f * s, 1.5f * s, -0.5f * s,    -1.5f * s, 0.6f * s, -0.4f * s,
                             -1e-12f,  0.3f,     32766.5f * s, 1.0f,      1.0001f,  -1.0f,
                             -1.0001f, 1e30f,    -INFINITY,    NAN};
    // Just below a step after rounding at 32 bits: only the rounding puts them on it.
    // Twice over, so each lands in both halves of a vector step.
    for (float y : {65535.5f, -65536.75f, 131071.5f, -131072.75f, 0.0f, 65535.5f, -65536.75f,
                    131071.5f, -131072.75f})
        in.push_back(y / 2147483648.0f);
    for (int i = -70000; i <= 70000; i += 7)
        in.push_back(static_cast<float>(i) * 0.49999f * s);
    // libsndfile's own: a 16-bit WAV written with clipping on, read back.
    char path[] = "/tmp/kalvor-pcm16-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_write_float(sf, in.data(), static_cast<sf_count_t>(in.size()));
    sf_close(sf);
    sf = sf_open(path, SFM_READ, &info);
    std::vector<short> expected(in.size());
    sf_read_short(sf, expected.data(), static_cast<sf_count_t>(in.size()));
    sf_close(sf);
    std::remove(path);
    for (std::size_t count : {in.size(), std::size_t{7}, std::size_t{9}}) {
        std::vector<short> got(count + 1, 12345);
        kalvor::audio::floatToPcm16(in.data(), got.data(), count);
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(got[i], expected[i]) << in[i] << " at " << i << " of " << count;
        EXPECT_EQ(got[count], 12345) << "written past the end";
    }
}
