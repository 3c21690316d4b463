#include "control/units/kd1/Kd1Display.h"

#include "control/serial/SerialLine.h"
#include "control/units/kd1/Kd1Commands.h"
#include "control/units/kd1/Kd1Texts.h"
#include "core/Dialogs.h"
#include "core/FixedText.h"
#include "core/Limits.h"
#include "core/Preset.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kalvor::units {

namespace {

namespace t = kd1texts;

constexpr int kChannels = 32;
constexpr int kNoticeMs = 1500;
constexpr int kMaxName = 40;

Language language() {
    return UiLanguage::instance().current();
}

} // namespace

Kd1Display::Kd1Display(ShowLayer& show, Settings& settings, std::unique_ptr<Kd1Link> link,
                       QObject* parent)
    : QObject(parent), show_(show), settings_(settings), link_(std::move(link)) {
    noticeTimer_.setSingleShot(true);
    connect(&noticeTimer_, &QTimer::timeout, this, [this] {
        if (page_ == Page::Notice)
            setPage(afterNotice_);
    });
    // The main page's times move once a second while something plays.
    clock_.setInterval(1000);
    connect(&clock_, &QTimer::timeout, this, [this] { tick(); });

    ShowStore& store = show_.store();
    connect(&store, &ShowStore::channelChanged, this, [this](int ch, unsigned aspects) {
        // The main page shows a channel's sound, not its levels or modes: a fader drawn
        // on the main window would otherwise send the whole page once per step.
        const bool main =
            page_ == Page::Main && (aspects & static_cast<unsigned>(ChannelAspect::Sound)) != 0;
        if (main || ((page_ == Page::Options1 || page_ == Page::Options2) && ch == channel_))
            refresh();
    });
    connect(&store, &ShowStore::presetsChanged, this, [this] {
        if (page_ == Page::Main || page_ == Page::PresetSelect || page_ == Page::PresetList)
            refresh();
    });
    connect(&store, &ShowStore::soundListChanged, this, [this](int ch) {
        if (page_ == Page::SoundSelect && ch == channel_)
            refresh();
    });
    ChannelPlayback& playback = show_.playback();
    for (auto signal : {&ChannelPlayback::channelStarted, &ChannelPlayback::channelStopped,
                        &ChannelPlayback::channelPaused})
        connect(&playback, signal, this, [this](int) {
            if (page_ == Page::Main)
                refresh();
        });
    connect(&show_.recall(), &PresetRecall::recallStarted, this, [this](int) {
        if (enabled())
            showNotice(txt(t::LoadingPreset));
    });
    connect(&show_.recall(), &PresetRecall::recallFinished, this, [this](int) {
        if (!enabled())
            return;
        noticeTimer_.stop();
        setPage(page_ == Page::Notice ? afterNotice_ : page_);
    });
    connect(&show_.selection(), &SoundSelection::loadFailed, this, [this](int ch) {
        if (enabled() && ch == channel_)
            showNotice(txt(t::FileError));
    });
}

Kd1Display::~Kd1Display() = default;

bool Kd1Display::settingOn(const char* key) const {
    const QString v = settings_.text(QString::fromLatin1(key)).trimmed();
    return v == QLatin1String("1") || v == QLatin1String("-1") ||
           v.compare(QLatin1String("ON"), Qt::CaseInsensitive) == 0;
}

bool Kd1Display::open() {
    if (enabled())
        return true;
    if (!settingOn("DO500Enabled"))
        return false;
    const int port = settings_.text(u"DO500ComPort").trimmed().toInt();
    const int taken = portInUse_ ? portInUse_() : 0;
    if (port > 0 && port == taken) {
        showMessage(txt(t::PortErrorTitle), txt(t::PortTaken).arg(port).arg(taken),
                    MessageIcon::Critical);
        return false;
    }
    const QString device = port > 0 ? comDevicePath(settings_, port) : QString();
    if (device.isEmpty() || !link_->open(device) || !link_->clearToSend()) {
        link_->close();
        AddDebugMessage(QStringLiteral("KD-1: no display answers on %1").arg(device));
        showMessage(txt(t::PortErrorTitle), txt(t::NoDisplay) + QString::number(port),
                    MessageIcon::Critical);
        return false;
    }
    page_ = Page::Main;
    port_ = port;
    send(kd1StartScreen(language()));
    clock_.start();
    return true;
}

void Kd1Display::showPlaylist() {
    if (enabled())
        setPage(Page::Main);
}

void Kd1Display::close() {
    if (!enabled())
        return;
    clock_.stop();
    noticeTimer_.stop();
    send({kd1Clear()});
    page_ = Page::Off;
    link_->close();
}

void Kd1Display::send(const QByteArrayList& commands) {
    for (const QByteArray& c : commands) {
        // A busy unit loses the text rather than queueing stale pages.
        if (!c.isEmpty() && link_->isOpen() && link_->clearToSend())
            link_->write(c);
    }
}

void Kd1Display::setPage(Page page) {
    if (!enabled())
        return;
    page_ = page;
    refresh();
}

int Kd1Display::listCount() const {
    const ShowStore& store = show_.store();
    switch (page_) {
    case Page::PresetSelect:
    case Page::PresetList:
        return store.presets().count();
    case Page::SoundSelect:
    case Page::Preview:
        return channel_ >= 0 ? int(store.soundList(channel_).size()) : 0;
    case Page::Browser:
        return int(files_.size());
    default:
        return 0;
    }
}

void Kd1Display::refresh() {
    const Language lang = language();
    const ShowStore& store = show_.store();
    cursor_ = std::clamp(cursor_, 0, std::max(0, listCount() - 1));
    if (cursor_ < first_)
        first_ = cursor_;
    if (cursor_ >= first_ + kKd1ListRows)
        first_ = cursor_ - kKd1ListRows + 1;
    switch (page_) {
    case Page::Off:
        return;
    case Page::Main:
        send(kd1MainPageCommands(mainPage(), lang));
        return;
    case Page::Options1:
    case Page::Options2:
        send(kd1OptionsPage(page_ == Page::Options1 ? 1 : 2, channelOptions(), lang));
        return;
    case Page::PresetSelect:
    case Page::PresetList:
        send(kd1ListPage(txt(page_ == Page::PresetSelect ? t::SelectPreset : t::Presets, lang),
                         store.presets().names(), cursor_, first_, QString()));
        return;
    case Page::SoundSelect: {
        QStringList names;
        for (const SoundEntry& e : store.soundList(channel_))
            names << e.displayName;
        send(kd1ListPage(txt(t::SoundSelection, lang) + QString::number(channel_ + 1), names,
                         cursor_, first_, txt(t::NoSounds, lang)));
        return;
    }
    case Page::Preview:
        send(kd1PreviewPage(soundInfo(), lang));
        return;
    case Page::TextEntry:
        send(kd1TextEntryPage(entry_, text_, textCursor_, lang));
        return;
    case Page::Question:
        send(kd1QuestionPage(question_, lang));
        return;
    case Page::Notice:
        send(kd1NoticePage(notice_));
        return;
    case Page::Browser:
        send(kd1ListPage(txt(t::LoadPlaylist, lang), files_, cursor_, first_,
                         txt(t::NoPlaylists, lang)));
        return;
    }
}

Kd1MainPage Kd1Display::mainPage() const {
    const ShowStore& store = show_.store();
    const PresetMemory& memory = store.presets();
    Kd1MainPage page;
    const int current = memory.current();
    page.presetCount = memory.count();
    if (current >= 0 && current < memory.count()) {
        page.presetNumber = current + 1;
        page.presetName = memory.names().at(current);
        if (current + 1 < memory.count())
            page.nextName = memory.names().at(current + 1);
    }
    page.style = std::clamp(settings_.text(u"DO500Size").trimmed().toInt(), 1, 6);
    const int format = settings_.text(u"DO500TimeFormat").trimmed().toInt();
    const bool countdown = settingOn("DO500Countdown");
    const bool bar = settingOn("DO500Progressbar");
    for (int ch = 0; ch < kChannels; ++ch) {
        const bool playing = KAE__Channel_IsPlaying(ch);
        const bool paused = !playing && KAE__Channel_IsPaused(ch);
        if (!playing && !paused)
            continue;
        Kd1PlayingLine line;
        line.channel = ch + 1;
        const int entry = store.controls(ch).selectedSound;
        const auto& list = store.soundList(ch);
        line.name = entry >= 0 && entry < list.size() ? list.at(entry).displayName : QString();
        const qint64 length = KAE__Channel_GetLengthInSec(ch);
        const qint64 position = KAE__Channel_GetPositionInSec(ch);
        line.time = kd1Time(countdown ? length - position : position, format);
        if (bar)
            line.percent = length > 0 ? int(position * 100 / length) : 0;
        line.paused = paused;
        page.playing.push_back(line);
    }
    return page;
}

Kd1ChannelOptions Kd1Display::channelOptions() const {
    const ShowStore& store = show_.store();
    const int ch = std::clamp(channel_, 0, kChannels - 1);
    const ChannelControls& c = store.controls(ch);
    Kd1ChannelOptions o;
    o.channel = ch + 1;
    o.modes = {c.restartMode != 0, c.loopMode != 0, c.pauseMode != 0, c.holdMode != 0,
               c.jumpMode != 0,    c.rollback != 0, c.autostart != 0};
    o.playGroup = groupNumber(c.playGroup);
    o.stopGroup = groupNumber(c.stopGroup);
    o.output = store.channel(ch).outputName;
    o.volume = store.channel(ch).volume;
    o.pan = store.channel(ch).pan;
    return o;
}

Kd1SoundInfo Kd1Display::soundInfo() const {
    const ShowStore& store = show_.store();
    Kd1SoundInfo info;
    const auto& list = store.soundList(channel_);
    if (cursor_ < 0 || cursor_ >= list.size())
        return info;
    info.name = list.at(cursor_).displayName;
    // Only the channel's loaded sound has been measured; any other entry shows "?".
    if (cursor_ == store.controls(channel_).selectedSound &&
        show_.playback().soundReady(channel_)) {
        const Channel& c = store.channel(channel_);
        info.duration = KAE__Channel_GetLengthStringHMS(channel_);
        info.sampleRate = QString::number(c.sampleRate);
        info.bits = QString::number(c.fileBits);
        info.channels = QString::number(c.fileChannels);
        info.volume = kd1VolumeText(c.volume);
    }
    return info;
}

void Kd1Display::showNotice(const QString& text) {
    if (!enabled() || text.isEmpty())
        return;
    if (page_ != Page::Notice)
        afterNotice_ = page_;
    notice_ = text;
    page_ = Page::Notice;
    refresh();
    noticeTimer_.start(kNoticeMs);
}

void Kd1Display::channelChanged(int channel) {
    if (!enabled() || channel < 0 || channel >= kChannels)
        return;
    if ((page_ == Page::Options1 || page_ == Page::Options2) && channel != channel_) {
        channel_ = channel;
        refresh();
    } else if (page_ == Page::Main || page_ == Page::Options1 || page_ == Page::Options2) {
        refresh();
    }
}

bool Kd1Display::anyPlaying() const {
    for (int ch = 0; ch < kChannels; ++ch) {
        if (KAE__Channel_IsPlaying(ch))
            return true;
    }
    return false;
}

void Kd1Display::tick() {
    if (!link_->isOpen()) {
        // The adapter was pulled out: it is looked for once a second, quietly (its loss was
        // reported), and the unit, which comes back blank, gets the page it showed.
        const QString device = comDevicePath(settings_, port_);
        if (!link_->open(device))
            return;
        AddDebugMessage(QStringLiteral("KD-1: the port %1 is back").arg(device));
        refresh();
        return;
    }
    if (page_ == Page::Main && anyPlaying())
        refresh();
}

QString Kd1Display::playlistFolder() const {
    const QString loaded = show_.store().playlistPath();
    return loaded.isEmpty() ? QDir::homePath() : QFileInfo(loaded).absolutePath();
}

void Kd1Display::functionKey(int key, bool pressed, bool) {
    if (!enabled() || !pressed)
        return;
    const ShowStore& store = show_.store();
    if (channel_ < 0)
        channel_ = std::max(0, store.selectedChannel());
    switch (key) {
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
        settings_.setText(u"DO500Size", QString::number(key - 8));
        setPage(Page::Main);
        return;
    case 15:
    case 16:
        stepChannel(key == 16 ? 1 : -1);
        return;
    case 23:
    case 24:
        if (page_ == Page::TextEntry) {
            textCursor_ = std::clamp(textCursor_ + (key == 24 ? 1 : -1), 0,
                                     std::min<int>(kMaxName - 1, int(text_.size())));
            refresh();
        } else if (page_ == Page::Options1 || page_ == Page::Options2) {
            setPage(key == 24 ? Page::Options2 : Page::Options1);
        } else if (page_ == Page::SoundSelect && key == 24 && listCount() > 0) {
            setPage(Page::Preview);
        } else if (page_ == Page::Preview && key == 23) {
            setPage(Page::SoundSelect);
        }
        return;
    case 31:
    case 32:
        if (page_ == Page::TextEntry)
            changeCharacter(key == 32 ? 1 : -1);
        else
            moveCursor(key == 32 ? 1 : -1);
        return;
    case 33:
        cursor_ = std::max(0, store.presets().selected() >= 0 ? store.presets().selected()
                                                              : store.presets().current());
        first_ = 0;
        setPage(Page::PresetSelect);
        return;
    case 34:
        cursor_ = std::max(0, store.presets().count() - 1);
        first_ = 0;
        setPage(Page::PresetList);
        return;
    case 35:
    case 36:
        moveCursor(key == 36 ? 1 : -1);
        return;
    case 37:
        openSoundSelection();
        return;
    case 38:
        setPage(page_ == Page::Options1 ? Page::Options2 : Page::Options1);
        return;
    case 41:
    case 43: {
        const int current = store.presets().current();
        entry_ = key == 41 ? Kd1TextEntry::RenamePreset : Kd1TextEntry::SavePlaylistAs;
        if (key == 41 && (current < 0 || current >= store.presets().count()))
            return;
        // A recall while the name is typed must not move the rename to another preset.
        renaming_ = key == 41 ? current : -1;
        text_ = key == 41 ? store.presets().names().at(current).trimmed() : txt(t::NewPlaylist);
        textCursor_ = std::min<int>(kMaxName - 1, int(text_.size()));
        setPage(Page::TextEntry);
        return;
    }
    case 42:
    case 44:
    case 45:
        question_ = key == 42   ? Kd1Question::RemovePreset
                    : key == 44 ? Kd1Question::RemoveSound
                                : Kd1Question::RemoveAll;
        // Safety mode (the default) asks on the display first; without it a removal key
        // acts at once, for operators who want one press.
        if (settingOn("DO500SafetyMode"))
            setPage(Page::Question);
        else
            confirm();
        return;
    case 46:
        enter();
        return;
    case 47:
        cancel();
        return;
    case 48:
        setPage(Page::Main);
        return;
    case 54:
        if (page_ == Page::SoundSelect && listCount() > 0)
            setPage(Page::Preview);
        return;
    case 55:
        openBrowser();
        return;
    default:
        return;
    }
}

void Kd1Display::stepChannel(int step) {
    if (page_ != Page::Options1 && page_ != Page::Options2 && page_ != Page::SoundSelect)
        return;
    channel_ = (channel_ + step + kChannels) % kChannels;
    if (page_ == Page::SoundSelect)
        openSoundSelection();
    else
        refresh();
}

void Kd1Display::openSoundSelection() {
    cursor_ = std::max(0, int(show_.store().controls(channel_).selectedSound));
    first_ = 0;
    setPage(Page::SoundSelect);
}

void Kd1Display::openBrowser() {
    files_ = QDir(playlistFolder())
                 .entryList({QStringLiteral("*.kal")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    cursor_ = first_ = 0;
    setPage(Page::Browser);
}

void Kd1Display::moveCursor(int step) {
    const int count = listCount();
    if (count == 0)
        return;
    cursor_ = std::clamp(cursor_ + step, 0, count - 1);
    refresh();
}

void Kd1Display::changeCharacter(int step) {
    const QString set = kd1EntryCharacters();
    // Past the end a new character starts at the beginning (or the end) of the set.
    if (textCursor_ >= text_.size()) {
        text_.append(step > 0 ? set.front() : set.back());
    } else {
        const qsizetype at = set.indexOf(text_.at(textCursor_));
        const qsizetype next = at < 0 ? 0 : (at + step + set.size()) % set.size();
        text_[textCursor_] = set.at(next);
    }
    refresh();
}

void Kd1Display::cancel() {
    noticeTimer_.stop();
    setPage(Page::Main);
}

void Kd1Display::enter() {
    ShowStore& store = show_.store();
    switch (page_) {
    case Page::PresetSelect:
    case Page::PresetList:
        if (cursor_ < store.presets().count()) {
            page_ = Page::Main;
            show_.recall().SelectPreset(cursor_);
            refresh();
        }
        return;
    case Page::SoundSelect:
    case Page::Preview:
        if (cursor_ < listCount() || page_ == Page::Preview) {
            showNotice(txt(t::LoadingSound));
            afterNotice_ = Page::Options1;
            if (!show_.channelOps().SelectSound(channel_, cursor_))
                showNotice(txt(t::FileError));
        }
        return;
    case Page::TextEntry:
        if (text_.trimmed().isEmpty())
            return;
        if (entry_ == Kd1TextEntry::RenamePreset) {
            const int preset = renaming_;
            // "empty" marks a free slot: the save would leave the preset out and move every
            // later one up. The operator stays in the entry to choose another name.
            if (fitToWidth(text_.trimmed(), kPresetNameWidth) == emptyPresetName()) {
                showNotice(txt(t::FreeSlotName));
                return;
            }
            if (preset >= 0 && preset < store.presets().count()) {
                store.presets().rename(preset, text_.trimmed());
                store.announcePresets();
            }
            setPage(Page::Main);
        } else {
            savePlaylistAs(false);
        }
        return;
    case Page::Question:
        confirm();
        return;
    case Page::Browser:
        if (cursor_ < files_.size()) {
            const QString path = QDir(playlistFolder()).filePath(files_.at(cursor_));
            page_ = Page::Main;
            if (show_.LoadPlaylist(path).outcome != playlist::LoadOutcome::Loaded)
                showNotice(txt(t::FileError));
            else
                refresh();
        }
        return;
    default:
        return;
    }
}

void Kd1Display::savePlaylistAs(bool overwrite) {
    QString name = text_.trimmed();
    if (!name.endsWith(QLatin1String(".kal"), Qt::CaseInsensitive))
        name += QStringLiteral(".kal");
    const QString path = QDir(playlistFolder()).filePath(name);
    if (!overwrite && QFileInfo::exists(path)) {
        question_ = Kd1Question::Overwrite;
        setPage(Page::Question);
        return;
    }
    showNotice(txt(t::SavingPlaylist));
    afterNotice_ = Page::Main;
    if (show_.playlists().SavePlaylist(path, false) != playlist::SaveOutcome::Saved)
        showNotice(txt(t::FileError));
    else
        show_.store().setPlaylistPath(path);
}

void Kd1Display::confirm() {
    switch (question_) {
    case Kd1Question::RemoveAll:
        show_.NewPlaylist(true, true, false);
        break;
    case Kd1Question::RemovePreset:
        if (show_.store().presets().selected() >= 0)
            show_.presets().DeletePreset(false);
        break;
    case Kd1Question::RemoveSound:
        show_.soundLists().Remove(channel_);
        break;
    case Kd1Question::Overwrite:
        savePlaylistAs(true);
        return;
    }
    setPage(Page::Main);
}

} // namespace kalvor::units
