#include "mainwindow/ui/MainWindow.h"

#include "core/Dialogs.h"
#include "core/LanguageSwitch.h"
#include "core/Lifecycle.h"
#include "core/RecentPlaylists.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/ui/Colour.h"
#include "core/ui/SystemMessagesWindow.h"
#include "engine/kae/Kae.h"
#include "mainwindow/LogTexts.h"
#include "mainwindow/PlayLogControl.h"
#include "mainwindow/StripTexts.h"
#include "mainwindow/ui/ChannelStrip.h"
#include "mainwindow/ui/GlobalPlaybackPanel.h"
#include "mainwindow/ui/HotkeyController.h"
#include "mainwindow/ui/LogPage.h"
#include "mainwindow/ui/PlaylistSelector.h"
#include "mainwindow/ui/PresetPanel.h"
#include "mainwindow/ui/SoundOptionsPanel.h"
#include "overview/ui/SoundOffsetsWindow.h"
#include "show/playback/ShowLayer.h"
#include "tools/ui/GoToTimeDialog.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kalvor {

namespace {

constexpr int kChannelPages = kChannelCount / kChannelsPerPage;
constexpr int kPlaybackTickMs = 100;
constexpr int kButtonColourTickMs = 250;

} // namespace

MainWindow::MainWindow(ShowLayer& show, Settings& settings, RecentPlaylists& recent,
                       Lifecycle& lifecycle, SystemMessagesWindow& messages, QWidget* parent)
    : QMainWindow(parent), show_(show), settings_(settings), recent_(recent), lifecycle_(lifecycle),
      messages_(messages) {
    setObjectName(QStringLiteral("frmMain"));
    askNewPlaylist = [this] {
        return NewPlaylistDialog::ask(this);
    };

    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(4, 4, 4, 2);
    grid->setSpacing(4);

    tabs_ = new QTabWidget(central);
    tabs_->setObjectName(QStringLiteral("ChannelTabs"));
    tabs_->setDocumentMode(true);
    for (int page = 0; page < kChannelPages; ++page) {
        auto* pageWidget = new QWidget(tabs_);
        auto* row = new QHBoxLayout(pageWidget);
        row->setContentsMargins(0, 4, 0, 0);
        row->setSpacing(3);
        for (int i = 0; i < kChannelsPerPage; ++i) {
            const int ch = page * kChannelsPerPage + i;
            auto* s = new ChannelStrip(ch, show_, settings_, pageWidget);
            s->hooks().timeDisplayStyleChanged = [this] {
                applyTimeDisplayStyleToAll();
            };
            s->hooks().soundListFontChanged = [this] {
                applySoundListFontToAll();
            };
            s->hooks().openGoToTime = [this](int c) {
                openGoToTime(c, false);
            };
            s->hooks().openStartOffsets = [this](int c) {
                openStartOffsets(c);
            };
            s->hooks().openFtpBrowser = [this](int c) {
                if (pending_.ftpBrowser)
                    pending_.ftpBrowser(c);
            };
            row->addWidget(s, 1);
            strips_[static_cast<std::size_t>(ch)] = s;
        }
        tabs_->addTab(pageWidget, QString());
    }
    // The play log lives as long as the window: it is not part of the show.
    playLog_ = new PlayLogControl(show_, settings_, this);
    logPage_ = new LogPage(*playLog_, settings_, tabs_);
    tabs_->addTab(logPage_, QString());
    connect(playLog_, &PlayLogControl::loggingChanged, this, &MainWindow::applyLogTabCaption);
    tabs_->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tabs_->tabBar(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { showPageMenu(tabs_->tabBar()->mapToGlobal(p)); });

    grid->addWidget(tabs_, 0, 0);
    buildPanels(central);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 5);
    grid->setColumnStretch(1, 1);
    setCentralWidget(central);

    playlistStatus_ = new QLabel(this);
    playlistStatus_->setObjectName(QStringLiteral("lblStatusPlaylist"));
    presetStatus_ = new QLabel(this);
    presetStatus_->setObjectName(QStringLiteral("lblStatusPreset"));
    statusBar()->addWidget(playlistStatus_);
    statusBar()->addWidget(presetStatus_, 1);
    mtcDisplay_ = new QLabel(this);
    mtcDisplay_->setObjectName(QStringLiteral("lblMTC"));
    mtcDisplay_->hide();
    statusBar()->addPermanentWidget(mtcDisplay_);
    playlistStatus_->setText(txt(texts::StatusNoPlaylist));

    buildMenus();

    ShowStore& store = show_.store();
    // Both status lines arrive on one signal; they differ by their fixed lead words, which
    // are the same in both languages.
    connect(&show_, &ShowLayer::statusText, this, [this](const QString& text) {
        (text.startsWith(QLatin1String("Playlist: ")) ? playlistStatus_ : presetStatus_)
            ->setText(text);
    });
    connect(&store, &ShowStore::selectedChannelChanged, this, &MainWindow::onSelectedChannel);
    connect(&store, &ShowStore::channelTitlesChanged, this, &MainWindow::LabelAllChannels);
    connect(&show_.recall(), &PresetRecall::channelRecalled, this, &MainWindow::LabelChannel);
    connect(&show_.playback(), &ChannelPlayback::positionChanged, this,
            [this](int ch) { strip(ch)->refreshTimes(); });
    for (auto signal : {&ChannelPlayback::channelStarted, &ChannelPlayback::channelPaused,
                        &ChannelPlayback::channelStopped}) {
        connect(&show_.playback(), signal, this, [this](int ch) {
            if (ch >= 0 && ch < kChannelCount)
                strip(ch)->refreshTimes();
        });
    }
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, &MainWindow::applyCaptions);
    connect(&recent_, &RecentPlaylists::changed, this, &MainWindow::rebuildRecentMenu);

    playbackTimer_.setInterval(kPlaybackTickMs);
    connect(&playbackTimer_, &QTimer::timeout, this, &MainWindow::onPlaybackTick);
    buttonColourTimer_.setInterval(kButtonColourTickMs);
    connect(&buttonColourTimer_, &QTimer::timeout, &show_.playback(),
            &ChannelPlayback::tickButtonColours);

    installHotkeys();
    applyCaptions();
    if (store.selectedChannel() >= 0)
        onSelectedChannel(store.selectedChannel());
    resize(1280, 800);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildPanels(QWidget* central) {
    auto* grid = static_cast<QGridLayout*>(central->layout());
    soundOptions_ = new SoundOptionsPanel(show_, settings_, central);
    soundOptions_->setObjectName(QStringLiteral("frmSoundOptions"));
    connect(soundOptions_, &SoundOptionsPanel::effectsRequested, this,
            &MainWindow::openEffectsWindow);
    grid->addWidget(soundOptions_, 1, 0);

    auto* column = new QWidget(central);
    auto* right = new QVBoxLayout(column);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(4);
    playlistSelector_ = new PlaylistSelector(show_, recent_, column);
    presetPanel_ = new PresetPanel(show_, settings_, column);
    globalPlayback_ = new GlobalPlaybackPanel(show_, column);
    right->addWidget(playlistSelector_);
    right->addWidget(presetPanel_, 1);
    right->addWidget(globalPlayback_);
    // The side column grows a little on wide screens; the strips take the rest.
    column->setMinimumWidth(270);
    column->setMaximumWidth(400);
    grid->addWidget(column, 0, 1, 2, 1);
}

void MainWindow::buildMenus() {
    fileMenu_ = menuBar()->addMenu(QString());
    newPlaylist_ = fileMenu_->addAction(QString(), this, &MainWindow::newPlaylist);
    openPlaylist_ = fileMenu_->addAction(QString(), this, &MainWindow::openPlaylist);
    // No Ctrl+O here: that key captures the start offset.
    savePlaylist_ = fileMenu_->addAction(QString(), this, &MainWindow::savePlaylist);
    savePlaylist_->setShortcut(QKeySequence::Save);
    savePlaylistAs_ = fileMenu_->addAction(QString(), this, &MainWindow::savePlaylistAs);
    fileMenu_->addSeparator();
    recentMenu_ = fileMenu_->addMenu(QString());
    recentMenu_->setObjectName(QStringLiteral("mnuRecentPlaylists"));
    fileMenu_->addSeparator();
    exit_ = fileMenu_->addAction(QString(), this, &QWidget::close);

    viewMenu_ = menuBar()->addMenu(QString());
    systemMessages_ = viewMenu_->addAction(QString(), this, &MainWindow::showSystemMessages);
    effects_ = viewMenu_->addAction(QString(), this,
                                    [this] { openEffectsWindow(show_.store().selectedChannel()); });
    startOffsets_ = viewMenu_->addAction(QString(), this, [this] {
        openStartOffsets(std::max(show_.store().selectedChannel(), 0));
    });
    removeStartOffset_ = viewMenu_->addAction(QString(), this, [this] {
        show_.offsets().RemoveStartOffset(show_.store().selectedChannel());
    });
    textReader_ = viewMenu_->addAction(QString(), this, [this] {
        if (pending_.textReader)
            pending_.textReader();
    });
    textReader_->setObjectName(QStringLiteral("mnuTextReader"));
    // The same as Ctrl+Alt+P and the "<" key, for a keyboard without that key.
    touchScreen_ = viewMenu_->addAction(QString(), this, [this] {
        if (pending_.touchScreen)
            pending_.touchScreen();
    });
    touchScreen_->setObjectName(QStringLiteral("mnuTouchScreen"));
    blackScreen_ = viewMenu_->addAction(QString(), this, [this] {
        const int ch = show_.store().selectedChannel();
        if (pending_.blackScreen)
            pending_.blackScreen(ch >= 0 ? ch / kChannelsPerPage + 1 : 1);
    });
    blackScreen_->setObjectName(QStringLiteral("mnuBlackScreen"));
    viewMenu_->addSeparator();
    options_ = viewMenu_->addAction(QString(), this, [this] { openOptions(); });
    options_->setObjectName(QStringLiteral("mnuOptions"));
    backupRestore_ = viewMenu_->addAction(QString(), this, [this] {
        if (pending_.tools)
            pending_.tools(0);
    });
    backupRestore_->setObjectName(QStringLiteral("mnuBackupRestore"));
    cdRipping_ = viewMenu_->addAction(QString(), this, [this] {
        if (pending_.tools)
            pending_.tools(1);
    });
    cdRipping_->setObjectName(QStringLiteral("mnuCdRipping"));

    languageMenu_ = menuBar()->addMenu(QString());
    auto* group = new QActionGroup(this);
    english_ = languageMenu_->addAction(QString(), this, [this] { switchLanguage(false); });
    deutsch_ = languageMenu_->addAction(QString(), this, [this] { switchLanguage(true); });
    for (QAction* a : {english_, deutsch_}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    rebuildRecentMenu();
}

void MainWindow::applyCaptions() {
    setWindowTitle(txt(texts::MainTitle));
    fileMenu_->setTitle(txt(texts::MnuFile));
    newPlaylist_->setText(txt(texts::MnuNewPlaylist));
    newPlaylist_->setToolTip(txt(texts::NewPlaylistTooltip));
    openPlaylist_->setText(txt(texts::MnuOpenPlaylist));
    savePlaylist_->setText(txt(texts::MnuSavePlaylist));
    savePlaylistAs_->setText(txt(texts::MnuSavePlaylistAs));
    recentMenu_->setTitle(txt(texts::MnuRecentPlaylists));
    exit_->setText(txt(texts::MnuExit));
    viewMenu_->setTitle(txt(texts::MnuView));
    systemMessages_->setText(txt(texts::MnuSystemMessages));
    effects_->setText(txt(texts::MnuEffects));
    startOffsets_->setText(txt(texts::MnuStartOffsets));
    removeStartOffset_->setText(txt(texts::MnuRemoveStartOffset));
    options_->setText(txt(texts::MnuOptions));
    backupRestore_->setText(txt(texts::MnuBackupRestore));
    cdRipping_->setText(txt(texts::MnuCdRipping));
    textReader_->setText(txt(texts::MnuTextReader));
    touchScreen_->setText(txt(texts::MnuTouchScreen));
    blackScreen_->setText(txt(texts::MnuBlackScreen));
    languageMenu_->setTitle(txt(texts::MnuLanguage));
    english_->setText(txt(texts::MnuEnglish));
    deutsch_->setText(txt(texts::MnuDeutsch));
    (UiLanguage::instance().isEnglish() ? english_ : deutsch_)->setChecked(true);

    for (int page = 0; page < kChannelPages; ++page)
        tabs_->setTabText(page, txt(texts::PageChannels)
                                    .arg(page * kChannelsPerPage + 1)
                                    .arg((page + 1) * kChannelsPerPage));
    applyLogTabCaption();
    logPage_->applyCaptions();
    for (ChannelStrip* s : strips_)
        s->applyCaptions();
}

void MainWindow::applyLogTabCaption() {
    tabs_->setTabText(kChannelPages,
                      txt(playLog_->loggingOn() ? texts::LogTabActive : texts::LogTab));
}

void MainWindow::initLogging() {
    playLog_->initLogging();
    logPage_->applyColumnWidths();
}

void MainWindow::saveLogList() {
    tabs_->setCurrentIndex(kChannelPages);
    playLog_->LogSave();
}

void MainWindow::applySettings() {
    // The two panels without a settings handle take the tooltip option from here.
    const bool tips = settings_.integer(u"ToolTips") == 1;
    globalPlayback_->setTooltips(tips);
    playlistSelector_->setTooltips(tips);
    applyTimeDisplayStyleToAll();
    applySoundListFontToAll();
    // The options' log switch and column width are the log page's.
    playLog_->setLoggingOn(settings_.isOn(u"Logging"));
    logPage_->updLogColWidth()->setValue(settings_.integer(u"LogColWidth"));
    applyCaptions();
    for (ChannelStrip* s : strips_) {
        s->refreshSoundList();
        s->setButtonColour(show_.playback().buttonColour(s->channel()));
    }
}

void MainWindow::prepareChannel(int ch) {
    ChannelStrip* s = strip(ch);
    s->applyTimeDisplayStyle();
    s->setButtonColour(show_.playback().buttonColour(ch));
    s->refreshInfo();
    s->refreshTimes();
    s->LabelChannel();
}

void MainWindow::setBusy(bool busy) {
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void MainWindow::startTimers() {
    playbackTimer_.start();
    buttonColourTimer_.start();
    playLog_->startTimer();
    soundOptions_->startTimers();
}

void MainWindow::stopWindowTimers() {
    soundOptions_->stopTimers();
}

void MainWindow::stopTimers() {
    playbackTimer_.stop();
    buttonColourTimer_.stop();
    playLog_->stopTimer();
}

void MainWindow::LabelChannel(int ch) {
    if (ch >= 0 && ch < kChannelCount)
        strip(ch)->LabelChannel();
}

void MainWindow::LabelAllChannels() {
    for (ChannelStrip* s : strips_)
        s->LabelChannel();
}

void MainWindow::applyTimeDisplayStyleToAll() {
    for (ChannelStrip* s : strips_)
        s->applyTimeDisplayStyle();
}

void MainWindow::applySoundListFontToAll() {
    for (ChannelStrip* s : strips_)
        s->applySoundListFont();
}

void MainWindow::onSelectedChannel(int ch) {
    if (highlighted_ >= 0 && highlighted_ < kChannelCount && highlighted_ != ch)
        strip(highlighted_)->setHighlighted(false);
    if (ch < 0 || ch >= kChannelCount) {
        highlighted_ = -1;
        return;
    }
    strip(ch)->setHighlighted(true);
    highlighted_ = ch;
    tabs_->setCurrentIndex(ch / kChannelsPerPage);
}

void MainWindow::onPlaybackTick() {
    // Running channels move on; one last refresh after a channel stops settles its display.
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const bool running = KAE__Channel_IsPlaying(ch);
        auto& was = wasRunning_[static_cast<std::size_t>(ch)];
        if (running || was)
            strip(ch)->refreshTimes();
        was = running;
    }
}

void MainWindow::showPageMenu(const QPoint& globalPos) {
    const int page = tabs_->currentIndex();
    if (page < 0 || page >= kChannelPages)
        return;
    QMenu menu(txt(texts::MnuEditMainTab), this);
    menu.setObjectName(QStringLiteral("mnuEditMainTab"));
    QAction* remove = menu.addAction(txt(texts::MnuRemoveSoundsFromPage));
    remove->setObjectName(QStringLiteral("mnuRemoveSoundsFromPage"));
    connect(remove, &QAction::triggered, this,
            [this, page] { show_.soundLists().RemoveSoundsFromPage(page + 1); });
    menu.exec(globalPos);
}

bool MainWindow::showBusy() const {
    return show_.playlists().isLoading() || show_.recall().recallBusy();
}

void MainWindow::newPlaylist() {
    if (showBusy())
        return;
    const auto choice = askNewPlaylist ? askNewPlaylist() : std::nullopt;
    if (choice)
        show_.NewPlaylist(choice->clearPresets, choice->clearSoundLists, choice->clearPlaylists);
}

void MainWindow::openPlaylist() {
    if (showBusy())
        return;
    QString folder = show_.playlists().startFolder();
    if (folder.isEmpty())
        folder = settings_.text(u"DefaultPlayListDir");
    const QStringList files = dialogs().openFiles(txt(texts::OpenPlaylistTitle), folder,
                                                  txt(texts::PlaylistFilter), false);
    if (!files.isEmpty())
        show_.LoadPlaylist(files.constFirst());
}

void MainWindow::savePlaylist() {
    if (showBusy())
        return;
    const QString path = show_.store().playlistPath();
    if (path.isEmpty())
        show_.playlists().SavePlaylistAs();
    else
        show_.playlists().SavePlaylist(path, false);
}

void MainWindow::savePlaylistAs() {
    if (showBusy())
        return;
    show_.playlists().SavePlaylistAs();
}

void MainWindow::openRecentPlaylist(int index) {
    if (showBusy())
        return;
    const QString path = playlist::findRecentPlaylist(recent_, index);
    if (path.isEmpty()) {
        showMessage(txt(texts::RecentFileErrorTitle), txt(texts::RecentFileMissing),
                    MessageIcon::Critical);
        return;
    }
    recent_.selectByUser(index);
    show_.LoadPlaylist(path);
}

void MainWindow::rebuildRecentMenu() {
    recentMenu_->clear();
    const QStringList& names = recent_.names();
    for (int i = 0; i < names.size(); ++i) {
        QAction* a = recentMenu_->addAction(names[i], this, [this, i] { openRecentPlaylist(i); });
        a->setToolTip(settings_.integer(u"ToolTips") != 0 ? recent_.path(i) : QString());
    }
    recentMenu_->setEnabled(!names.isEmpty());
}

void MainWindow::switchLanguage(bool german) {
    kalvor::switchLanguage(settings_, german ? Language::German : Language::English);
}

void MainWindow::applyTooltips(bool on) {
    settings_.setInteger(u"ToolTips", on ? 1 : 0);
    newPlaylist_->setToolTip(on ? txt(texts::NewPlaylistTooltip) : QString());
    globalPlayback_->setTooltips(on);
    playlistSelector_->setTooltips(on);
    soundOptions_->applyTooltips();
    presetPanel_->applyCaptions();
    logPage_->applyCaptions();
    for (ChannelStrip* s : strips_) {
        s->applyCaptions();
        s->refreshSoundList();
        s->refreshInfo();
    }
    rebuildRecentMenu();
}

void MainWindow::openOptions(const QString& page) {
    if (pending_.options)
        pending_.options(page);
}

void MainWindow::showSystemMessages() {
    messages_.show();
    messages_.raise();
    messages_.activateWindow();
}

void MainWindow::openEffectsWindow(int ch) {
    if (pending_.effects)
        pending_.effects(ch);
}

void MainWindow::openStartOffsets(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    if (!offsets_)
        offsets_ = new SoundOffsetsWindow(show_, settings_, this);
    offsets_->showChannel(ch);
}

void MainWindow::openGoToTime(int ch, bool fromKey) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    if (!goTo_)
        goTo_ = new GoToTimeDialog(show_, this);
    goTo_->openFor(ch, fromKey);
}

void MainWindow::installHotkeys() {
    HotkeyHooks hooks;
    hooks.currentPage = [this] {
        return tabs_->currentIndex();
    };
    hooks.focusPresetList = [this] {
        presetPanel_->focusList();
    };
    hooks.focusSoundList = [this](int ch) {
        if (ch < 0 || ch >= kChannelCount)
            return;
        tabs_->setCurrentIndex(ch / kChannelsPerPage);
        strip(ch)->lstSoundlist()->setFocus(Qt::ShortcutFocusReason);
    };
    hooks.focusNextButton = [this] {
        presetPanel_->focusNextButton();
    };
    hooks.focusPreviousButton = [this] {
        presetPanel_->focusPreviousButton();
    };
    hooks.showSystemMessages = [this] {
        showSystemMessages();
    };
    hooks.openEffectsWindow = [this] {
        openEffectsWindow(show_.store().selectedChannel());
    };
    hooks.playlistStep = [this](int step) {
        return playlistSelector_->step(step);
    };
    hooks.openGoTo = [this](int ch) {
        openGoToTime(ch, true);
    };
    hooks.loggingToggled = [this](bool on) {
        playLog_->setLoggingOn(on);
    };
    // Keys for windows that are not part of the program yet: they reach the pending hooks,
    // which stay empty, so the key does nothing visible.
    hooks.showOverview = [this] {
        if (showOverview)
            showOverview();
    };
    hooks.toggleTouchscreen = [this] {
        if (pending_.touchScreen)
            pending_.touchScreen();
    };
    hooks.openBlackScreen = [this](int page) {
        if (pending_.blackScreen)
            pending_.blackScreen(page);
    };
    hotkeys_ = new HotkeyController(show_, settings_, this, std::move(hooks), this);
    qApp->installEventFilter(hotkeys_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A load or a recall lets events run while it waits; closing in the middle would free
    // the engine under it. The close is taken up again once the show is idle.
    if (showBusy() || lifecycle_.state() == ProgramState::Starting) {
        event->ignore();
        if (!closePending_) {
            closePending_ = true;
            QTimer::singleShot(200, this, [this] {
                closePending_ = false;
                close();
            });
        }
        return;
    }
    // The show keeps running, and its displays moving, while the question is open.
    if (lifecycle_.requestClose())
        event->accept();
    else
        event->ignore();
}

void MainWindow::setMtcDisplay(const QString& text, int colour) {
    // Time code redraws this up to 60 times a second: the colour is only touched when it
    // changes.
    mtcDisplay_->setText(text);
    const QColor c = toQColor(colour);
    if (mtcDisplay_->palette().color(QPalette::WindowText) != c) {
        QPalette p = mtcDisplay_->palette();
        p.setColor(QPalette::WindowText, c);
        mtcDisplay_->setPalette(p);
    }
    mtcDisplay_->show();
}

} // namespace kalvor
