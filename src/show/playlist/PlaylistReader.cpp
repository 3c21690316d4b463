// The readers of playlist formats 2..17. One routine walks every version, driven by the
// version's table of lines (ChannelLines.cpp), so that the outer order — presets, "~",
// sound lists, "~", then the sections later versions added — is written down once.
#include "show/playlist/ChannelLines.h"
#include "show/playlist/LineCursor.h"
#include "show/playlist/PlaylistDocument.h"

#include <algorithm>

namespace kalvor::playlist {

namespace {

bool isSectionEnd(QByteArrayView line) {
    return line == QByteArrayView("~");
}

void readPresetBlock(LineCursor& lines, const FormatLayout& layout, Preset& preset) {
    for (int ch = 0; ch < layout.channels; ++ch) {
        PresetChannel& channel = preset.channels[static_cast<std::size_t>(ch)];
        for (const Field f : layout.fields)
            readField(channel, f, lines.take(), layout.numbers);
    }
    for (int i = 0; i < layout.ignoredAfterChannels; ++i)
        lines.take();
    if (layout.textPositions) {
        preset.textReaderPosition = readNumber<std::int32_t>(lines.take(), layout.numbers);
        preset.remoteTextPosition = readNumber<std::int32_t>(lines.take(), layout.numbers);
    }
}

// "Channel" followed by the index; the index is the leading number of the line's last
// two characters, as the files have always been read ("Channel 7", "Channel 12").
int channelOfLine(QByteArrayView line) {
    const QByteArrayView tail = line.size() >= 2 ? line.last(2) : line;
    const std::int64_t n = leadingInteger(tail);
    return (n >= 0 && n < kChannelCount) ? static_cast<int>(n) : -1;
}

void readSoundLists(LineCursor& lines, PlaylistReadResult& result) {
    // Paths before any "Channel" line belong to the first channel, as they always did.
    int channel = 0;
    while (!lines.atEnd()) {
        const QByteArrayView line = lines.take();
        if (isSectionEnd(line))
            return;
        if (line.startsWith("Channel")) {
            channel = channelOfLine(line);
            continue;
        }
        if (line.isEmpty())
            continue;
        // A channel outside 0..31 cannot take entries: its paths are skipped, line by
        // line, until the next valid "Channel" line.
        if (channel < 0) {
            ++result.skippedSoundPaths;
            continue;
        }
        result.document.soundPaths[static_cast<std::size_t>(channel)].append(decodeText(line));
    }
}

TextReaderLink parseLink(QByteArrayView line) {
    if (lineIs(line, "-") || line.isEmpty())
        return {};
    const QString text = decodeText(line);
    const qsizetype cut =
        std::max(text.lastIndexOf(QLatin1Char('\\')), text.lastIndexOf(QLatin1Char('/')));
    return {text.left(cut + 1), text.mid(cut + 1)};
}

} // namespace

int formatOfHeader(QByteArrayView firstLine) {
    for (int v = kNewestFormat; v >= kOldestFormat; --v) {
        const QByteArray header = "Fileformat " + QByteArray::number(v);
        if (lineIs(firstLine, header.constData()))
            return v;
    }
    return kUnknownFormat;
}

PlaylistReadResult readPlaylist(QByteArrayView contents, const PlaylistReadOptions& options) {
    PlaylistReadResult result;
    PlaylistDocument& doc = result.document;
    LineCursor lines(contents);
    doc.format = lines.atEnd() ? kUnknownFormat : formatOfHeader(lines.take());
    const FormatLayout* layout = formatLayout(doc.format);
    if (!layout) {
        result.status = ReadStatus::UnknownFormat;
        result.errorStage = ReadStage::Header;
        return result;
    }

    // Every line of a block takes at least its line end, so the file's size bounds the
    // number of blocks; reserving once spares moving large presets around.
    const qsizetype minBlockBytes = 1 + static_cast<qsizetype>(layout->channels) *
                                            static_cast<qsizetype>(layout->fields.size());
    doc.presets.reserve(static_cast<std::size_t>(
        std::min<qsizetype>(kPresetCapacity + 1, contents.size() / minBlockBytes + 1)));

    ReadStage stage = ReadStage::Presets;
    try {
        while (!lines.atEnd()) {
            const QByteArrayView name = lines.take();
            if (isSectionEnd(name))
                break;
            Preset& preset = doc.presets.emplace_back();
            preset.setName(decodeText(name));
            readPresetBlock(lines, *layout, preset);
            if (static_cast<int>(doc.presets.size()) > kPresetCapacity) {
                doc.presets.clear();
                result.status = ReadStatus::CapacityExceeded;
                result.errorStage = ReadStage::Presets;
                result.errorLine = lines.lineNumber();
                return result;
            }
        }

        stage = ReadStage::SoundLists;
        readSoundLists(lines, result);

        if (layout->overviewLayoutVersion > 0) {
            stage = ReadStage::OverviewLayout;
            bool marker = true;
            doc.overviewLayout = readOverviewLayout(lines, layout->overviewLayoutVersion, &marker);
            result.layoutLengthUnexpected = !marker;
        }
        if (layout->textReaderLink) {
            stage = ReadStage::TextReaderLink;
            doc.textReaderLink = parseLink(lines.take());
            lines.take(); // the closing "~"
        }
        if (layout->gpioBlock && options.readGpioBlock) {
            stage = ReadStage::Gpio;
            doc.gpio = readGpioBlock(lines);
        }
    } catch (const ReadFault& fault) {
        result.status = ReadStatus::RuntimeError;
        result.errorNumber = fault.number;
        result.errorStage = stage;
        result.errorLine = lines.lineNumber();
        return result;
    }
    result.errorStage = ReadStage::Done;
    return result;
}

} // namespace kalvor::playlist
