// The format 17 writer: the only format the program writes. Built straight into one byte
// buffer (numbers through std::to_chars), which the caller hands to an atomic file write.
#include "show/playlist/ChannelLines.h"
#include "show/playlist/PlaylistDocument.h"

#include "core/FixedText.h"

namespace kalvor::playlist {

namespace {

constexpr const char* kCrLf = "\r\n";

void appendPresetName(QByteArray& out, const QString& name) {
    QString n = fitToWidth(name, kPresetNameWidth);
    for (QChar& ch : n) {
        if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n'))
            ch = QLatin1Char(' ');
    }
    out.append(n.toUtf8());
    // A preset called "~" would read as the end of the presets; the blank keeps it a name
    // (names are trimmed when read).
    if (n == QLatin1String("~"))
        out.append(' ');
}

void appendLink(QByteArray& out, const TextReaderLink& link) {
    if (!link.isSet()) {
        out.append('-');
        return;
    }
    out.append(link.path().toUtf8());
}

} // namespace

void appendPresetSection(QByteArray& out, const PlaylistDocument& doc) {
    // Most lines are short numbers; this avoids regrowing the buffer a few dozen times.
    out.reserve(out.size() + static_cast<qsizetype>(doc.presets.size()) * kPresetBlockLines * 5 +
                8192);
    out.append("Fileformat 17\r\n");
    const auto fields = format17Fields();
    for (const Preset& p : doc.presets) {
        if (p.isFree())
            continue;
        appendPresetName(out, p.name);
        out.append(kCrLf);
        for (const PresetChannel& c : p.channels) {
            for (const Field f : fields) {
                appendField(out, c, f);
                out.append(kCrLf);
            }
        }
        appendInteger(out, p.textReaderPosition);
        out.append(kCrLf);
        appendInteger(out, p.remoteTextPosition);
        out.append(kCrLf);
    }
    out.append("~\r\n");
}

void appendSoundListSection(QByteArray& out, const PlaylistDocument& doc) {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const QStringList& paths = doc.soundPaths[static_cast<std::size_t>(ch)];
        if (paths.isEmpty())
            continue;
        out.append("Channel ");
        appendInteger(out, ch);
        out.append(kCrLf);
        // As held, which is as read: no separator or letter case is rewritten, so a show
        // that travels between machines keeps its sound lines.
        for (const QString& path : paths) {
            out.append(path.toUtf8());
            out.append(kCrLf);
        }
    }
    out.append("~\r\n");
}

void appendClosingSections(QByteArray& out, const PlaylistDocument& doc) {
    appendOverviewLayout(out, doc.overviewLayout ? *doc.overviewLayout : defaultOverviewLayout());
    appendLink(out, doc.textReaderLink);
    out.append(kCrLf);
    out.append("~\r\n");
    appendGpioBlock(out, doc.gpio ? *doc.gpio : defaultGpioBlock());
}

QByteArray writePlaylist(const PlaylistDocument& doc) {
    QByteArray out;
    appendPresetSection(out, doc);
    appendSoundListSection(out, doc);
    appendClosingSections(out, doc);
    return out;
}

} // namespace kalvor::playlist
