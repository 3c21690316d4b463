#include "control/units/kr2/Kr2Remote.h"

#include "control/units/UnitCommandQueue.h"
#include "control/units/kr2/Kr2Commands.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "core/UiLanguage.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kalvor::units {

namespace {

constexpr int kChannels = 32;
constexpr int kPages = 4;
// The unit needs a moment after clearing before it takes the next text.
constexpr int kClearPauseMs = 20;

int stepWithin(int value, int step, int count) {
    if (count <= 0)
        return 0;
    return std::clamp(value + step, 0, count - 1);
}

} // namespace

Kr2Remote::Kr2Remote(ShowLayer& show, Settings& settings, Send send, QObject* parent)
    : QObject(parent), show_(show), settings_(settings), send_(std::move(send)) {
    ShowStore& store = show_.store();
    connect(&store, &ShowStore::channelChanged, this,
            [this](int ch, unsigned) { channelChanged(ch); });
    connect(&store, &ShowStore::presetsChanged, this, [this] {
        if (screen_ == Screen::PresetList)
            showPresetList();
    });
    connect(&store, &ShowStore::soundListChanged, this, [this](int ch) {
        if (screen_ == Screen::SoundList && ch == soundChannel_)
            redraw();
    });
    ChannelPlayback& playback = show_.playback();
    for (auto signal : {&ChannelPlayback::channelStarted, &ChannelPlayback::channelStopped,
                        &ChannelPlayback::channelPaused})
        connect(&playback, signal, this, [this](int ch) { channelChanged(ch); });
    connect(&show_.selection(), &SoundSelection::soundLoaded, this,
            [this](int ch) { channelChanged(ch); });
    connect(&show_.selection(), &SoundSelection::loadFailed, this,
            [this](int ch) { channelChanged(ch); });
    connect(&show_.selection(), &SoundSelection::soundMissing, this,
            [this](int ch) { channelChanged(ch); });
    // After a recall every row may differ: the whole page, once.
    connect(&show_.recall(), &PresetRecall::recallFinished, this, [this](int) {
        if (screen_ == Screen::Channels)
            redraw();
    });
}

void Kr2Remote::useQueue(UnitCommandQueue& queue) {
    send_ = [&queue](const QByteArray& command, int pauseMs) {
        queue.enqueue(command, pauseMs);
    };
    queue.setResync([this](UnitCommandQueue::Resync how) {
        if (screen_ == Screen::Off)
            return;
        if (how == UnitCommandQueue::Resync::Restart)
            start();
        else
            redraw();
    });
}

void Kr2Remote::send(const QByteArrayList& commands) {
    if (!send_)
        return;
    for (const QByteArray& c : commands)
        send_(c, c == kr2ClearCommand() ? kClearPauseMs : 0);
}

void Kr2Remote::start() {
    releaseAll();
    screen_ = Screen::Channels;
    send(kr2StartScreen());
    redraw();
}

void Kr2Remote::close() {
    if (screen_ == Screen::Off)
        return;
    releaseAll();
    send(kr2ClosedScreen());
    screen_ = Screen::Off;
}

bool Kr2Remote::quickSelect() const {
    return settings_.text(u"KR-2 Quick Select")
               .trimmed()
               .compare(QLatin1String("ON"), Qt::CaseInsensitive) == 0;
}

Kr2ChannelLine Kr2Remote::channelLine(int ch) const {
    const ShowStore& store = show_.store();
    const ChannelControls& c = store.controls(ch);
    Kr2ChannelLine line;
    line.channel = ch + 1;
    line.playing = KAE__Channel_IsPlaying(ch);
    line.cursor = ch == page_ * 8 + cursorRow_;
    line.missing =
        c.selectedSound >= 0 && !store.soundList(ch).isEmpty() && !show_.playback().soundReady(ch);
    line.modes = {c.restartMode != 0, c.loopMode != 0, c.pauseMode != 0, c.holdMode != 0,
                  c.jumpMode != 0,    c.rollback != 0, c.autostart != 0};
    line.playGroup = groupNumber(c.playGroup);
    line.stopGroup = groupNumber(c.stopGroup);
    return line;
}

void Kr2Remote::redraw() {
    const ShowStore& store = show_.store();
    switch (screen_) {
    case Screen::Off:
        return;
    case Screen::Channels: {
        std::array<Kr2ChannelLine, 8> lines;
        for (int r = 0; r < 8; ++r) {
            lines[static_cast<std::size_t>(r)] = channelLine(page_ * 8 + r);
            shownRows_[static_cast<std::size_t>(r)] = lines[static_cast<std::size_t>(r)];
        }
        send(kr2ChannelPage(lines));
        return;
    }
    case Screen::FunctionMenu:
        send(kr2FunctionMenu(menuCursor_, notice_));
        return;
    case Screen::PresetList: {
        const int current = store.presets().current();
        send(kr2PresetList(presets_, current >= 0 && current < store.presets().count()
                                         ? store.presets().names().at(current)
                                         : QString()));
        return;
    }
    case Screen::SoundList:
        sounds_.lines.clear();
        for (const SoundEntry& e : store.soundList(soundChannel_))
            sounds_.lines << e.displayName;
        sounds_.cursor = std::clamp(sounds_.cursor, 0, std::max(0, int(sounds_.lines.size()) - 1));
        sounds_.first =
            kr2ScrollFirst(sounds_.cursor, sounds_.first, kKr2SoundRows, int(sounds_.lines.size()));
        send(kr2SoundList(soundChannel_ + 1, sounds_, quickSelect()));
        return;
    case Screen::FileBrowser:
        send(kr2FileBrowser(folders_, files_, filesFocus_, notice_));
        return;
    case Screen::Warning:
        send(kr2PlaylistWarning(warning_, !UiLanguage::instance().isEnglish()));
        return;
    }
}

void Kr2Remote::channelChanged(int ch) {
    if (screen_ != Screen::Channels || ch < page_ * 8 || ch >= page_ * 8 + 8)
        return;
    // A recall changes every channel; at 9600 baud the whole page once at its end is far
    // quicker than each row as it changes.
    if (show_.recall().recallBusy())
        return;
    const Kr2ChannelLine line = channelLine(ch);
    std::optional<Kr2ChannelLine>& shown = shownRows_[static_cast<std::size_t>(ch - page_ * 8)];
    if (shown == line)
        return;
    shown = line;
    send(kr2ChannelRow(ch - page_ * 8 + 1, line));
}

void Kr2Remote::showPresetList() {
    if (screen_ == Screen::Off)
        return;
    const PresetMemory& memory = show_.store().presets();
    const bool entering = screen_ != Screen::PresetList;
    screen_ = Screen::PresetList;
    presets_.lines = memory.names();
    if (entering)
        presets_.cursor = std::max(0, memory.current());
    presets_.cursor = std::clamp(presets_.cursor, 0, std::max(0, memory.count() - 1));
    presets_.first =
        kr2ScrollFirst(presets_.cursor, presets_.first, kKr2PresetRows, memory.count());
    redraw();
}

void Kr2Remote::showPlaylistWarning(Kr2Warning warning) {
    if (screen_ == Screen::Off)
        return;
    warning_ = warning;
    screen_ = Screen::Warning;
    redraw();
}

void Kr2Remote::received(const QByteArray& bytes) {
    bool reported = false;
    for (const Kr2KeyEvent& e : decoder_.feed(bytes)) {
        if (e.key == Kr2Key::Invalid) {
            // Noise on the line arrives in bursts; one line per read is enough to see it.
            if (!reported)
                AddDebugMessage(QStringLiteral("KR-2: unreadable input (%1)")
                                    .arg(e.text.isEmpty() ? QStringLiteral("code %1").arg(
                                                                e.number, 2, 16, QLatin1Char('0'))
                                                          : QString::fromLatin1(e.text)));
            reported = true;
            continue;
        }
        key(e);
    }
}

void Kr2Remote::key(const Kr2KeyEvent& e) {
    if (screen_ == Screen::Off)
        return;
    // A load lets events run while it reads; a key then would act on a half-read show,
    // start a second load or move the screen the load ends on, so it is dropped. A channel
    // key let go meanwhile is no longer held, or its next press would be taken for a
    // repeat. A reset unit is still drawn again: the load's end redraws it anyway.
    if (show_.playlists().isLoading() && e.key != Kr2Key::UnitReset &&
        e.key != Kr2Key::UnitVersion) {
        if (e.key == Kr2Key::ChannelUp && e.number >= 1 && e.number <= 8)
            held_[static_cast<std::size_t>(e.number - 1)] = -1;
        else if (e.key == Kr2Key::AllUp)
            held_.fill(-1);
        return;
    }
    ChannelPlayback& playback = show_.playback();
    switch (e.key) {
    case Kr2Key::ChannelDown:
    case Kr2Key::ChannelUp:
        channelKey(e.number, e.key == Kr2Key::ChannelDown);
        return;
    case Kr2Key::DirectPlay:
        if (e.number >= 1 && e.number <= kChannels)
            playback.PressPlay(e.number - 1);
        return;
    case Kr2Key::AllUp:
        releaseAll();
        return;
    case Kr2Key::PresetMinus:
        show_.recall().PreviousPreset();
        return;
    case Kr2Key::PresetPlus:
        show_.recall().NextPreset();
        return;
    case Kr2Key::Pause:
        playback.GlobalPause();
        return;
    case Kr2Key::Continue:
        playback.GlobalPlay();
        return;
    case Kr2Key::RollBack:
        playback.GlobalRollback();
        return;
    case Kr2Key::RollForward:
        playback.GlobalForward();
        return;
    case Kr2Key::Repeat:
        playback.GlobalRepeat();
        return;
    case Kr2Key::StopAll:
        stopAll();
        return;
    case Kr2Key::UnitReset:
        start();
        return;
    case Kr2Key::UnitVersion:
        AddDebugMessage(QStringLiteral("KR-2: ") + QString::fromLatin1(e.text));
        return;
    case Kr2Key::Reserved:
    case Kr2Key::Invalid:
        return;
    default:
        navigate(e.key);
        return;
    }
}

void Kr2Remote::channelKey(int key, bool down) {
    if (key < 1 || key > 8)
        return;
    int& held = held_[static_cast<std::size_t>(key - 1)];
    if (down) {
        if (held >= 0)
            return; // a second press without release: the unit lost the release
        held = page_ * 8 + key - 1;
        show_.playback().PlayButtonDown(held);
    } else if (held >= 0) {
        // The release goes to the channel that was pressed, even after a page change.
        const int ch = held;
        held = -1;
        show_.playback().PlayButtonUp(ch);
    }
}

void Kr2Remote::releaseAll() {
    for (int k = 1; k <= 8; ++k)
        channelKey(k, false);
}

void Kr2Remote::stopAll() {
    for (int ch = 0; ch < kChannels; ++ch) {
        if (KAE__Channel_IsPlaying(ch))
            show_.playback().StopChannel(ch);
    }
}

void Kr2Remote::navigate(Kr2Key key) {
    switch (screen_) {
    case Screen::Channels:
        switch (key) {
        case Kr2Key::Menu:
            screen_ = Screen::FunctionMenu;
            menuCursor_ = 0;
            notice_.clear();
            redraw();
            return;
        case Kr2Key::Left:
        case Kr2Key::Right:
            page_ = (page_ + (key == Kr2Key::Right ? 1 : kPages - 1)) % kPages;
            redraw();
            return;
        case Kr2Key::Up:
        case Kr2Key::Down: {
            const int old = page_ * 8 + cursorRow_;
            cursorRow_ = stepWithin(cursorRow_, key == Kr2Key::Down ? 1 : -1, 8);
            channelChanged(old);
            channelChanged(page_ * 8 + cursorRow_);
            return;
        }
        case Kr2Key::Plus:
        case Kr2Key::Minus: {
            screen_ = Screen::SoundList;
            soundChannel_ = page_ * 8 + cursorRow_;
            sounds_.cursor = std::max(0, int(show_.store().controls(soundChannel_).selectedSound));
            sounds_.first = 0;
            redraw();
            return;
        }
        case Kr2Key::Enter:
            showPresetList();
            return;
        default:
            return;
        }
    case Screen::Warning:
        if (key == Kr2Key::Enter || key == Kr2Key::Menu) {
            screen_ = Screen::Channels;
            redraw();
        }
        return;
    default:
        break;
    }
    // Menus and lists.
    switch (key) {
    case Kr2Key::Menu:
        screen_ = Screen::Channels;
        notice_.clear();
        redraw();
        return;
    case Kr2Key::Up:
    case Kr2Key::Minus:
        moveCursor(-1);
        return;
    case Kr2Key::Down:
    case Kr2Key::Plus:
        moveCursor(1);
        return;
    case Kr2Key::Left:
    case Kr2Key::Right:
        if (screen_ == Screen::FileBrowser) {
            filesFocus_ = key == Kr2Key::Right && !files_.lines.isEmpty();
            redraw();
        }
        return;
    case Kr2Key::Enter:
        enter();
        return;
    default:
        return;
    }
}

void Kr2Remote::moveCursor(int step) {
    switch (screen_) {
    case Screen::FunctionMenu:
        menuCursor_ = stepWithin(menuCursor_, step, 4);
        break;
    case Screen::PresetList:
        presets_.cursor = stepWithin(presets_.cursor, step, int(presets_.lines.size()));
        presets_.first = kr2ScrollFirst(presets_.cursor, presets_.first, kKr2PresetRows,
                                        int(presets_.lines.size()));
        break;
    case Screen::SoundList: {
        const int count = int(show_.store().soundList(soundChannel_).size());
        const int before = sounds_.cursor;
        sounds_.cursor = stepWithin(sounds_.cursor, step, count);
        if (quickSelect() && sounds_.cursor != before)
            show_.channelOps().SelectSound(soundChannel_, sounds_.cursor);
        break;
    }
    case Screen::FileBrowser: {
        Kr2List& list = filesFocus_ ? files_ : folders_;
        list.cursor = stepWithin(list.cursor, step, int(list.lines.size()));
        list.first =
            kr2ScrollFirst(list.cursor, list.first, kKr2BrowserRows, int(list.lines.size()));
        notice_.clear();
        break;
    }
    default:
        return;
    }
    redraw();
}

void Kr2Remote::enter() {
    switch (screen_) {
    case Screen::FunctionMenu:
        runFunction(menuCursor_);
        return;
    case Screen::PresetList:
        if (presets_.cursor >= 0 && presets_.cursor < show_.store().presets().count()) {
            screen_ = Screen::Channels;
            show_.recall().SelectPreset(presets_.cursor);
            redraw();
        }
        return;
    case Screen::SoundList:
        if (!quickSelect() && sounds_.cursor < int(show_.store().soundList(soundChannel_).size()))
            show_.channelOps().SelectSound(soundChannel_, sounds_.cursor);
        screen_ = Screen::Channels;
        redraw();
        return;
    case Screen::FileBrowser:
        browserEnter();
        return;
    default:
        return;
    }
}

void Kr2Remote::runFunction(int entry) {
    if (entry == 3) {
        screen_ = Screen::FileBrowser;
        if (folder_.isEmpty()) {
            const QString loaded = show_.store().playlistPath();
            folder_ = loaded.isEmpty() ? QDir::homePath() : QFileInfo(loaded).absolutePath();
        }
        filesFocus_ = false;
        notice_.clear();
        readFolder();
        redraw();
        return;
    }
    notice_ = QString::fromLatin1(kKr2FunctionWorking[entry]);
    redraw();
    const int current = show_.store().presets().current();
    if ((entry == 0 || entry == 1) && current >= 0)
        show_.presets().StorePreset(current, true);
    if (entry == 0 || entry == 2) {
        const QString path = show_.store().playlistPath();
        if (path.isEmpty() ||
            show_.playlists().SavePlaylist(path, false) != playlist::SaveOutcome::Saved) {
            notice_ = QStringLiteral("FILE ERROR!");
            redraw();
            return;
        }
    }
    notice_.clear();
    screen_ = Screen::Channels;
    redraw();
}

void Kr2Remote::readFolder() {
    const QDir dir(folder_);
    folders_ = {};
    files_ = {};
    if (!dir.isRoot())
        folders_.lines << QStringLiteral("..");
    folders_.lines << dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                    QDir::Name | QDir::IgnoreCase);
    files_.lines = dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    // Only playlists count as "found"; the other files are listed so the operator sees
    // why a file does not open.
    bool anyPlaylist = false;
    for (const QString& f : files_.lines)
        anyPlaylist = anyPlaylist || f.endsWith(QLatin1String(".kal"), Qt::CaseInsensitive);
    if (!anyPlaylist)
        files_.lines.clear();
}

void Kr2Remote::browserEnter() {
    if (!filesFocus_) {
        if (folders_.cursor < 0 || folders_.cursor >= folders_.lines.size())
            return;
        QDir dir(folder_);
        if (dir.cd(folders_.lines.at(folders_.cursor)))
            folder_ = dir.absolutePath();
        readFolder();
        redraw();
        return;
    }
    if (files_.cursor < 0 || files_.cursor >= files_.lines.size())
        return;
    const QString name = files_.lines.at(files_.cursor);
    if (!name.endsWith(QLatin1String(".kal"), Qt::CaseInsensitive)) {
        notice_ = QString::fromLatin1(kKr2FiletypeNotice);
        redraw();
        return;
    }
    loadPlaylist(QDir(folder_).filePath(name));
}

void Kr2Remote::loadPlaylist(const QString& path) {
    screen_ = Screen::Channels;
    const playlist::LoadReport report = show_.LoadPlaylist(path);
    if (report.outcome == playlist::LoadOutcome::UnknownFormat) {
        showPlaylistWarning(Kr2Warning::Unloadable);
    } else if (report.outcome != playlist::LoadOutcome::Loaded) {
        // Not read, cut short, too big, or refused while the show is busy: the operator at
        // the unit must not take the channel page for the new show.
        screen_ = Screen::FileBrowser;
        notice_ = QStringLiteral("FILE ERROR!");
        redraw();
    } else if (report.format < playlist::kNewestFormat) {
        showPlaylistWarning(Kr2Warning::NewFormat);
    } else {
        redraw();
    }
}

} // namespace kalvor::units
