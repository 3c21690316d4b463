#include "control/units/kd1/Kd1Pages.h"

#include "control/units/kd1/Kd1Commands.h"
#include "control/units/kd1/Kd1Texts.h"

#include <algorithm>

namespace kalvor::units {

namespace {

namespace t = kd1texts;

QString fit(const QString& text, int width) {
    return text.left(width).leftJustified(width, QLatin1Char(' '));
}

QString group(int g) {
    return g > 0 ? QString::number(g) : QStringLiteral("---");
}

QByteArrayList titled(const QString& title) {
    return {kd1PageStart(), kd1Write(title, 1, 1, false, true), kd1Rule(1, 2)};
}

} // namespace

QString kd1VolumeText(int volume) {
    if (volume >= 100)
        return QStringLiteral("0dB");
    if (volume <= 0)
        return QStringLiteral("-99dB");
    return QStringLiteral("-%1dB").arg(100 - volume);
}

QString kd1PanText(int pan) {
    if (pan == 0)
        return QStringLiteral("C");
    return (pan < 0 ? QStringLiteral("L") : QStringLiteral("R")) + QString::number(std::abs(pan));
}

QString kd1Time(qint64 seconds, int format) {
    seconds = std::max<qint64>(0, seconds);
    const qint64 h = seconds / 3600;
    const qint64 m = (seconds / 60) % 60;
    const qint64 s = seconds % 60;
    const auto two = [](qint64 v) {
        return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
    };
    if (format == 1)
        return two(h * 60 + m) + QLatin1Char(':') + two(s);
    return two(h) + QLatin1Char(':') + two(m) + QLatin1Char(':') + two(s);
}

QString kd1Bar(int percent) {
    const int filled = std::clamp(percent, 0, 100) / 10;
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
           QString(10 - filled, QLatin1Char('.')) + QLatin1Char(']');
}

QString kd1EntryCharacters() {
    return QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                          "ÄÖÜäöüßéâàçêèôòûùáóú -_");
}

QByteArrayList kd1StartScreen(Language lang) {
    return {kd1Clear(), kd1Write(txt(t::StartScreen, lang), 13, 6)};
}

QByteArrayList kd1MainPageCommands(const Kd1MainPage& page, Language lang) {
    QByteArrayList out{kd1Clear()};
    const QString number =
        (page.presetNumber > 0 ? QString::number(page.presetNumber) : QStringLiteral("-")) +
        QLatin1Char('/') + QString::number(page.presetCount);
    out << kd1Write(fit(txt(t::MainPreset, lang) + number + QStringLiteral("  ") + page.presetName,
                        kKd1Columns),
                    1, 1, false, true);
    out << kd1Rule(1, 2);
    if (page.style > 1) {
        const int rows = kKd1Rows - 4;
        if (page.playing.empty())
            out << kd1Write(txt(t::MainNothing, lang), 3, 4);
        for (int i = 0; i < std::min<int>(rows, int(page.playing.size())); ++i) {
            const Kd1PlayingLine& p = page.playing[static_cast<std::size_t>(i)];
            QString line = QStringLiteral("%1 ").arg(p.channel, 2) +
                           (p.paused ? QStringLiteral("|| ") : QStringLiteral(">  "));
            const QString tail =
                (p.percent >= 0 ? kd1Bar(p.percent) + QLatin1Char(' ') : QString()) + p.time;
            line += fit(p.name, kKd1Columns - int(line.size()) - int(tail.size()) - 1) +
                    QLatin1Char(' ') + tail;
            out << kd1Write(line, 1, 3 + i);
        }
    }
    out << kd1Rule(1, kKd1Rows - 1);
    out << kd1Write(fit(txt(t::MainNext, lang) + page.nextName, kKd1Columns), 1, kKd1Rows);
    return out;
}

QByteArrayList kd1OptionsPage(int page, const Kd1ChannelOptions& o, Language lang) {
    QByteArrayList out = titled(txt(t::OptionsTitle, lang).arg(o.channel).arg(page == 2 ? 2 : 1));
    if (page == 2) {
        out << kd1Write(txt(t::OutputDevice, lang) + o.output, 1, 4);
        out << kd1Write(txt(t::Volume, lang) + kd1VolumeText(o.volume), 1, 5);
        out << kd1Write(txt(t::Pan, lang) + kd1PanText(o.pan), 1, 6);
        return out;
    }
    const QString on = txt(t::On, lang);
    const auto value = [&](bool b) {
        return b ? on : QStringLiteral("- ");
    };
    const char* left[] = {"Restart         : ", "Loop            : ", "Pause           : ",
                          "Play while hold : ", "Jump to next    : "};
    for (int i = 0; i < 5; ++i)
        out << kd1Write(QString::fromLatin1(left[i]) + value(o.modes[static_cast<std::size_t>(i)]),
                        1, 4 + i);
    out << kd1Write(QStringLiteral("Roll B/F   : ") + value(o.modes[5]), 25, 4);
    out << kd1Write(QStringLiteral("Autostart  : ") + value(o.modes[6]), 25, 5);
    out << kd1Write(QStringLiteral("Play Group : ") + group(o.playGroup), 25, 6);
    out << kd1Write(QStringLiteral("Stop Group : ") + group(o.stopGroup), 25, 7);
    return out;
}

QByteArrayList kd1ListPage(const QString& title, const QStringList& lines, int cursor, int first,
                           const QString& emptyText) {
    QByteArrayList out = titled(title);
    if (lines.isEmpty()) {
        out << kd1Write(emptyText, 1, 4);
        return out;
    }
    for (int i = 0; i < kKd1ListRows; ++i) {
        const int index = first + i;
        if (index < 0 || index >= lines.size())
            break;
        out << kd1Write(fit(QStringLiteral("%1 ").arg(index + 1, 3) + lines.at(index), kKd1Columns),
                        1, 3 + i, false, index == cursor);
    }
    return out;
}

QByteArrayList kd1PreviewPage(const Kd1SoundInfo& info, Language lang) {
    QByteArrayList out = titled(txt(t::Preview, lang));
    out << kd1Write(txt(t::PreviewName, lang) + info.name, 1, 4);
    out << kd1Write(txt(t::PreviewDuration, lang) + info.duration, 1, 5);
    out << kd1Write(txt(t::PreviewRate, lang) + info.sampleRate, 1, 6);
    out << kd1Write(txt(t::PreviewBits, lang) + info.bits, 1, 7);
    out << kd1Write(txt(t::PreviewChannels, lang) + info.channels, 1, 8);
    out << kd1Write(txt(t::PreviewVolume, lang) + info.volume, 1, 9);
    return out;
}

QByteArrayList kd1TextEntryPage(Kd1TextEntry kind, const QString& text, int cursor, Language lang) {
    const bool save = kind == Kd1TextEntry::SavePlaylistAs;
    QByteArrayList out = titled(txt(save ? t::SaveAs : t::Rename, lang));
    out << kd1Write(text, 3, 4);
    // The character under the cursor blinks; past the end it is a blank to fill in.
    const QString at = cursor < text.size() ? text.mid(cursor, 1) : QStringLiteral(" ");
    out << kd1Write(at, 3 + cursor, 4, true, true);
    out << kd1Write(txt(t::HelpMove, lang), 1, 7);
    out << kd1Write(txt(t::HelpChange, lang), 1, 8);
    out << kd1Write(txt(save ? t::HelpSave : t::HelpName, lang), 1, 9);
    out << kd1Write(txt(t::HelpCancel, lang), 1, 10);
    return out;
}

QByteArrayList kd1QuestionPage(Kd1Question question, Language lang) {
    QByteArrayList out{kd1PageStart()};
    QStringList lines;
    switch (question) {
    case Kd1Question::RemoveAll:
        lines = {txt(t::WouldRemove, lang), txt(t::AllPresets, lang)};
        break;
    case Kd1Question::RemovePreset:
        lines = {txt(t::WouldRemove, lang), txt(t::SelectedPreset, lang)};
        break;
    case Kd1Question::RemoveSound:
        lines = {txt(t::WouldRemove, lang), txt(t::ThisSound, lang)};
        break;
    case Kd1Question::Overwrite:
        lines = {txt(t::Exists1, lang), txt(t::Exists2, lang), txt(t::Exists3, lang)};
        break;
    }
    for (int i = 0; i < lines.size(); ++i)
        out << kd1Write(lines.at(i), 5, 4 + i);
    out << kd1Write(txt(t::Confirm, lang), 5, 9, false, true);
    return out;
}

QByteArrayList kd1NoticePage(const QString& text) {
    const int x = std::max(1, (kKd1Columns - int(text.size())) / 2 + 1);
    return {kd1Clear(), kd1Write(text, x, 6)};
}

} // namespace kalvor::units
