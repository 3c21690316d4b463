#include "cli/InfoCommand.h"

#include "core/SoundEntry.h"
#include "show/playlist/PlaylistFiles.h"
#include "show/playlist/SoundPaths.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace kalvor::cli {

using namespace kalvor::playlist;

namespace {

QString levelText(int volume) {
    if (volume >= 100)
        return QStringLiteral("0dB");
    if (volume <= 0)
        return QStringLiteral("-99dB");
    return QStringLiteral("-%1dB").arg(100 - volume);
}

QString panText(int pan) {
    if (pan == 0)
        return QStringLiteral("C");
    return (pan < 0 ? QStringLiteral("L") : QStringLiteral("R")) + QString::number(std::abs(pan));
}

QString statusText(const PlaylistReadResult& r) {
    switch (r.status) {
    case ReadStatus::Complete:
        return QStringLiteral("complete");
    case ReadStatus::UnknownFormat:
        return QStringLiteral("not a playlist (no header of format 2..17)");
    case ReadStatus::CapacityExceeded:
        return QStringLiteral("refused: more than 100 presets");
    case ReadStatus::RuntimeError:
        break;
    }
    return QStringLiteral("error %1 (%2) at line %3")
        .arg(r.errorNumber)
        .arg(readErrorDescription(r.errorNumber))
        .arg(r.errorLine);
}

QStringList modes(const PresetChannel& c) {
    QStringList m;
    const std::pair<std::uint8_t, const char*> flags[] = {
        {c.restartMode, "restart"}, {c.loopMode, "loop"}, {c.pauseMode, "pause"},
        {c.holdMode, "hold"},       {c.jumpMode, "jump"}, {c.rollback, "rollback"},
        {c.autostart, "autostart"}};
    for (const auto& [on, name] : flags)
        if (on)
            m << QString::fromLatin1(name);
    return m;
}

struct Sound {
    QString path;
    bool missing = false;
};

} // namespace

int runInfo(const QStringList& args) {
    QString file;
    bool json = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--json")) {
            json = true;
        } else if (file.isEmpty() && !a.startsWith(QLatin1String("--"))) {
            file = a;
        } else {
            std::fprintf(stderr, "kalvor-tool info: unexpected argument '%s'\n", qUtf8Printable(a));
            return 2;
        }
    }
    if (file.isEmpty()) {
        std::fputs("usage: kalvor-tool info SHOW.kal [--json]\n", stderr);
        return 2;
    }
    QString openError;
    const PlaylistReadResult r = readPlaylistFile(file, &openError);
    if (!openError.isEmpty()) {
        std::fprintf(stderr, "kalvor-tool info: %s: %s\n", qUtf8Printable(file),
                     qUtf8Printable(openError));
        return 1;
    }
    const PlaylistDocument& doc = r.document;

    SoundPathResolver resolver(QFileInfo(file).absolutePath());
    std::array<QList<Sound>, kChannelCount> sounds;
    QList<QPair<int, QString>> missing;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        for (const QString& written : doc.soundPaths[static_cast<std::size_t>(ch)]) {
            const auto found = resolver.resolve(written);
            sounds[static_cast<std::size_t>(ch)].append({found.path, !found.exists});
            if (!found.exists)
                missing.append({ch, written});
        }
    }
    auto selected = [&sounds](int ch, int index) -> const Sound* {
        const auto& list = sounds[static_cast<std::size_t>(ch)];
        return index >= 0 && index < list.size() ? &list[index] : nullptr;
    };

    if (json) {
        QJsonObject root;
        root[QStringLiteral("file")] = file;
        root[QStringLiteral("format")] = doc.format;
        root[QStringLiteral("status")] = statusText(r);
        root[QStringLiteral("complete")] = r.status == ReadStatus::Complete;
        QJsonArray presets;
        for (const Preset& p : doc.presets) {
            QJsonObject po;
            po[QStringLiteral("name")] = p.name;
            po[QStringLiteral("textReaderPosition")] = p.textReaderPosition;
            po[QStringLiteral("remoteTextPosition")] = p.remoteTextPosition;
            QJsonArray channels;
            for (int ch = 0; ch < kChannelCount; ++ch) {
                const PresetChannel& c = p.channels[static_cast<std::size_t>(ch)];
                QJsonObject co;
                co[QStringLiteral("channel")] = ch + 1;
                co[QStringLiteral("selectedSound")] = c.selectedSound;
                const Sound* s = selected(ch, c.selectedSound);
                co[QStringLiteral("sound")] = s ? QJsonValue(s->path) : QJsonValue();
                co[QStringLiteral("soundMissing")] = s ? s->missing : false;
                co[QStringLiteral("volume")] = c.volume;
                co[QStringLiteral("pan")] = c.pan;
                co[QStringLiteral("variSpeed")] = c.variSpeed;
                co[QStringLiteral("output")] = c.outputName;
                co[QStringLiteral("deviceNumber")] = c.deviceNumber;
                co[QStringLiteral("playGroup")] = c.playGroup;
                co[QStringLiteral("stopGroup")] = c.stopGroup;
                co[QStringLiteral("modes")] = QJsonArray::fromStringList(modes(c));
                co[QStringLiteral("startOffset")] = c.startOffset;
                co[QStringLiteral("fadeIn")] =
                    QJsonObject{{QStringLiteral("ms"), c.fadeIn.time},
                                {QStringLiteral("active"), c.fadeIn.active},
                                {QStringLiteral("curve"), c.fadeIn.curve}};
                co[QStringLiteral("fadeOut")] =
                    QJsonObject{{QStringLiteral("ms"), c.fadeOut.time},
                                {QStringLiteral("active"), c.fadeOut.active},
                                {QStringLiteral("curve"), c.fadeOut.curve}};
                co[QStringLiteral("info")] = c.channelInfo;
                channels.append(co);
            }
            po[QStringLiteral("channels")] = channels;
            presets.append(po);
        }
        root[QStringLiteral("presets")] = presets;
        QJsonArray lists;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            QJsonArray entries;
            for (const Sound& s : sounds[static_cast<std::size_t>(ch)])
                entries.append(QJsonObject{{QStringLiteral("path"), s.path},
                                           {QStringLiteral("missing"), s.missing}});
            lists.append(QJsonObject{{QStringLiteral("channel"), ch + 1},
                                     {QStringLiteral("sounds"), entries}});
        }
        root[QStringLiteral("soundLists")] = lists;
        QJsonArray gone;
        for (const auto& m : missing)
            gone.append(QJsonObject{{QStringLiteral("channel"), m.first + 1},
                                    {QStringLiteral("path"), m.second}});
        root[QStringLiteral("missingSounds")] = gone;
        root[QStringLiteral("textDocument")] =
            doc.textReaderLink.isSet() ? QJsonValue(doc.textReaderLink.path()) : QJsonValue();
        root[QStringLiteral("overviewLayoutVersion")] =
            doc.overviewLayout ? QJsonValue(doc.overviewLayout->version) : QJsonValue();
        root[QStringLiteral("gpioBlock")] = doc.gpio.has_value();
        std::fputs(QJsonDocument(root).toJson(QJsonDocument::Indented).constData(), stdout);
        return r.status == ReadStatus::Complete ? 0 : 1;
    }

    std::printf("%s\n", qUtf8Printable(file));
    std::printf("format:   %d%s\n", doc.format,
                doc.format == kNewestFormat ? "" : " (older; convert writes 17)");
    std::printf("status:   %s\n", qUtf8Printable(statusText(r)));
    std::printf("presets:  %d\n", static_cast<int>(doc.presets.size()));
    int n = 0;
    for (const Preset& p : doc.presets) {
        std::printf("\n%3d  %s\n", ++n, qUtf8Printable(p.name));
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const PresetChannel& c = p.channels[static_cast<std::size_t>(ch)];
            const Sound* s = selected(ch, c.selectedSound);
            if (!s)
                continue;
            QString line = QStringLiteral("     ch %1  %2%3  vol %4  pan %5  speed %6%")
                               .arg(ch + 1, 2)
                               .arg(soundDisplayName(s->path),
                                    s->missing ? QStringLiteral(" (missing)") : QString(),
                                    levelText(c.volume), panText(c.pan))
                               .arg(c.variSpeed);
            if (c.fadeIn.active)
                line += QStringLiteral("  fade in %1ms").arg(c.fadeIn.time);
            if (c.fadeOut.active)
                line += QStringLiteral("  fade out %1ms").arg(c.fadeOut.time);
            const QStringList m = modes(c);
            if (!m.isEmpty())
                line += QStringLiteral("  ") + m.join(QLatin1Char(','));
            if (c.playGroup != QLatin1String("---") && !c.playGroup.isEmpty())
                line += QStringLiteral("  play group ") + c.playGroup;
            if (c.stopGroup != QLatin1String("---") && !c.stopGroup.isEmpty())
                line += QStringLiteral("  stop group ") + c.stopGroup;
            if (!c.outputName.isEmpty())
                line += QStringLiteral("  -> ") + c.outputName;
            std::printf("%s\n", qUtf8Printable(line));
        }
    }
    std::printf("\nsound lists:\n");
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const auto& list = sounds[static_cast<std::size_t>(ch)];
        if (!list.isEmpty())
            std::printf("  channel %2d: %d sound(s)\n", ch + 1, static_cast<int>(list.size()));
    }
    std::printf("missing sounds: %d\n", static_cast<int>(missing.size()));
    for (const auto& m : missing)
        std::printf("  channel %2d: %s\n", m.first + 1, qUtf8Printable(m.second));
    if (doc.textReaderLink.isSet())
        std::printf("text document: %s\n", qUtf8Printable(doc.textReaderLink.path()));
    if (doc.overviewLayout)
        std::printf("overview layout: block version %d\n", doc.overviewLayout->version);
    if (doc.gpio)
        std::printf("GPIO block: yes\n");
    return r.status == ReadStatus::Complete ? 0 : 1;
}

} // namespace kalvor::cli
