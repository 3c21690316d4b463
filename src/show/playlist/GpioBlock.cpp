#include "show/playlist/GpioBlock.h"

#include "core/SettingKeys.h"
#include "core/Settings.h"
#include "show/playlist/LineCursor.h"
#include "show/playlist/PlaylistNumbers.h"
#include "show/playlist/PlaylistTexts.h"

namespace kalvor::playlist {

QString gpioDirectionText(GpioDirection d) {
    switch (d) {
    case GpioDirection::In:
        return QStringLiteral("IN");
    case GpioDirection::Out:
        return QStringLiteral("OUT");
    case GpioDirection::Off:
        break;
    }
    return QStringLiteral("OFF");
}

GpioDirection gpioDirectionFromText(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("IN"), Qt::CaseInsensitive) == 0)
        return GpioDirection::In;
    if (t.compare(QLatin1String("OUT"), Qt::CaseInsensitive) == 0)
        return GpioDirection::Out;
    return GpioDirection::Off;
}

GpioBlock defaultGpioBlock() {
    GpioBlock b;
    for (auto& l : b.lines)
        l.caption = txt(texts::GpioFunctionOff);
    return b;
}

GpioBlock gpioBlockFromSettings(const Settings& settings) {
    GpioBlock b;
    b.directions = {gpioDirectionFromText(settings.text(u"Port1Direction")),
                    gpioDirectionFromText(settings.text(u"Port2Direction")),
                    gpioDirectionFromText(settings.text(u"Port3LDirection")),
                    gpioDirectionFromText(settings.text(u"Port3HDirection"))};
    for (int n = 1; n <= kGpioLines; ++n) {
        auto& l = b.lines[static_cast<std::size_t>(n - 1)];
        l.caption = settings.text(gpioLineKey("LineFunctionText ", n));
        l.function = settings.integer(gpioLineKey("LineFunctionNo. ", n));
        l.logic = settings.integer(gpioLineKey("PIOLineLogic ", n));
        l.durationMs = settings.integer(gpioLineKey("GPODuration ", n));
        l.intervalMs = settings.integer(gpioLineKey("GPOInterval ", n));
    }
    b.playlistConfiguration = settings.text(u"GPIO Configuration").trimmed() == QLatin1String("1");
    return b;
}

GpioBlock readGpioBlock(LineCursor& lines) {
    GpioBlock b;
    for (auto& d : b.directions)
        d = gpioDirectionFromText(decodeText(lines.take()));
    for (auto& l : b.lines) {
        l.caption = decodeText(lines.take());
        l.function = readNumber<int>(lines.take(), NumberRule::Full);
        l.logic = readNumber<int>(lines.take(), NumberRule::Full);
        l.durationMs = readNumber<int>(lines.take(), NumberRule::Full);
        l.intervalMs = readNumber<int>(lines.take(), NumberRule::Full);
    }
    if (!lines.atEnd())
        b.playlistConfiguration = leadingInteger(lines.take()) == 1;
    if (!lines.atEnd())
        lines.take(); // "~"
    return b;
}

void appendGpioBlock(QByteArray& out, const GpioBlock& block) {
    for (auto d : block.directions) {
        out.append(gpioDirectionText(d).toLatin1());
        out.append("\r\n");
    }
    for (const auto& l : block.lines) {
        out.append(l.caption.toUtf8());
        out.append("\r\n");
        for (int v : {l.function, l.logic, l.durationMs, l.intervalMs}) {
            appendInteger(out, v);
            out.append("\r\n");
        }
    }
    out.append(block.playlistConfiguration ? "1\r\n" : "0\r\n");
    out.append("~\r\n");
}

} // namespace kalvor::playlist
