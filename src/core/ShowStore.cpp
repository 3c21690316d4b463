#include "core/ShowStore.h"

#include "core/CoreTexts.h"
#include "core/FixedText.h"
#include "core/UiLanguage.h"

namespace kalvor {

ShowStore::ShowStore(QObject* parent) : QObject(parent) {
    writeChannelTitles();
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, [this] { writeChannelTitles(); });
}

void ShowStore::setSoundList(int ch, QList<SoundEntry> entries) {
    soundList(ch) = std::move(entries);
    announceSoundList(ch);
}

void ShowStore::setChannelInfo(int ch, const QString& text, int colour) {
    auto& c = controls(ch);
    c.infoText = fitToWidth(text, kChannelInfoWidth);
    c.infoColour = colour;
    announceChannel(ch, ChannelAspect::Controls);
}

void ShowStore::writeChannelTitles() {
    const QString word = txt(texts::ChannelTitle);
    for (int ch = 0; ch < kChannelCount; ++ch)
        titles_[static_cast<std::size_t>(ch)] = word + QString::number(ch + 1);
    Q_EMIT channelTitlesChanged();
}

void ShowStore::setPlaylistPath(const QString& path) {
    if (path == playlistPath_)
        return;
    playlistPath_ = path;
    Q_EMIT playlistPathChanged(path);
}

void ShowStore::resetPlaybackChannels() {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        auto& c = controls(ch);
        c.infoText.clear();
        auto& a = assignments(ch);
        a.startOffset = 0;
        a.soundLength = 0;
        a.mtcStart = 0;
        a.mtcStop = 0;
    }
    writeChannelTitles();
    for (int ch = 0; ch < kChannelCount; ++ch)
        announceChannel(ch);
}

void ShowStore::announceChannel(int ch, ChannelAspect aspects) {
    Q_EMIT channelChanged(ch, static_cast<unsigned>(aspects));
}

void ShowStore::announceSoundList(int ch) {
    Q_EMIT soundListChanged(ch);
}

void ShowStore::announcePresets() {
    Q_EMIT presetsChanged();
    Q_EMIT currentPresetChanged(presets_.current());
}

void ShowStore::selectChannel(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    selectedChannel_ = ch;
    Q_EMIT selectedChannelChanged(ch);
}

} // namespace kalvor
