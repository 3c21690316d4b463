#include "SoakShow.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <ctime>
using namespace kalvor::audio;
static double cpuUs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    auto sounds = kalvor::soak::writeSoakSounds(dir.path());
    const int reps = argc > 1 ? atoi(argv[1]) : 0;
    for (int fxmask : {0, 1, 2, 4, 8, 16, 31}) {
        if (reps && fxmask != 2)
            continue;
        AudioLibOptions o;
        o.backend = makeOfflineBackend(48000, 2);
        AudioLib lib(o);
        lib.init(1, 48000, 0, nullptr);
        std::vector<Handle> hs;
        const FxType types[] = {FxType::ParamEq, FxType::WavesReverb, FxType::Echo, FxType::Chorus,
                                FxType::Flanger};
        for (int i = 0; i < 32; ++i) {
            Handle h = lib.streamCreateFile(sounds[i], 0);
            lib.channelSetFlags(h, flags::Loop);
            for (int k = 0; k < 5; ++k)
                if (fxmask & (1 << k))
                    lib.channelSetFx(h, types[k], 0);
            lib.channelPreBuf(h, 500);
            hs.push_back(h);
        }
        std::vector<float> out(256);
        lib.renderOffline(out.data(), 128);
        lib.beginBatch();
        for (Handle h : hs)
            lib.channelPlay(h, true);
        lib.endBatch();
        double t[6];
        for (int b = 0; b < 6; ++b) {
            double a = cpuUs();
            lib.renderOffline(out.data(), 128);
            t[b] = cpuUs() - a;
        }
        // stop all, start all again
        for (Handle h : hs)
            lib.channelStop(h);
        lib.renderOffline(out.data(), 128);
        lib.beginBatch();
        for (Handle h : hs)
            lib.channelPlay(h, true);
        lib.endBatch();
        double a = cpuUs();
        lib.renderOffline(out.data(), 128);
        double r = cpuUs() - a;
        for (int k = 0; k < reps; ++k) {
            for (Handle h : hs) {
                lib.channelStop(h);
            }
            lib.renderOffline(out.data(), 128);
            lib.beginBatch();
            for (Handle h : hs) {
                lib.channelPlay(h, true);
            }
            lib.endBatch();
            lib.renderOffline(out.data(), 128);
        }
        std::printf(
            "fx %2d: first blocks %.0f %.0f %.0f %.0f %.0f %.0f us; restart block %.0f us\n",
            fxmask, t[0], t[1], t[2], t[3], t[4], t[5], r);
        for (Handle h : hs) {
            lib.streamFree(h);
        }
        lib.free();
    }
}
