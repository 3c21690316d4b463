#include "mainwindow/ChannelTexts.h"

#include "engine/kae/KaeMath.h"
#include "mainwindow/PanelTexts.h"

namespace kalvor {

QString ConvertVolToString(int volume) {
    if (volume == 100)
        return QStringLiteral("0dB");
    if (volume == 0)
        return QStringLiteral("-99dB");
    return QLatin1Char('-') + QString::number(100 - volume) + QStringLiteral("dB");
}

QString ConvertPanToString(int pan) {
    if (pan == 0)
        return QStringLiteral("C");
    if (pan < 0)
        return QLatin1Char('L') + QString::number(-pan);
    return QLatin1Char('R') + QString::number(pan);
}

QString channelCountText(int fileChannels) {
    switch (fileChannels) {
    case 0:
        return QStringLiteral("-");
    case 1:
        return QStringLiteral("1 (Mono)");
    case 2:
        return QStringLiteral("2 (Stereo)");
    case 4:
        return QStringLiteral("4 (Quadro)");
    case 6:
        return QStringLiteral("6 (5.1)");
    case 8:
        return QStringLiteral("8 (7.1)");
    default:
        return QString::number(fileChannels);
    }
}

SoundInfoLines DisplaySoundInfo(int fileBits, int fileChannels, int sampleRate, Language language) {
    const bool loaded = fileChannels != 0;
    const QString dash = QStringLiteral("-");
    return {txt(texts::FileBits, language) + (loaded ? QString::number(fileBits) : dash),
            txt(texts::FileChannels, language) + channelCountText(fileChannels),
            txt(texts::FileSampleRate, language) + (loaded ? QString::number(sampleRate) : dash)};
}

const std::array<FadeTimeChoice, 34>& fadeTimeChoices() {
    static const std::array<FadeTimeChoice, 34> choices = [] {
        std::array<FadeTimeChoice, 34> c;
        const int shortTimes[] = {100, 250, 500, 750};
        std::size_t i = 0;
        for (int ms : shortTimes)
            c[i++] = {QString::number(ms) + QStringLiteral(" ms."), ms};
        for (int s = 1; s <= 30; ++s)
            c[i++] = {QString::number(s) + QStringLiteral(" sec."), s * 1000};
        return c;
    }();
    return choices;
}

int fadeTimeIndex(int ms) {
    const auto& choices = fadeTimeChoices();
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].ms == ms)
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<int> meterValue(int peak, int volume) {
    if (peak == 32768)
        return std::nullopt;
    // A meter takes whole numbers; rounded as the engine rounds everything else.
    return static_cast<int>(engine::roundHalfEven(static_cast<double>(peak) / 32767.0 * volume));
}

MeterReading meterReading(bool playing, std::int32_t level, int volume) {
    if (!playing)
        return {0, 0};
    const auto word = static_cast<std::uint32_t>(level);
    return {meterValue(static_cast<int>(word & 0xffffu), volume),
            meterValue(static_cast<int>(word >> 16), volume)};
}

QString cpuLoadText(double percent) {
    return txt(texts::CpuLoad) + QString::number(static_cast<int>(percent)) + QStringLiteral(" %");
}

} // namespace kalvor
