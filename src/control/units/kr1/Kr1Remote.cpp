#include "control/units/kr1/Kr1Remote.h"

#include "control/units/UnitPort.h"
#include "control/units/kr1/Kr1Protocol.h"
#include "control/units/kr1/Kr1Texts.h"
#include "core/Dialogs.h"
#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace kalvor {

using kr1::KeyAction;
using kr1::Painter;

namespace {

enum MenuEntry {
    LoadPlaylist,
    SavePlaylist,
    SavePlaylistAs,
    RecallPreset,
    TextReader,
    KeepTextPosition,
    HotkeyMode,
    ChannelOptions,
    KeyTest,
    MenuEntries
};

constexpr int kOptionRows = 12; // Restart .. VariSpeed

int wrap(int v, int n) {
    return n <= 0 ? 0 : ((v % n) + n) % n;
}

int clampTo(int v, int n) {
    return n <= 0 ? 0 : std::clamp(v, 0, n - 1);
}

QString onOff(std::uint8_t v) {
    return v ? QStringLiteral("ON") : QStringLiteral("---");
}

QString panText(int pan) {
    if (pan == 0)
        return QStringLiteral("C");
    return (pan < 0 ? QStringLiteral("L") : QStringLiteral("R")) + QString::number(std::abs(pan));
}

} // namespace

Kr1Remote::Kr1Remote(ShowLayer& show, Settings& settings, UnitPort& port, QObject* parent)
    : QObject(parent), show_(show), settings_(settings),
      link_(port, QStringLiteral("KR-1"),
            QStringLiteral("KR-1 is busy or offline (CTSHolding = FALSE)")) {
    held_.fill(-1);
    link_.queue().setResync([this](UnitCommandQueue::Resync r) {
        if (r == UnitCommandQueue::Resync::Restart)
            initialise();
        else if (screen_ == Screen::Start || screen_ == Screen::Notice)
            goHome(); // a start screen or notice cut short: on to where it led
        else
            redraw();
    });
    clock_.setInterval(1000);
    connect(&clock_, &QTimer::timeout, this, &Kr1Remote::drawTimes);
    flush_.setSingleShot(true);
    flush_.setInterval(0);
    connect(&flush_, &QTimer::timeout, this, &Kr1Remote::flushDirty);

    ShowStore& store = show_.store();
    ChannelPlayback& playback = show_.playback();
    connect(&store, &ShowStore::channelChanged, this,
            [this](int ch, unsigned) { scheduleBand(ch); });
    connect(&store, &ShowStore::soundListChanged, this, &Kr1Remote::scheduleBand);
    connect(&playback, &ChannelPlayback::buttonColourChanged, this,
            [this](int ch, ButtonColour) { scheduleBand(ch); });
    connect(&playback, &ChannelPlayback::channelStarted, this, &Kr1Remote::scheduleBand);
    connect(&playback, &ChannelPlayback::channelStopped, this, &Kr1Remote::scheduleBand);
    connect(&playback, &ChannelPlayback::channelPaused, this, &Kr1Remote::scheduleBand);
    // Whole screens follow once per pass of the event loop, however many signals a
    // recall or a list change sends.
    connect(&show_.recall(), &PresetRecall::recallFinished, this, [this](int n) {
        // A preset may carry the place in the script where its scene starts.
        const PresetMemory& memory = show_.store().presets();
        if (n >= 0 && n < memory.count() && memory.slot(n).remoteTextPosition >= 0)
            textLine_ = memory.slot(n).remoteTextPosition;
        if (screen_ != Screen::Warning)
            scheduleRedraw();
    });
    connect(&store, &ShowStore::presetsChanged, this, [this] {
        if (screen_ == Screen::Presets || screen_ == Screen::Playlists)
            scheduleRedraw();
    });
    connect(&store, &ShowStore::currentPresetChanged, this, [this](int) {
        if (!show_.recall().recallBusy() &&
            (screen_ == Screen::Presets || screen_ == Screen::Channels))
            scheduleRedraw();
    });
    connect(&store, &ShowStore::playlistPathChanged, this, [this](const QString&) {
        // Loads from the main window too: once the load is over, the unit shows the new
        // show, or the format warning when the file was of an older format.
        if (!ownLoad_)
            QTimer::singleShot(0, this, &Kr1Remote::afterExternalLoad);
    });
}

Kr1Remote::~Kr1Remote() = default;

// --- State ------------------------------------------------------------------------------

void Kr1Remote::initialise() {
    link_.queue().clear();
    releaseHeld();
    if (!link_.port().clearToSend()) {
        // The mode stays chosen and the screens wait in the queue until CTS rises.
        showMessage(txt(texts::Kr1NotConnectedTitle), txt(texts::Kr1NotConnected),
                    MessageIcon::Warning);
    }
    active_ = true;
    if (!link_.running())
        link_.start(sendIntervalMs_);
    clock_.start();
    screen_ = Screen::Start;
    Painter p;
    bool ok = false;
    const int contrast = settings_.text(u"KR1_DisplayContrast").toInt(&ok);
    kr1::startScreen(p, txt(texts::Kr1Initializing), ok ? contrast : -1);
    send(p);
    goHome();
    Painter e;
    e.cmd(QStringLiteral("E"));
    send(e);
}

void Kr1Remote::releaseHeld() {
    // The unit that pressed these keys is gone or was reset: their releases will never
    // come, so each channel a key started is let go as its release would have done.
    for (int& held : held_) {
        const int ch = std::exchange(held, -1);
        if (ch >= 0)
            show_.playback().PlayButtonUp(ch);
    }
}

void Kr1Remote::deactivate() {
    releaseHeld();
    active_ = false;
    link_.stop();
    clock_.stop();
    link_.queue().clear();
    screen_ = Screen::Off;
}

void Kr1Remote::goHome() {
    const bool scenesOnly = settings_.text(u"KR1_ScenesOnly") == QLatin1String("1");
    if (scenesOnly) {
        presetCursor_ = std::max(0, show_.store().presets().current());
        show(Screen::Presets);
    } else {
        show(Screen::Channels);
    }
}

void Kr1Remote::show(Screen s) {
    screen_ = s;
    redraw();
}

void Kr1Remote::redraw() {
    if (!active() && screen_ != Screen::Closed)
        return;
    dirty_.reset();
    dirtyAll_ = false;
    switch (screen_) {
    case Screen::Off:
    case Screen::Start:
    case Screen::Notice:
    case Screen::Closed:
        break;
    case Screen::Channels:
        drawChannels();
        break;
    case Screen::Menu:
        drawMenu();
        break;
    case Screen::Presets:
        drawPresets();
        break;
    case Screen::Playlists:
        drawPlaylists();
        break;
    case Screen::Files:
        drawFiles();
        break;
    case Screen::ChannelOptions:
        drawOptions();
        break;
    case Screen::TextReader:
        drawTextReader();
        break;
    case Screen::Warning:
        drawWarning();
        break;
    case Screen::KeyTest:
        drawKeyTest();
        break;
    }
}

void Kr1Remote::drawPresetScreen() {
    if (!active())
        return;
    presetCursor_ = std::max(0, show_.store().presets().current());
    show(Screen::Presets);
}

void Kr1Remote::close() {
    if (screen_ == Screen::Off)
        return;
    active_ = false;
    clock_.stop();
    link_.stop();
    link_.queue().clear();
    Painter p;
    kr1::lines(p, {txt(texts::Kr1Closed), QString(), txt(texts::Kr1ClosedNote)}, true);
    send(p);
    screen_ = Screen::Closed;
    link_.flush(2000);
    link_.queue().clear();
}

// --- Keys -------------------------------------------------------------------------------

void Kr1Remote::received(const QByteArray& bytes) {
    if (!active())
        return;
    for (const char b : bytes) {
        const int code = static_cast<unsigned char>(b);
        // The hotkey table only holds on the channel page; menus keep their keys.
        const bool hotkeys = hotkeyMode() && screen_ == Screen::Channels;
        handle(kr1::decodeKey(code, hotkeys));
    }
}

void Kr1Remote::handle(const kr1::Key& key) {
    // A load lets events run while it reads; keys that arrive meanwhile would start a
    // second one or act on a half-built show, so they are dropped. A channel key let go
    // meanwhile is no longer held, though, or its next press would be taken for a repeat.
    if (ownLoad_ || show_.playlists().isLoading()) {
        if (key.action == KeyAction::ChannelRelease)
            held_[static_cast<size_t>(key.value)] = -1;
        return;
    }
    if (screen_ == Screen::KeyTest) {
        // Every key only shows its label here; MENU twice in a row leaves.
        menuPresses_ = key.action == KeyAction::Menu ? menuPresses_ + 1 : 0;
        lastCode_ = key.code;
        if (menuPresses_ >= 2) {
            menuPresses_ = 0;
            show(Screen::Menu);
        } else {
            drawKeyTest();
        }
        return;
    }
    ChannelPlayback& playback = show_.playback();
    switch (key.action) {
    case KeyAction::None:
        return;
    case KeyAction::ChannelPress: {
        const bool hot = hotkeyMode() && screen_ == Screen::Channels;
        const kr1::Layout l = currentLayout();
        const int ch = hot ? key.value : page_ * l.channels + key.value;
        if (ch < 0 || ch >= kChannelCount || held_[static_cast<size_t>(key.value)] >= 0)
            return;
        held_[static_cast<size_t>(key.value)] = ch;
        playback.PlayButtonDown(ch);
        return;
    }
    case KeyAction::ChannelRelease: {
        // The release goes to the channel the press started, whatever page shows now.
        const int ch = std::exchange(held_[static_cast<size_t>(key.value)], -1);
        if (ch >= 0)
            playback.PlayButtonUp(ch);
        return;
    }
    case KeyAction::ChannelTap:
        playback.PlayButtonDown(key.value);
        return;
    case KeyAction::PreviousPreset:
        show_.recall().PreviousPreset();
        return;
    case KeyAction::NextPreset:
        show_.recall().NextPreset();
        return;
    case KeyAction::Pause:
        playback.GlobalPause();
        return;
    case KeyAction::RollBack:
        playback.GlobalRollback();
        return;
    case KeyAction::Repeat:
        playback.GlobalRepeat();
        return;
    case KeyAction::Continue:
        playback.GlobalPlay();
        return;
    case KeyAction::RollForward:
        playback.GlobalForward();
        return;
    case KeyAction::StopAll:
        // Asked of the engine: a flashing PLAY button is dark for most of its cycle.
        for (int ch = 0; ch < kChannelCount; ++ch) {
            if (KAE__Channel_IsPlaying(ch))
                playback.StopChannel(ch);
        }
        return;
    case KeyAction::Menu:
        menuKey();
        return;
    default:
        break;
    }
    switch (screen_) {
    case Screen::Channels:
        if (key.action == KeyAction::Move) {
            const int pages = kChannelCount / currentLayout().channels;
            page_ = wrap(page_ + key.value, pages);
            drawChannels();
        } else if (key.action == KeyAction::Enter) {
            const kr1::Layout l = currentLayout();
            const int sel = show_.store().selectedChannel();
            optionsChannel_ = shownIndex(sel) >= 0 ? sel : page_ * l.channels;
            optionsCursor_ = 0;
            show(Screen::ChannelOptions);
        }
        break;
    case Screen::Menu:
        handleMenuScreen(key);
        break;
    case Screen::Presets:
    case Screen::Playlists:
        handleLists(key);
        break;
    case Screen::Files:
        handleFiles(key);
        break;
    case Screen::ChannelOptions:
        handleOptions(key);
        break;
    case Screen::Warning:
        if (key.action == KeyAction::Enter && !warningUnreadable_)
            goHome();
        break;
    case Screen::TextReader:
        if (key.action == KeyAction::Cursor || key.action == KeyAction::Move) {
            textLine_ =
                std::max(0, textLine_ + key.value * (key.action == KeyAction::Move ? 16 : 1));
            drawTextReader();
        }
        break;
    default:
        break;
    }
}

void Kr1Remote::menuKey() {
    switch (screen_) {
    case Screen::Menu:
        if (hotkeyMode()) {
            // The unit's keys change their meaning: say so before the page appears.
            drawNotice(QStringLiteral("Loading Hotkeys..."), 500);
        }
        goHome();
        break;
    case Screen::Warning:
        if (warningUnreadable_)
            show(Screen::Menu);
        break;
    case Screen::Start:
    case Screen::Notice:
    case Screen::Off:
    case Screen::Closed:
        break;
    default:
        show(Screen::Menu);
        break;
    }
}

void Kr1Remote::handleMenuScreen(const kr1::Key& key) {
    if (key.action == KeyAction::Cursor || key.action == KeyAction::Step) {
        menuCursor_ = wrap(menuCursor_ + key.value, MenuEntries);
        drawMenu();
    } else if (key.action == KeyAction::Enter) {
        runMenuEntry(menuCursor_);
    }
}

void Kr1Remote::runMenuEntry(int entry) {
    switch (entry) {
    case LoadPlaylist:
        playlistCursor_ = 0;
        show(Screen::Playlists);
        break;
    case SavePlaylist:
        savePlaylist(false);
        break;
    case SavePlaylistAs:
        savePlaylist(true);
        break;
    case RecallPreset:
        presetCursor_ = std::max(0, show_.store().presets().current());
        show(Screen::Presets);
        break;
    case TextReader:
        textLine_ = 0;
        show(Screen::TextReader);
        break;
    case KeepTextPosition:
        show(Screen::TextReader);
        break;
    case HotkeyMode:
        settings_.setText(u"HotkeyMode", hotkeyMode() ? QStringLiteral("0") : QStringLiteral("1"));
        drawMenu();
        break;
    case ChannelOptions:
        optionsChannel_ = std::max(0, show_.store().selectedChannel());
        optionsCursor_ = 0;
        show(Screen::ChannelOptions);
        break;
    case KeyTest:
        lastCode_ = 0;
        menuPresses_ = 0;
        show(Screen::KeyTest);
        break;
    default:
        break;
    }
}

void Kr1Remote::handleLists(const kr1::Key& key) {
    const bool presets = screen_ == Screen::Presets;
    int& cursor = presets ? presetCursor_ : playlistCursor_;
    const int count =
        presets ? show_.store().presets().count() : static_cast<int>(playlistFiles().size());
    if (key.action == KeyAction::Cursor || key.action == KeyAction::Step) {
        cursor = clampTo(cursor + key.value, count);
        redraw();
    } else if (key.action == KeyAction::Move && presets) {
        cursor = clampTo(cursor + 12 * key.value, count);
        redraw();
    } else if (key.action == KeyAction::Move && !presets && key.value < 0) {
        fileField_ = 2;
        show(Screen::Files);
    } else if (key.action == KeyAction::Enter && count > 0) {
        if (presets) {
            show_.recall().SelectPreset(clampTo(cursor, count));
            goHome();
        } else {
            loadPlaylist(
                QDir(playlistFolder()).filePath(playlistFiles().at(clampTo(cursor, count))));
        }
    }
}

void Kr1Remote::handleFiles(const kr1::Key& key) {
    const FileLists lists = fileLists();
    const QStringList* fields[3] = {&lists.drives, &lists.folders, &lists.files};
    int& cursor = fileCursors_[fileField_];
    const int count = static_cast<int>(fields[fileField_]->size());
    if (key.action == KeyAction::Move) {
        fileField_ = wrap(fileField_ + key.value, 3);
        drawFiles();
    } else if (key.action == KeyAction::Cursor || key.action == KeyAction::Step) {
        cursor = clampTo(cursor + key.value, count);
        drawFiles();
    } else if (key.action == KeyAction::Enter && count > 0) {
        const int at = clampTo(cursor, count);
        if (fileField_ == 0) {
            folder_ = lists.drivePaths.at(at);
            fileField_ = 1;
            fileCursors_[1] = fileCursors_[2] = 0;
            drawFiles();
        } else if (fileField_ == 1) {
            folder_ = QDir::cleanPath(QDir(playlistFolder()).filePath(lists.folders.at(at)));
            fileCursors_[1] = fileCursors_[2] = 0;
            drawFiles();
        } else {
            const QString name = lists.files.at(at);
            if (!name.endsWith(QLatin1String(".kal"), Qt::CaseInsensitive)) {
                drawNotice(QStringLiteral("Filetype not .kal !"), 1500);
                drawFiles();
            } else {
                loadPlaylist(QDir(playlistFolder()).filePath(name));
            }
        }
    }
}

void Kr1Remote::handleOptions(const kr1::Key& key) {
    const int ch = optionsChannel_;
    if (key.action == KeyAction::Cursor) {
        optionsCursor_ = wrap(optionsCursor_ + key.value, kOptionRows + 1);
        drawOptions();
        return;
    }
    if (key.action == KeyAction::Move) {
        optionsChannel_ = wrap(optionsChannel_ + key.value, kChannelCount);
        drawOptions();
        return;
    }
    if (key.action != KeyAction::Step)
        return;
    // Every change goes through the channel operations, so the strip follows; the
    // store's announcement then redraws this page.
    ChannelOperations& ops = show_.channelOps();
    const ChannelControls& c = show_.store().controls(ch);
    const Channel& rec = show_.store().channel(ch);
    const int d = key.value;
    static constexpr PlayMode modes[] = {PlayMode::Restart, PlayMode::Loop, PlayMode::Pause,
                                         PlayMode::Hold,    PlayMode::Jump, PlayMode::Autostart,
                                         PlayMode::Rollback};
    switch (optionsCursor_) {
    case 0: {
        const int count = static_cast<int>(show_.store().soundList(ch).size());
        if (count > 0)
            ops.SelectSound(ch, clampTo(c.selectedSound + d, count));
        break;
    }
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7: {
        const PlayMode m = modes[optionsCursor_ - 1];
        ChannelControls copy = c;
        ops.SetMode(ch, m, playModeField(copy, m) == 0);
        break;
    }
    case 8:
    case 9: {
        const bool play = optionsCursor_ == 8;
        const int g = groupNumber(play ? c.playGroup : c.stopGroup);
        ops.SetGroup(ch, play, wrap(g + d, 9));
        break;
    }
    case 10:
        ops.SetVolume(ch, std::clamp(rec.volume + d, 0, 100));
        break;
    case 11:
        ops.SetPan(ch, std::clamp(rec.pan + 5 * d, -100, 100));
        break;
    case 12:
        ops.SetVariSpeed(ch, std::clamp(rec.variSpeed + d, kVariSpeedMin, kVariSpeedMax));
        break;
    default:
        break;
    }
    drawOptions();
}

// --- Playlists --------------------------------------------------------------------------

QString Kr1Remote::playlistFolder() const {
    if (!folder_.isEmpty() && QFileInfo(folder_).isDir())
        return folder_;
    const QString loaded = show_.store().playlistPath();
    if (!loaded.isEmpty())
        return QFileInfo(loaded).absolutePath();
    const QString start = show_.playlists().startFolder();
    return start.isEmpty() ? QDir::homePath() : start;
}

QStringList Kr1Remote::playlistFiles() const {
    return QDir(playlistFolder())
        .entryList({QStringLiteral("*.kal"), QStringLiteral("*.KAL")}, QDir::Files, QDir::Name);
}

Kr1Remote::FileLists Kr1Remote::fileLists() const {
    FileLists f;
    f.drivePaths << QStringLiteral("/") << QDir::homePath();
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        const QString root = v.rootPath();
        if (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/mnt/")))
            f.drivePaths << root;
    }
    f.drivePaths.removeDuplicates();
    f.drives = f.drivePaths;
    const QDir dir(playlistFolder());
    f.folders << QStringLiteral("..");
    f.folders += dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    f.files = dir.entryList(QDir::Files, QDir::Name);
    return f;
}

void Kr1Remote::loadPlaylist(const QString& path) {
    drawNotice(QStringLiteral("Loading Playlist..."));
    ownLoad_ = true;
    const playlist::LoadReport report = show_.LoadPlaylist(path);
    ownLoad_ = false;
    folder_ = QFileInfo(path).absolutePath();
    if (report.outcome == playlist::LoadOutcome::UnknownFormat) {
        warningUnreadable_ = true;
        show(Screen::Warning);
    } else if (report.outcome != playlist::LoadOutcome::Loaded) {
        Painter p;
        kr1::fileError(p);
        send(p);
        show(Screen::Menu);
    } else if (report.format >= 2 && report.format < playlist::kNewestFormat) {
        warningUnreadable_ = false;
        show(Screen::Warning);
    } else {
        goHome();
    }
}

void Kr1Remote::afterExternalLoad() {
    if (ownLoad_ || !active() || show_.playlists().isLoading())
        return;
    const int format = show_.playlists().loadedFormat();
    if (format >= 2 && format < playlist::kNewestFormat && screen_ != Screen::Warning &&
        !show_.store().playlistPath().isEmpty()) {
        warningUnreadable_ = false;
        show(Screen::Warning);
        return;
    }
    if (screen_ != Screen::Warning && screen_ != Screen::Notice)
        redraw();
}

void Kr1Remote::savePlaylist(bool asNew) {
    QString path = show_.store().playlistPath();
    if (asNew || path.isEmpty()) {
        // The unit has no keyboard: a new name from the old one and the time.
        const QString base =
            path.isEmpty() ? QStringLiteral("Playlist") : QFileInfo(path).completeBaseName();
        path = QDir(playlistFolder())
                   .filePath(QStringLiteral("%1 %2.kal")
                                 .arg(base, QDateTime::currentDateTime().toString(
                                                QStringLiteral("yyyy-MM-dd hh-mm-ss"))));
    }
    drawNotice(QStringLiteral("Saving Playlist..."), 300);
    ownLoad_ = true;
    if (show_.playlists().SavePlaylist(path, false) == playlist::SaveOutcome::Saved) {
        // The show is that file from now on, so the next save goes there too.
        show_.store().setPlaylistPath(path);
    } else {
        Painter p;
        kr1::fileError(p);
        send(p);
    }
    ownLoad_ = false;
    show(Screen::Menu);
}

// --- Drawing ----------------------------------------------------------------------------

void Kr1Remote::send(Painter& p) {
    for (kr1::Command& c : p.commands())
        link_.queue().enqueue(c.bytes, c.pauseMs);
    p.commands().clear();
}

bool Kr1Remote::hotkeyMode() const {
    return settings_.text(u"HotkeyMode") == QLatin1String("1");
}

kr1::Layout Kr1Remote::currentLayout() const {
    const QString s = settings_.text(u"KR1_ScreenLayout");
    // "1".."4", or the option's caption "Layout 1".."Layout 4".
    return kr1::layout(s.isEmpty() ? 1 : s.back().digitValue());
}

int Kr1Remote::shownIndex(int ch) const {
    const kr1::Layout l = currentLayout();
    const int first = page_ * l.channels;
    return ch >= first && ch < first + l.channels ? ch - first : -1;
}

kr1::ChannelView Kr1Remote::channelView(int ch) const {
    const ShowStore& store = show_.store();
    const ChannelControls& c = store.controls(ch);
    const Channel& rec = store.channel(ch);
    const QList<SoundEntry>& list = store.soundList(ch);
    const ChannelPlayback& playback = show_.playback();
    kr1::ChannelView v;
    v.number = ch + 1;
    const bool inList = c.selectedSound >= 0 && c.selectedSound < list.size();
    if (inList)
        v.sound = list.at(c.selectedSound).displayName;
    else
        v.sound = rec.fileName.isEmpty() ? QStringLiteral("---") : soundDisplayName(rec.fileName);
    v.loadError = (inList && list.at(c.selectedSound).isMissing()) ||
                  (!rec.fileName.isEmpty() && !playback.soundReady(ch));
    switch (playback.buttonColour(ch)) {
    case ButtonColour::On:
        v.state = QStringLiteral("PLAY ");
        v.lit = true;
        break;
    case ButtonColour::End:
        // The flashing of the last seconds stays on the screen: the unit's queue is
        // too slow to flash eight bands.
        v.state = QStringLiteral("PLAY ");
        v.lit = true;
        break;
    case ButtonColour::Pause:
        v.state = QStringLiteral("PAUSE");
        break;
    case ButtonColour::Off:
        v.state = QStringLiteral("STOP ");
        break;
    }
    v.time = v.loadError ? QStringLiteral("--:--") : playback.timeDisplay(ch).position.right(5);
    if (v.time.size() < 5)
        v.time = QStringLiteral("00:00");
    v.modes = kr1::modeLine(c.restartMode, c.loopMode, c.pauseMode, c.holdMode, c.jumpMode,
                            c.rollback, c.autostart);
    v.groups = kr1::groupLine(groupNumber(c.playGroup), groupNumber(c.stopGroup));
    return v;
}

void Kr1Remote::drawChannels() {
    const kr1::Layout l = currentLayout();
    page_ = clampTo(page_, kChannelCount / l.channels);
    std::vector<kr1::ChannelView> shown;
    drawnValid_.reset();
    for (int i = 0; i < l.channels; ++i) {
        const int ch = page_ * l.channels + i;
        shown.push_back(channelView(ch));
        drawn_[static_cast<size_t>(ch)] = shown.back();
        drawnValid_.set(static_cast<size_t>(ch));
    }
    const PresetMemory& pm = show_.store().presets();
    const int cur = pm.current();
    const QString preset =
        cur >= 0 && cur < pm.count()
            ? QStringLiteral("Preset %1: %2").arg(cur + 1).arg(pm.names().at(cur))
            : QStringLiteral("Preset -");
    Painter p;
    kr1::channelPage(p, l, shown, preset);
    send(p);
}

void Kr1Remote::scheduleBand(int ch) {
    if (ch < 0 || ch >= kChannelCount || !active())
        return;
    if (show_.recall().recallBusy() || show_.playlists().isLoading())
        return; // the whole screen follows when it is done
    if (screen_ == Screen::Channels && shownIndex(ch) >= 0)
        dirty_.set(static_cast<size_t>(ch));
    else if (screen_ == Screen::ChannelOptions && ch == optionsChannel_)
        dirtyAll_ = true;
    else
        return;
    flush_.start();
}

void Kr1Remote::scheduleRedraw() {
    if (!active())
        return;
    dirtyAll_ = true;
    flush_.start();
}

void Kr1Remote::flushDirty() {
    if (dirtyAll_) {
        redraw();
        return;
    }
    if (screen_ != Screen::Channels) {
        dirty_.reset();
        return;
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (dirty_.test(static_cast<size_t>(ch)))
            drawBand(ch);
    }
    dirty_.reset();
}

void Kr1Remote::drawBand(int ch) {
    const int i = shownIndex(ch);
    if (i < 0)
        return;
    const kr1::ChannelView v = channelView(ch);
    const auto at = static_cast<size_t>(ch);
    if (drawnValid_.test(at) && drawn_[at].sameBand(v))
        return;
    drawn_[at] = v;
    drawnValid_.set(at);
    Painter p;
    kr1::channelBand(p, currentLayout(), i, v);
    send(p);
}

void Kr1Remote::drawTimes() {
    if (screen_ != Screen::Channels || !active())
        return;
    const kr1::Layout l = currentLayout();
    Painter p;
    for (int i = 0; i < l.channels; ++i) {
        const int ch = page_ * l.channels + i;
        const ButtonColour c = show_.playback().buttonColour(ch);
        if (c == ButtonColour::On || c == ButtonColour::End)
            kr1::channelTime(p, l, i, channelView(ch));
    }
    send(p);
}

QStringList Kr1Remote::menuEntries() const {
    const QString doc = show_.playlists().textReaderLink().name;
    QStringList e;
    e << QStringLiteral("Load Playlist") << QStringLiteral("Save Playlist")
      << QStringLiteral("Save Playlist as...") << QStringLiteral("Recall Preset")
      << (doc.isEmpty() ? QStringLiteral("Text Reader (empty)")
                        : QStringLiteral("Text Reader (%1)").arg(QFileInfo(doc).completeBaseName()))
      << QStringLiteral("Keep text position")
      << (hotkeyMode() ? QStringLiteral("HOTKEY Mode ON") : QStringLiteral("HOTKEY Mode OFF"))
      << QStringLiteral("Channel Options") << QStringLiteral("Key Test");
    return e;
}

void Kr1Remote::drawMenu() {
    Painter p;
    kr1::mainMenu(p, menuEntries(), menuCursor_);
    send(p);
}

void Kr1Remote::drawPresets() {
    const PresetMemory& pm = show_.store().presets();
    QStringList lines;
    for (int i = 0; i < pm.count(); ++i) {
        lines << QStringLiteral("%1%2 %3")
                     .arg(i == pm.current() ? QLatin1Char('*') : QLatin1Char(' '))
                     .arg(i + 1, 3)
                     .arg(pm.names().at(i));
    }
    presetCursor_ = clampTo(presetCursor_, pm.count());
    Painter p;
    kr1::listScreen(p, QStringLiteral("Preset Memory: %1").arg(pm.count()), lines, presetCursor_);
    send(p);
}

void Kr1Remote::drawPlaylists() {
    const QStringList files = playlistFiles();
    playlistCursor_ = clampTo(playlistCursor_, static_cast<int>(files.size()));
    QStringList presets;
    if (!files.isEmpty()) {
        // The presets of the playlist under the cursor, read from its file.
        const QString path = QDir(playlistFolder()).filePath(files.at(playlistCursor_));
        const playlist::PlaylistReadResult r = playlist::readPlaylistFile(path);
        for (const Preset& preset : r.document.presets)
            presets << preset.name;
    }
    Painter p;
    kr1::playlists(p, files, presets, playlistCursor_, playlistFolder());
    send(p);
}

void Kr1Remote::drawFiles() {
    const FileLists f = fileLists();
    for (int b = 0; b < 3; ++b) {
        const int n = static_cast<int>((b == 0 ? f.drives : b == 1 ? f.folders : f.files).size());
        fileCursors_[b] = clampTo(fileCursors_[b], n);
    }
    Painter p;
    kr1::fileBrowser(p, f.drives, f.folders, f.files, fileField_, fileCursors_, playlistFolder());
    send(p);
}

void Kr1Remote::drawOptions() {
    const int ch = optionsChannel_;
    const ShowStore& store = show_.store();
    const ChannelControls& c = store.controls(ch);
    const Channel& rec = store.channel(ch);
    QStringList sounds;
    for (const SoundEntry& e : store.soundList(ch))
        sounds << e.displayName;
    const auto group = [](const QString& g) {
        const int n = groupNumber(g);
        return n > 0 ? QString::number(n) : QStringLiteral("-");
    };
    const std::vector<kr1::OptionRow> rows = {
        {QStringLiteral(" Restart"), onOff(c.restartMode)},
        {QStringLiteral(" Loop"), onOff(c.loopMode)},
        {QStringLiteral(" Pause"), onOff(c.pauseMode)},
        {QStringLiteral(" Play while hold"), onOff(c.holdMode)},
        {QStringLiteral(" Jump to next"), onOff(c.jumpMode)},
        {QStringLiteral(" Autostart"), onOff(c.autostart)},
        {QStringLiteral(" RLB/RLF"), onOff(c.rollback)},
        {QStringLiteral(" Play Group"), group(c.playGroup)},
        {QStringLiteral(" Stop Group"), group(c.stopGroup)},
        {QStringLiteral(" Level"), QStringLiteral("%1%").arg(rec.volume)},
        {QStringLiteral(" Pan"), panText(rec.pan)},
        {QStringLiteral(" VariSpeed"), QStringLiteral("%1%").arg(rec.variSpeed)},
    };
    Painter p;
    kr1::channelOptions(p, ch + 1, sounds, c.selectedSound, rows, rec.outputName, optionsCursor_);
    send(p);
}

void Kr1Remote::drawTextReader() {
    const QStringList text = textReaderLines ? textReaderLines() : QStringList();
    if (!text.isEmpty()) {
        textLine_ = clampTo(textLine_, static_cast<int>(text.size()));
        QStringList shown = text.mid(textLine_, 17);
        if (shown.size() < 17)
            shown << QStringLiteral("-------- end of text ---------");
        Painter p;
        kr1::textReader(p, shown);
        send(p);
        return;
    }
    Painter p;
    kr1::textReader(p, {QStringLiteral("No text found in"), QStringLiteral("playlist or no text"),
                        QStringLiteral("stored in Preset!"), QString(),
                        QStringLiteral("Text Position: -")});
    send(p);
}

void Kr1Remote::drawKeyTest() {
    Painter p;
    kr1::keyTest(p, kr1::keyLabel(lastCode_), lastCode_);
    send(p);
}

void Kr1Remote::drawWarning() {
    QStringList l{txt(texts::Kr1WarnTitle), txt(texts::Kr1Warn1), txt(texts::Kr1Warn2)};
    if (warningUnreadable_) {
        l << txt(texts::Kr1WarnGone3) << txt(texts::Kr1WarnGone4) << txt(texts::Kr1WarnGone5)
          << QString() << txt(texts::Kr1WarnGoneKey);
    } else {
        l << txt(texts::Kr1WarnOld3) << txt(texts::Kr1WarnOld4) << txt(texts::Kr1WarnOld5)
          << txt(texts::Kr1WarnOld6) << txt(texts::Kr1WarnOld7) << txt(texts::Kr1WarnOld8)
          << txt(texts::Kr1WarnOldKey);
    }
    Painter p;
    kr1::lines(p, l, true);
    send(p);
}

void Kr1Remote::drawNotice(const QString& text, int pauseMs) {
    Painter p;
    kr1::notice(p, text);
    if (pauseMs > 0)
        p.commands().back().pauseMs = pauseMs;
    send(p);
}

} // namespace kalvor
