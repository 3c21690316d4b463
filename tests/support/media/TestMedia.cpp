// Test sound files: signals computed here, written as WAV or encoded with ffmpeg. Test
// threads only.
#include "TestMedia.h"

#include "Mp1Encoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

namespace kalvor::testmedia {

namespace {

double dbToGain(double dbfs) {
    return std::pow(10.0, dbfs / 20.0);
}

QString targetPath(const QString& folder, const QString& name, Format format) {
    QString file = name.contains(QLatin1Char('.')) ? name : name + extensionOf(format);
    QDir().mkpath(folder);
    return QDir(folder).absoluteFilePath(file);
}

void putLe(QByteArray& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

std::int32_t toInt(float sample, int bits) {
    const double scale = double(std::int64_t(1) << (bits - 1));
    const double v = std::lround(double(sample) * scale);
    return std::int32_t(std::clamp(v, -scale, scale - 1.0));
}

// bits 16, 24 or 32 integer, or 0 for 32-bit float.
bool writeWav(const QString& path, int sampleRate, int channels, int bits,
              const std::vector<float>& interleaved) {
    const bool isFloat = bits == 0;
    const int bytesPerSample = isFloat ? 4 : bits / 8;
    QByteArray data;
    data.reserve(qsizetype(interleaved.size()) * bytesPerSample);
    for (float s : interleaved) {
        if (isFloat) {
            std::uint32_t raw = 0;
            std::memcpy(&raw, &s, 4);
            putLe(data, raw, 4);
        } else {
            putLe(data, std::uint32_t(toInt(s, bits)), bytesPerSample);
        }
    }
    QByteArray out("RIFF");
    putLe(out, std::uint32_t(4 + 24 + 8 + data.size() + (data.size() & 1)), 4);
    out.append("WAVEfmt ");
    putLe(out, 16, 4);
    putLe(out, isFloat ? 3 : 1, 2);
    putLe(out, std::uint32_t(channels), 2);
    putLe(out, std::uint32_t(sampleRate), 4);
    putLe(out, std::uint32_t(sampleRate * channels * bytesPerSample), 4);
    putLe(out, std::uint32_t(channels * bytesPerSample), 2);
    putLe(out, std::uint32_t(bytesPerSample * 8), 2);
    out.append("data");
    putLe(out, std::uint32_t(data.size()), 4);
    out.append(data);
    if (data.size() & 1)
        out.append('\0');
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

QStringList ffmpegCodecArgs(Format format, int channels) {
    switch (format) {
    case Format::Aiff:
        return {"-c:a", "pcm_s16be", "-f", "aiff"};
    case Format::Flac:
        return {"-c:a", "flac", "-sample_fmt", "s16", "-f", "flac"};
    case Format::Mp2:
        return {"-c:a", "mp2", "-b:a", channels == 1 ? "128k" : "256k", "-f", "mp2"};
    case Format::Mp3:
        return {"-c:a", "libmp3lame", "-b:a", "192k", "-f", "mp3"};
    case Format::Mp3NoXing:
        return {"-c:a", "libmp3lame", "-b:a", "192k", "-write_xing", "0", "-f", "mp3"};
    case Format::Mp3VbrNoXing:
        return {"-c:a", "libmp3lame", "-q:a", "2", "-write_xing", "0", "-f", "mp3"};
    case Format::Ogg:
        // Pages of 100 ms, like common encoders, so a cut file still holds whole pages.
        return {"-c:a", "libvorbis", "-q:a", "5", "-page_duration", "100000", "-f", "ogg"};
    case Format::Wma:
        return {"-c:a", "wmav2", "-b:a", "128k", "-f", "asf"};
    default:
        return {};
    }
}

bool runFfmpeg(const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("ffmpeg"), args);
    if (!process.waitForFinished(120000)) {
        qWarning("testmedia: ffmpeg did not finish: %s", qPrintable(process.errorString()));
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("testmedia: ffmpeg failed: %s", process.readAll().constData());
        return false;
    }
    return true;
}

} // namespace

QString extensionOf(Format format) {
    static const char* const extensions[] = {".wav",  ".wav", ".wav", ".wav", ".aiff",
                                             ".flac", ".mp1", ".mp2", ".mp3", ".mp3",
                                             ".mp3",  ".ogg", ".wma"};
    return QString::fromLatin1(extensions[int(format)]);
}

bool isLossless(Format format) {
    return format <= Format::Flac;
}

QString makeSound(const QString& folder, const QString& name, Format format, int sampleRate,
                  int channels, const std::vector<float>& interleaved) {
    const QString path = targetPath(folder, name, format);
    QFile::remove(path);
    bool ok = false;
    if (format <= Format::WavFloat) {
        static const int bits[] = {16, 24, 32, 0};
        ok = writeWav(path, sampleRate, channels, bits[int(format)], interleaved);
    } else if (format == Format::Mp1) {
        ok = writeMp1(path, sampleRate, channels, interleaved);
    } else {
        // Lossless targets get 16-bit input so 16-bit signals (the ramp) pass unchanged;
        // lossy encoders get float so nothing is rounded twice.
        const QString source = path + QStringLiteral(".source.wav");
        if (writeWav(source, sampleRate, channels, isLossless(format) ? 16 : 0, interleaved)) {
            QStringList args{"-hide_banner", "-nostdin", "-loglevel",     "error", "-y",
                             "-i",           source,     "-map_metadata", "-1",    "-fflags",
                             "+bitexact",    "-flags:a", "+bitexact"};
            ok = runFfmpeg(args << ffmpegCodecArgs(format, channels) << path);
        }
        QFile::remove(source);
    }
    if (!ok || !QFileInfo::exists(path)) {
        qWarning("testmedia: could not make %s", qPrintable(path));
        return {};
    }
    return path;
}

QString makeTone(const QString& folder, const QString& name, Format format, int sampleRate,
                 int channels, double seconds, double frequencyHz, double amplitudeDbfs) {
    const auto frames = std::int64_t(std::llround(seconds * sampleRate));
    const double gain = dbToGain(amplitudeDbfs);
    std::vector<float> samples(std::size_t(frames * channels));
    for (std::int64_t f = 0; f < frames; ++f) {
        const auto v =
            float(gain * std::sin(2.0 * std::numbers::pi * frequencyHz * double(f) / sampleRate));
        for (int c = 0; c < channels; ++c)
            samples[std::size_t(f * channels + c)] = v;
    }
    return makeSound(folder, name, format, sampleRate, channels, samples);
}

QString makeSilence(const QString& folder, const QString& name, Format format, int sampleRate,
                    int channels, double seconds) {
    const auto frames = std::int64_t(std::llround(seconds * sampleRate));
    return makeSound(folder, name, format, sampleRate, channels,
                     std::vector<float>(std::size_t(frames * channels), 0.0f));
}

QString makeClick(const QString& folder, const QString& name, Format format, int sampleRate,
                  int channels, std::int64_t frames, std::int64_t clickFrame,
                  double amplitudeDbfs) {
    std::vector<float> samples(std::size_t(frames * channels), 0.0f);
    if (clickFrame >= 0 && clickFrame < frames)
        for (int c = 0; c < channels; ++c)
            samples[std::size_t(clickFrame * channels + c)] = float(dbToGain(amplitudeDbfs));
    return makeSound(folder, name, format, sampleRate, channels, samples);
}

QString makeNoise(const QString& folder, const QString& name, Format format, int sampleRate,
                  int channels, std::int64_t frames, double amplitudeDbfs, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    const auto gain = float(dbToGain(amplitudeDbfs));
    std::vector<float> samples(std::size_t(frames * channels));
    for (float& s : samples)
        s = gain * uniform(random);
    return makeSound(folder, name, format, sampleRate, channels, samples);
}

float rampValue(std::int64_t frame, int channel) {
    return float(((frame + 7919 * channel) % 65536) - 32768) / 32768.0f;
}

QString makeRamp(const QString& folder, const QString& name, Format format, int sampleRate,
                 int channels, std::int64_t frames) {
    std::vector<float> samples(std::size_t(frames * channels));
    for (std::int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            samples[std::size_t(f * channels + c)] = rampValue(f, c);
    return makeSound(folder, name, format, sampleRate, channels, samples);
}

WavData readWav(const QString& path) {
    WavData result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return result;
    const auto* base = reinterpret_cast<const uchar*>(bytes.constData());
    int formatTag = 0;
    qsizetype pos = 12;
    while (pos + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(pos, 4);
        const qsizetype size = qFromLittleEndian<quint32>(base + pos + 4);
        const qsizetype body = pos + 8;
        if (id == "fmt " && size >= 16 && body + size <= bytes.size()) {
            formatTag = qFromLittleEndian<quint16>(base + body);
            result.channels = qFromLittleEndian<quint16>(base + body + 2);
            result.sampleRate = int(qFromLittleEndian<quint32>(base + body + 4));
            result.bits = qFromLittleEndian<quint16>(base + body + 14);
            if (formatTag == 0xfffe && size >= 26)
                formatTag = qFromLittleEndian<quint16>(base + body + 24);
        } else if (id == "data" && formatTag != 0 && result.channels > 0) {
            const int bytesPerSample = result.bits / 8;
            if (bytesPerSample < 1 || bytesPerSample > 8)
                return result;
            const qsizetype end = std::min<qsizetype>(body + size, bytes.size());
            const qsizetype count = (end - body) / bytesPerSample;
            result.samples.reserve(std::size_t(count));
            for (qsizetype i = 0; i < count; ++i) {
                const uchar* p = base + body + i * bytesPerSample;
                float v = 0.0f;
                if (formatTag == 3 && bytesPerSample == 4) {
                    v = std::bit_cast<float>(qFromLittleEndian<quint32>(p));
                } else if (formatTag == 3 && bytesPerSample == 8) {
                    v = float(std::bit_cast<double>(qFromLittleEndian<quint64>(p)));
                } else if (formatTag == 1 && bytesPerSample == 1) {
                    v = float(int(p[0]) - 128) / 128.0f;
                } else if (formatTag == 1) {
                    std::uint32_t raw = 0;
                    for (int b = 0; b < bytesPerSample; ++b)
                        raw |= std::uint32_t(p[b]) << (8 * (4 - bytesPerSample + b));
                    v = float(double(std::int32_t(raw)) / 2147483648.0);
                } else {
                    return result;
                }
                result.samples.push_back(v);
            }
            result.samples.resize(result.samples.size() -
                                  result.samples.size() % std::size_t(result.channels));
            result.ok = true;
            return result;
        }
        pos = body + size + (size & 1);
    }
    return result;
}

} // namespace kalvor::testmedia
