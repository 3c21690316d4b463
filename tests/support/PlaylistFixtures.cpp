#include "support/PlaylistFixtures.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace kalvor::test {

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList split(const char* names) {
    return QString::fromLatin1(names).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

const QStringList kByteFields =
    split("RestartMode LoopMode PauseMode HoldMode JumpMode Autostart "
          "MidiInNote MidiInChannel MidiOutNote MidiOutChannel Rollback");
const QStringList kBoolFields = split("MidiInEnabled MidiOutEnabled EQActive ReverbActive "
                                      "DelayActive ChorusActive FlangerActive FadeInActive "
                                      "FadeOutActive");

bool isFloatField(const QString& n) {
    static const QStringList ints = split("Delay5 Chorus5 Chorus7 Flanger5 Flanger7");
    static const QStringList prefixes = split("EQ Reverb Delay Chorus Flanger");
    return !ints.contains(n) && !n.endsWith(QLatin1String("Active")) &&
           std::any_of(prefixes.begin(), prefixes.end(),
                       [&n](const QString& p) { return n.startsWith(p); });
}

QString num(double v) {
    return QString::number(v, 'g', 17);
}

using C = PresetChannel;
using Getter = std::function<QString(const C&)>;

QString asInt(long long v) {
    return QString::number(v);
}
QString asBool(bool v) {
    return v ? QStringLiteral("-1") : QStringLiteral("0");
}

const QHash<QString, Getter>& getters() {
    static const QHash<QString, Getter> g = [] {
        QHash<QString, Getter> m;
        const auto add = [&m](const QString& name, Getter get) {
            m[name] = std::move(get);
        };
        add(u"ChannelInfo"_s, [](const C& c) { return c.channelInfo; });
        add(u"ChannelInfoColour"_s, [](const C& c) { return asInt(c.channelInfoColour); });
        add(u"PlayGroup"_s, [](const C& c) { return c.playGroup; });
        add(u"StopGroup"_s, [](const C& c) { return c.stopGroup; });
        add(u"RestartMode"_s, [](const C& c) { return asInt(c.restartMode); });
        add(u"LoopMode"_s, [](const C& c) { return asInt(c.loopMode); });
        add(u"PauseMode"_s, [](const C& c) { return asInt(c.pauseMode); });
        add(u"HoldMode"_s, [](const C& c) { return asInt(c.holdMode); });
        add(u"JumpMode"_s, [](const C& c) { return asInt(c.jumpMode); });
        add(u"Autostart"_s, [](const C& c) { return asInt(c.autostart); });
        add(u"MidiInNote"_s, [](const C& c) { return asInt(c.midiInNote); });
        add(u"MidiInChannel"_s, [](const C& c) { return asInt(c.midiInChannel); });
        add(u"MidiInEnabled"_s, [](const C& c) { return asBool(c.midiInEnabled); });
        add(u"MidiOutNote"_s, [](const C& c) { return asInt(c.midiOutNote); });
        add(u"MidiOutChannel"_s, [](const C& c) { return asInt(c.midiOutChannel); });
        add(u"MidiOutEnabled"_s, [](const C& c) { return asBool(c.midiOutEnabled); });
        add(u"OutputName"_s, [](const C& c) { return c.outputName; });
        add(u"DeviceNumber"_s, [](const C& c) { return asInt(c.deviceNumber); });
        add(u"SelectedSound"_s, [](const C& c) { return asInt(c.selectedSound); });
        add(u"StartOffset"_s, [](const C& c) { return asInt(c.startOffset); });
        add(u"SoundLength"_s, [](const C& c) { return asInt(c.soundLength); });
        add(u"Rollback"_s, [](const C& c) { return asInt(c.rollback); });
        add(u"MTCStart"_s, [](const C& c) { return asInt(c.mtcStart); });
        add(u"MTCStop"_s, [](const C& c) { return asInt(c.mtcStop); });
        add(u"Volume"_s, [](const C& c) { return asInt(c.volume); });
        add(u"Pan"_s, [](const C& c) { return asInt(c.pan); });
        add(u"VariSpeed"_s, [](const C& c) { return asInt(c.variSpeed); });
        add(u"EQActive"_s, [](const C& c) { return asBool(c.effects.eqActive); });
        for (int k = 0; k < 3; ++k) {
            const QString eq = u"EQ%1"_s;
            add(eq.arg(k * 3 + 1), [k](const C& c) { return num(c.effects.eq[k].center); });
            add(eq.arg(k * 3 + 2), [k](const C& c) { return num(c.effects.eq[k].bandwidth); });
            add(eq.arg(k * 3 + 3), [k](const C& c) { return num(c.effects.eq[k].gain); });
        }
        add(u"ReverbActive"_s, [](const C& c) { return asBool(c.effects.reverbActive); });
        add(u"Reverb1"_s, [](const C& c) { return num(c.effects.reverb.inGain); });
        // The record keeps the reverb as in gain, time, mix, ratio, not in the effect's order.
        add(u"Reverb2"_s, [](const C& c) { return num(c.effects.reverb.reverbTime); });
        add(u"Reverb3"_s, [](const C& c) { return num(c.effects.reverb.reverbMix); });
        add(u"Reverb4"_s, [](const C& c) { return num(c.effects.reverb.highFreqRtRatio); });
        add(u"DelayActive"_s, [](const C& c) { return asBool(c.effects.delayActive); });
        add(u"Delay1"_s, [](const C& c) { return num(c.effects.delay.wetDryMix); });
        add(u"Delay2"_s, [](const C& c) { return num(c.effects.delay.feedback); });
        add(u"Delay3"_s, [](const C& c) { return num(c.effects.delay.leftDelay); });
        add(u"Delay4"_s, [](const C& c) { return num(c.effects.delay.rightDelay); });
        add(u"Delay5"_s, [](const C& c) { return asInt(c.effects.delay.panDelay); });
        using Mod = ModulationParams EffectSettings::*;
        const auto mod = [&add](const QString& prefix, Mod p, bool EffectSettings::*active) {
            add(prefix + u"Active"_s, [active](const C& c) { return asBool(c.effects.*active); });
            add(prefix + u"1"_s, [p](const C& c) { return num((c.effects.*p).wetDryMix); });
            add(prefix + u"2"_s, [p](const C& c) { return num((c.effects.*p).depth); });
            add(prefix + u"3"_s, [p](const C& c) { return num((c.effects.*p).feedback); });
            add(prefix + u"4"_s, [p](const C& c) { return num((c.effects.*p).frequency); });
            add(prefix + u"5"_s, [p](const C& c) { return asInt((c.effects.*p).waveform); });
            add(prefix + u"6"_s, [p](const C& c) { return num((c.effects.*p).delay); });
            add(prefix + u"7"_s, [p](const C& c) { return asInt((c.effects.*p).phase); });
        };
        mod(u"Chorus"_s, &EffectSettings::chorus, &EffectSettings::chorusActive);
        mod(u"Flanger"_s, &EffectSettings::flanger, &EffectSettings::flangerActive);
        for (int k = 0; k < 5; ++k)
            add(u"FXChain%1"_s.arg(k + 1),
                [k](const C& c) { return c.effects.fxChain[static_cast<std::size_t>(k)]; });
        add(u"SurroundDestination"_s, [](const C& c) { return asInt(c.surroundDestination); });
        add(u"FadeInTime"_s, [](const C& c) { return asInt(c.fadeIn.time); });
        add(u"FadeInActive"_s, [](const C& c) { return asBool(c.fadeIn.active); });
        add(u"FadeInCurve"_s, [](const C& c) { return asInt(c.fadeIn.curve); });
        add(u"FadeOutTime"_s, [](const C& c) { return asInt(c.fadeOut.time); });
        add(u"FadeOutActive"_s, [](const C& c) { return asBool(c.fadeOut.active); });
        add(u"FadeOutCurve"_s, [](const C& c) { return asInt(c.fadeOut.curve); });
        return m;
    }();
    return g;
}

QStringList layoutBlock(int version) {
    const int n = version == 1 ? 21 : version == 2 ? 22 : 30;
    QStringList l = split("Arial 9,5 0 -1 255");
    for (int k = 0; k < n; ++k)
        l << QString::number(n - k); // the last column first: the order reversed
    for (int g = 1; g <= n; ++g)
        l << (g % 2 == 0 ? u"-1"_s : u"0"_s);
    l << QStringLiteral("0");
    for (int g = 0; g <= n; ++g)
        l << QString::number(1000 + g);
    l << QStringLiteral("~");
    return l;
}

QStringList gpioBlock() {
    QStringList l = split("IN OUT OFF IN");
    for (int k = 1; k <= 24; ++k)
        l << u"Function %1"_s.arg(k) << QString::number(k) << QString::number(k % 2)
          << QString::number(50 * k) << QString::number(10 * k);
    l << QStringLiteral("1") << QStringLiteral("~");
    return l;
}

} // namespace

const QStringList& format17LineNames() {
    static const QStringList names = split(
        "ChannelInfo ChannelInfoColour PlayGroup StopGroup RestartMode LoopMode PauseMode HoldMode "
        "JumpMode Autostart MidiInNote MidiInChannel MidiInEnabled MidiOutNote MidiOutChannel "
        "MidiOutEnabled OutputName DeviceNumber SelectedSound StartOffset SoundLength Rollback "
        "MTCStart MTCStop Volume Pan VariSpeed EQActive EQ1 EQ2 EQ3 EQ4 EQ5 EQ6 EQ7 EQ8 EQ9 "
        "ReverbActive Reverb1 Reverb2 Reverb3 Reverb4 DelayActive Delay1 Delay2 Delay3 Delay4 "
        "Delay5 ChorusActive Chorus1 Chorus2 Chorus3 Chorus4 Chorus5 Chorus6 Chorus7 "
        "FlangerActive Flanger1 Flanger2 Flanger3 Flanger4 Flanger5 Flanger6 Flanger7 FXChain1 "
        "FXChain2 FXChain3 FXChain4 FXChain5 SurroundDestination FadeInTime FadeInActive "
        "FadeInCurve FadeOutTime FadeOutActive FadeOutCurve");
    return names;
}

QStringList lineNamesOfVersion(int version) {
    if (version == 14) // lines 3..17 and 19..76 of format 17
        return QStringList{u"-"_s} + format17LineNames().mid(2, 15) + format17LineNames().mid(18);
    if (version == 15) // lines 3..76
        return QStringList{u"-"_s} + format17LineNames().mid(2);
    if (version > 15)
        return format17LineNames();
    // Up to 13 every version adds lines to the one before; "@n" is the first version with it.
    QStringList names;
    for (const QString& entry :
         split("- PlayGroup StopGroup@4 RestartMode LoopMode PauseMode HoldMode JumpMode -Volume94 "
               "-Pan0 -VariSpeed0 Autostart MidiInNote MidiInChannel@10 MidiInEnabled@13 "
               "OutputName@3 -@3 SelectedSound@5 StartOffset@6 SoundLength@6 Rollback@7 "
               "MTCStart@9 MTCStop@9")) {
        const QStringList parts = entry.split(QLatin1Char('@'));
        if (parts.size() == 1 || parts[1].toInt() <= version)
            names << parts[0];
    }
    return names;
}

QString fieldText(const PresetChannel& channel, const QString& name) {
    return getters().value(name)(channel);
}

QString fixtureValue(const QString& name, int p, int ch, int line) {
    if (name.startsWith(QLatin1Char('-')))
        return u"dropped %1"_s.arg(line);
    if (name == QLatin1String("ChannelInfo"))
        return u"Info %1-%2"_s.arg(p).arg(ch);
    if (name == QLatin1String("OutputName"))
        return u"Out %1-%2"_s.arg(p).arg(ch);
    if (name == QLatin1String("PlayGroup"))
        return QString::number(1 + (p + ch) % 8);
    if (name == QLatin1String("StopGroup"))
        return QString::number(1 + (p + ch + 3) % 8);
    if (name.startsWith(QLatin1String("FXChain"))) {
        static const char* chain[] = {"EQ", "REVERB", "DELAY", "CHORUS", "FLANGER"};
        return QString::fromLatin1(chain[(name.right(1).toInt() - 1 + p + ch) % 5]);
    }
    if (kByteFields.contains(name))
        return QString::number((p * 31 + ch * 7 + line) % 250 + 1);
    if (kBoolFields.contains(name))
        return (p + ch + line) % 2 ? u"-1"_s : u"0"_s;
    if (name == QLatin1String("SelectedSound"))
        return QString::number((p * 3 + ch + line) % 1000);
    if (isFloatField(name))
        return num((p * 100 + ch * 10 + line) + 0.25);
    return QString::number(-(p * 100000 + ch * 100 + line));
}

QStringList standardTail(int version) {
    QStringList t;
    if (version == 13)
        t << layoutBlock(1);
    else if (version >= 14 && version <= 16)
        t << layoutBlock(2);
    else if (version == 17)
        t << layoutBlock(3);
    if (version >= 11)
        t << u"-"_s << u"~"_s;
    if (version >= 15)
        t << gpioBlock();
    return t;
}

QByteArray fixtureFile(int version, const FixtureOptions& o) {
    QStringList lines{u"Fileformat %1"_s.arg(version)};
    const QStringList names = lineNamesOfVersion(version);
    const int channels = version <= 11 ? 8 : 32;
    for (int p = 0; p < o.presets; ++p) {
        lines << u"Preset %1"_s.arg(p + 1);
        for (int ch = 0; ch < channels; ++ch)
            for (int k = 0; k < names.size(); ++k)
                lines << fixtureValue(names[k], p, ch, k);
        if (version >= 8 && version <= 13)
            for (int k = 0; k < 40; ++k)
                lines << u"old %1"_s.arg(k);
        if (version >= 11)
            lines << QString::number(p * 10 + 1) << QString::number(p * 10 + 2);
    }
    lines << u"~"_s << o.soundSection << u"~"_s << o.tail;
    QByteArray out;
    for (const auto& l : lines)
        out += l.toUtf8() + "\r\n";
    return out;
}

Preset randomPreset(std::mt19937& rng, int index) {
    auto pick = [&rng](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    auto text = [&](int maxLen) {
        static const QString alphabet = QStringLiteral("abcXYZ 0189|-_.~äöüÄÖÜß€éñ\"'\\/:;") +
                                        QString::fromUtf8("\xF0\x9F\x8E\xB5");
        QString s;
        const int len = pick(0, maxLen);
        while (s.size() < len) {
            const int k = pick(0, static_cast<int>(alphabet.size()) - 1);
            if (alphabet[k].isHighSurrogate()) {
                s += alphabet.mid(k, 2);
            } else if (!alphabet[k].isLowSurrogate()) {
                s += alphabet[k];
            }
        }
        s = s.trimmed();
        while (s.toUcs4().size() > maxLen)
            s.chop(1);
        return s.trimmed();
    };
    auto real = [&]() {
        // Any finite single, subnormals and extremes included.
        for (;;) {
            const auto bits = static_cast<std::uint32_t>(rng());
            float f;
            std::memcpy(&f, &bits, sizeof f);
            if (std::isfinite(f))
                return f;
        }
    };
    auto i32 = [&]() {
        return static_cast<std::int32_t>(rng());
    };
    auto u8 = [&]() {
        return static_cast<std::uint8_t>(pick(0, 255));
    };
    auto flag = [&]() {
        return pick(0, 1) == 1;
    };

    Preset p;
    p.setName(QStringLiteral("Scene %1 ").arg(index) + text(30));
    p.textReaderPosition = i32();
    p.remoteTextPosition = i32();
    for (auto& c : p.channels) {
        c.channelInfo = text(50);
        c.channelInfoColour = i32();
        c.playGroup = text(3);
        c.stopGroup = text(3);
        for (auto* b : {&c.restartMode, &c.loopMode, &c.pauseMode, &c.holdMode, &c.jumpMode,
                        &c.midiInNote, &c.midiInChannel})
            *b = u8();
        c.midiInEnabled = flag();
        c.midiOutNote = u8();
        c.midiOutChannel = u8();
        c.midiOutEnabled = flag();
        c.autostart = u8();
        c.outputName = text(64);
        c.deviceNumber = i32();
        c.selectedSound = static_cast<std::int16_t>(pick(-32768, 32767));
        c.startOffset = i32();
        c.soundLength = i32();
        c.rollback = u8();
        for (auto* v : {&c.mtcStart, &c.mtcStop, &c.volume, &c.pan, &c.variSpeed})
            *v = i32();
        auto& fx = c.effects;
        fx.eqActive = flag();
        for (auto& band : fx.eq)
            band = {real(), real(), real()};
        fx.reverbActive = flag();
        fx.reverb = {real(), real(), real(), real()};
        fx.delayActive = flag();
        fx.delay = {real(), real(), real(), real(), i32()};
        fx.chorusActive = flag();
        fx.chorus = {real(), real(), real(), real(), i32(), real(), i32()};
        fx.flangerActive = flag();
        fx.flanger = {real(), real(), real(), real(), i32(), real(), i32()};
        for (auto& place : fx.fxChain)
            place = text(8);
        c.surroundDestination = i32();
        c.fadeIn = {i32(), flag(), i32()};
        c.fadeOut = {i32(), flag(), i32()};
    }
    return p;
}

} // namespace kalvor::test
