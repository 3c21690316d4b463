#include "mainwindow/ChannelCaption.h"

#include "core/Channel.h"
#include "core/Settings.h"
#include "mainwindow/StripTexts.h"

namespace kalvor {

namespace {

std::array<QString, 128> buildNoteNames(bool offset) {
    static const char* const names[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                          "F#", "G",  "G#", "A",  "A#", "B"};
    std::array<QString, 128> table;
    const int firstOctave = offset ? -2 : 0;
    for (int n = 0; n < 128; ++n)
        table[static_cast<std::size_t>(n)] = QStringLiteral("%1 = %2%3")
                                                 .arg(n, 3)
                                                 .arg(QLatin1String(names[n % 12]))
                                                 .arg(firstOctave + n / 12);
    return table;
}

// The MIDI keys are stored as text ("0"/"1"); anything but a leading 1 is off.
bool textFlag(const Settings& settings, QStringView key) {
    return settings.text(key).trimmed().startsWith(QLatin1Char('1'));
}

} // namespace

const std::array<QString, 128>& MidiNoteNames(bool offset) {
    static const std::array<QString, 128> withOffset = buildNoteNames(true);
    static const std::array<QString, 128> withoutOffset = buildNoteNames(false);
    return offset ? withOffset : withoutOffset;
}

QString captionNoteText(int note, bool offset) {
    if (note < 0 || note > 127)
        return QStringLiteral("?");
    QString text = MidiNoteNames(offset)[static_cast<std::size_t>(note)];
    text.remove(QLatin1Char(' '));
    text.replace(QLatin1Char('='), QLatin1Char('/'));
    return text;
}

MidiCaptionOptions midiCaptionOptions(const Settings& settings) {
    MidiCaptionOptions o;
    o.showMidi = textFlag(settings, u"MidiNoteDisplay");
    o.useMidiIn = textFlag(settings, u"UseMIDIIn");
    o.useMidiOut = textFlag(settings, u"UseMIDIOut");
    o.noteOffset = settings.integer(u"MidiNoteOffset") == 1;
    return o;
}

ChannelCaption LabelChannel(int ch, const ChannelAssignments& assignments,
                            const MidiCaptionOptions& options, Language language) {
    const QString number = QString::number(ch + 1);
    if (!options.showMidi)
        return {QLatin1Char(' ') + number, QStringLiteral("Tahoma"), 8};
    const QString off = txt(texts::MidiOff, language);
    const QString in =
        options.useMidiIn ? captionNoteText(assignments.midiInNote, options.noteOffset) : off;
    const QString out =
        options.useMidiOut ? captionNoteText(assignments.midiOutNote, options.noteOffset) : off;
    return {QStringLiteral(" %1 (IN: %2 - OUT: %3)").arg(number, in, out),
            QStringLiteral("Small Fonts"), 7};
}

} // namespace kalvor
