// How long opening a sound file takes (the decoder's open: length and seek index, before the
// first read), per format, on 5-minute stereo 44.1 kHz files made with ffmpeg before
// timing. Prints the median and worst of several opens; asserts nothing.
//
//   bench_decode_open [SECONDS] [ROUNDS]
#include "engine/decode/Decoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace kalvor::engine;

namespace {

struct Kind {
    const char* label;
    const char* file;
    QStringList codec;
    DecoderRoute route;
};

// The calling thread's CPU time, which other processes on a busy machine do not inflate.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

bool make(const QString& path, double seconds, const QStringList& codec) {
    // Loud noise for the first fifth and a quiet tone after, so that variable bit rates
    // really vary (a length guessed from the first frames is far off).
    QStringList args{QStringLiteral("-nostdin"),
                     QStringLiteral("-y"),
                     QStringLiteral("-loglevel"),
                     QStringLiteral("error"),
                     QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     QStringLiteral("anoisesrc=r=44100:a=0.5:d=%1").arg(seconds / 5),
                     QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     QStringLiteral("sine=f=440:r=44100:d=%1").arg(seconds * 4 / 5),
                     QStringLiteral("-filter_complex"),
                     QStringLiteral("[0][1]concat=n=2:v=0:a=1,aformat=channel_layouts=stereo")};
    args << codec << path;
    return QProcess::execute(QStringLiteral("ffmpeg"), args) == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 300.0;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
    const QString mp3 = QStringLiteral("libmp3lame");
    const Kind kinds[] = {
        {"WAV 16-bit", "a.wav", {"-c:a", "pcm_s16le"}, DecoderRoute::Main},
        {"FLAC", "a.flac", {"-c:a", "flac"}, DecoderRoute::Main},
        {"Ogg Vorbis", "a.ogg", {"-c:a", "libvorbis", "-q:a", "4"}, DecoderRoute::Main},
        {"MP3 CBR, Xing header", "cbr.mp3", {"-c:a", mp3, "-b:a", "192k"}, DecoderRoute::Main},
        {"MP3 CBR, no header",
         "cbrnx.mp3",
         {"-c:a", mp3, "-b:a", "192k", "-write_xing", "0"},
         DecoderRoute::Main},
        {"MP3 VBR, Xing header", "vbr.mp3", {"-c:a", mp3, "-q:a", "2"}, DecoderRoute::Main},
        {"MP3 VBR, no header",
         "vbrnx.mp3",
         {"-c:a", mp3, "-q:a", "2", "-write_xing", "0"},
         DecoderRoute::Main},
        {"MP2 192 kbit/s", "a.mp2", {"-c:a", "mp2", "-b:a", "192k"}, DecoderRoute::Main},
        {"WMA 128 kbit/s", "a.wma", {"-c:a", "wmav2", "-b:a", "128k"}, DecoderRoute::Wma},
    };
    QTemporaryDir dir;
    double load[3] = {};
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3)
            load[0] = -1;
        std::fclose(f);
    }
    std::printf("open of a %g s stereo 44.1 kHz file, median of %d; load average %.2f %.2f %.2f\n",
                seconds, rounds, load[0], load[1], load[2]);
    for (const Kind& kind : kinds) {
        const QString path = dir.path() + QLatin1Char('/') + QLatin1String(kind.file);
        if (!make(path, seconds, kind.codec)) {
            std::printf("%-22s ffmpeg could not make the file\n", kind.label);
            continue;
        }
        std::vector<double> ms;
        std::vector<double> cpu;
        std::int64_t frames = 0;
        for (int r = 0; r < rounds; ++r) {
            QElapsedTimer t;
            t.start();
            const double cpuStart = threadCpuMs();
            QString error;
            auto decoder = openDecoder(path, kind.route, &error);
            cpu.push_back(threadCpuMs() - cpuStart);
            ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
            if (!decoder) {
                std::printf("%-22s does not open: %s\n", kind.label, qUtf8Printable(error));
                break;
            }
            frames = decoder->format().frames;
        }
        std::sort(ms.begin(), ms.end());
        std::sort(cpu.begin(), cpu.end());
        std::printf("%-22s median %7.2f ms (cpu %7.2f ms), worst %7.2f ms, %lld frames\n",
                    kind.label, ms[ms.size() / 2], cpu[cpu.size() / 2], ms.back(),
                    static_cast<long long>(frames));
    }
    return 0;
}
