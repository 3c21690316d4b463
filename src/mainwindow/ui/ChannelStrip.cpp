#include "mainwindow/ui/ChannelStrip.h"

#include "core/Channel.h"
#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/ui/Colour.h"
#include "engine/kae/Kae.h"
#include "mainwindow/ChannelCaption.h"
#include "mainwindow/StripTexts.h"
#include "mainwindow/ui/ListFonts.h"
#include "show/playback/ShowLayer.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace kalvor {

namespace {

constexpr int kHighlight = 0xC0C0C0;

QStringList localFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

// A click anywhere on the slider's groove jumps there and starts a drag, so every move of
// the slider ends in one release, which is where the channel seeks.
class JumpingSliderStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_Slider_AbsoluteSetButtons)
            return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// One style for all sliders, owned by the application. Built on the application's style
// by name, never on the style object itself, which a proxy would take ownership of.
QStyle* jumpingSliderStyle() {
    static QPointer<JumpingSliderStyle> style;
    if (!style) {
        style = new JumpingSliderStyle(QApplication::style()->name());
        style->setParent(qApp);
    }
    return style;
}

QAction* named(QAction* action, const char* name) {
    action->setObjectName(QLatin1String(name));
    return action;
}

QString cssColour(int value) {
    return toQColor(value).name();
}

const UiText* const kModeCaptions[7] = {&texts::ChkRestart, &texts::ChkLoop, &texts::ChkPause,
                                        &texts::ChkHold,    &texts::ChkJump, &texts::ChkAutostart,
                                        &texts::ChkRollback};
const UiText* const kModeTips[7] = {&texts::TipRestart, &texts::TipLoop, &texts::TipPause,
                                    &texts::TipHold,    &texts::TipJump, &texts::TipAutostart,
                                    &texts::TipRollback};
const char* const kModeNames[7] = {"chkRestartMode", "chkLoopMode",  "chkPauseMode", "chkHoldMode",
                                   "chkJumpMode",    "chkAutostart", "chkRollback"};

// The boxes from top to bottom; the captions and names above are in the same order.
constexpr PlayMode kModes[7] = {PlayMode::Restart, PlayMode::Loop, PlayMode::Pause,
                                PlayMode::Hold,    PlayMode::Jump, PlayMode::Autostart,
                                PlayMode::Rollback};

} // namespace

// --- SoundListView ------------------------------------------------------------------------

SoundListView::SoundListView(QWidget* parent) : QListWidget(parent) {
    setDragDropMode(QAbstractItemView::DropOnly);
    // Drops land on the viewport, which only takes them when it says so itself.
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

void SoundListView::dragEnterEvent(QDragEnterEvent* event) {
    const QStringList files = localFiles(event->mimeData());
    if (!files.isEmpty() && (!acceptsFiles || acceptsFiles(files)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SoundListView::dragMoveEvent(QDragMoveEvent* event) {
    const QStringList files = localFiles(event->mimeData());
    if (!files.isEmpty() && (!acceptsFiles || acceptsFiles(files)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SoundListView::dropEvent(QDropEvent* event) {
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (filesDropped)
        filesDropped(files);
}

void SoundListView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && arrowKey)
        arrowKey();
    QListWidget::keyPressEvent(event);
}

// --- PlayButton ---------------------------------------------------------------------------

PlayButton::PlayButton(QWidget* parent) : QPushButton(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void PlayButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        down_ = event->button() == Qt::LeftButton;
        setDown(down_);
        if (onPress)
            onPress(event->button() == Qt::RightButton);
    }
    event->accept();
}

void PlayButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && down_) {
        down_ = false;
        setDown(false);
        if (onRelease)
            onRelease();
    }
    event->accept();
}

// --- ChannelStrip -------------------------------------------------------------------------

ChannelStrip::ChannelStrip(int ch, ShowLayer& show, Settings& settings, QWidget* parent)
    : QFrame(parent), ch_(ch), show_(show), store_(show.store()), settings_(settings) {
    setObjectName(QStringLiteral("frmChannel%1").arg(ch + 1));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setMinimumWidth(104);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 3, 4, 4);
    layout->setSpacing(3);

    // The caption shares its row with the add button, which leaves the sound list the room.
    auto* head = new QHBoxLayout;
    head->setSpacing(3);
    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("lblChannelCaption"));
    caption_->setMinimumWidth(10);
    head->addWidget(caption_, 1);
    add_ = new QToolButton(this);
    add_->setObjectName(QStringLiteral("cmdAdd"));
    add_->setAcceptDrops(true);
    add_->setFocusPolicy(Qt::NoFocus);
    head->addWidget(add_);
    layout->addLayout(head);

    info_ = new QLabel(this);
    info_->setObjectName(QStringLiteral("lblChannelInfo"));
    info_->setFrameShape(QFrame::StyledPanel);
    // The info text sits on the list colours, so a chosen text colour reads the same
    // whether or not the strip is highlighted.
    info_->setAutoFillBackground(true);
    info_->setBackgroundRole(QPalette::Base);
    info_->setForegroundRole(QPalette::Text);
    info_->setMinimumWidth(10);
    info_->setFixedHeight(info_->fontMetrics().height() + 6);
    layout->addWidget(info_);

    cue_ = new QLabel(this);
    cue_->setObjectName(QStringLiteral("lblMtcCue"));
    cue_->setMinimumWidth(10);
    cue_->hide();
    layout->addWidget(cue_);

    list_ = new SoundListView(this);
    list_->setObjectName(QStringLiteral("lstSoundlist"));
    list_->setMinimumHeight(36);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setTextElideMode(Qt::ElideRight);
    layout->addWidget(list_, 1);

    auto* times = new QHBoxLayout;
    times->setSpacing(2);
    pos_ = new QLabel(this);
    pos_->setObjectName(QStringLiteral("pnlPos"));
    duration_ = new QLabel(this);
    duration_->setObjectName(QStringLiteral("pnlDuration"));
    for (QLabel* l : {pos_, duration_}) {
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(10);
        times->addWidget(l, 1);
    }
    offsetMark_ = new QLabel(this);
    offsetMark_->setObjectName(QStringLiteral("imgStartOffset"));
    offsetMark_->setAlignment(Qt::AlignCenter);
    offsetMark_->setAutoFillBackground(true);
    QPalette markColours = offsetMark_->palette();
    markColours.setColor(QPalette::Window, QColor(255, 200, 0));
    markColours.setColor(QPalette::WindowText, Qt::black);
    offsetMark_->setPalette(markColours);
    QFont markFont = offsetMark_->font();
    markFont.setBold(true);
    offsetMark_->setFont(markFont);
    offsetMark_->setCursor(Qt::PointingHandCursor);
    layout->addLayout(times);

    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("sldPosition"));
    slider_->setRange(0, 100);
    slider_->setFocusPolicy(Qt::NoFocus);
    slider_->setStyle(jumpingSliderStyle());
    // The mark sits beside the slider: the time displays keep their full width.
    auto* sliderRow = new QHBoxLayout;
    sliderRow->setSpacing(2);
    sliderRow->addWidget(slider_, 1);
    sliderRow->addWidget(offsetMark_);
    layout->addLayout(sliderRow);

    auto* modes = new QVBoxLayout;
    modes->setSpacing(0);
    for (int i = 0; i < 7; ++i) {
        auto* box = new QCheckBox(this);
        box->setObjectName(QLatin1String(kModeNames[i]));
        box->setFocusPolicy(Qt::NoFocus);
        // Seven boxes in a column: tight rows leave the sound list its room on small screens.
        box->setFixedHeight(box->fontMetrics().height() + 2);
        connect(box, &QCheckBox::clicked, this, [this, i](bool on) { setMode(i, on); });
        modes->addWidget(box);
        modes_[static_cast<std::size_t>(i)] = box;
    }
    layout->addLayout(modes);

    auto* groups = new QGridLayout;
    groups->setHorizontalSpacing(4);
    groups->setVerticalSpacing(2);
    playGroupLabel_ = new QLabel(this);
    stopGroupLabel_ = new QLabel(this);
    playGroup_ = new QComboBox(this);
    playGroup_->setObjectName(QStringLiteral("updPlayGroup"));
    stopGroup_ = new QComboBox(this);
    stopGroup_->setObjectName(QStringLiteral("updStopGroup"));
    for (QComboBox* box : {playGroup_, stopGroup_}) {
        box->addItem(QStringLiteral("---"));
        for (int g = 1; g <= 8; ++g)
            box->addItem(QString::number(g));
        box->setFocusPolicy(Qt::NoFocus);
        box->setMinimumWidth(10);
        box->setFixedHeight(box->fontMetrics().height() + 6);
    }
    connect(playGroup_, &QComboBox::activated, this, [this](int index) { setGroup(true, index); });
    connect(stopGroup_, &QComboBox::activated, this, [this](int index) { setGroup(false, index); });
    groups->addWidget(playGroupLabel_, 0, 0);
    groups->addWidget(playGroup_, 0, 1);
    groups->addWidget(stopGroupLabel_, 1, 0);
    groups->addWidget(stopGroup_, 1, 1);
    groups->setColumnStretch(1, 1);
    layout->addLayout(groups);

    play_ = new PlayButton(this);
    play_->setObjectName(QStringLiteral("cmdPlay"));
    play_->setMinimumHeight(40);
    play_->setMinimumWidth(10);
    layout->addWidget(play_);

    // Operator actions: every one goes to the show layer or the engine.
    ChannelPlayback& playback = show_.playback();
    play_->onPress = [this, &playback](bool right) {
        playback.PlayButtonDown(ch_, right);
    };
    play_->onRelease = [this, &playback] {
        playback.PlayButtonUp(ch_);
    };
    connect(&playback, &ChannelPlayback::buttonColourChanged, this,
            [this](int c, ButtonColour colour) {
                if (c == ch_)
                    setButtonColour(colour);
            });

    connect(list_, &QListWidget::currentRowChanged, this, &ChannelStrip::onCurrentRowChanged);
    connect(list_, &QListWidget::itemSelectionChanged, this,
            &ChannelStrip::onSelectionMarksChanged);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
        show_.playback().PressPlay(ch_);
        store_.selectChannel(ch_);
    });
    list_->acceptsFiles = [](const QStringList& files) {
        return acceptsDrop(files.first());
    };
    list_->filesDropped = [this](const QStringList& files) {
        show_.soundLists().DropFiles(ch_, files);
    };
    list_->arrowKey = [this] {
        if (show_.soundLists().multiSelect(ch_)) {
            show_.soundLists().setMultiSelect(ch_, false);
            refreshSoundList();
        }
    };
    connect(add_, &QToolButton::clicked, this,
            [this] { show_.soundLists().SoundLoadDialog(ch_, AddMode::Append); });

    connect(slider_, &QSlider::sliderMoved, this, &ChannelStrip::previewSliderPosition);
    connect(slider_, &QSlider::sliderReleased, this, [this] { seekToSlider(slider_->value()); });

    // Mirrors of the store.
    connect(&store_, &ShowStore::soundListChanged, this, [this](int c) {
        if (c == ch_)
            refreshSoundList();
    });
    connect(&store_, &ShowStore::channelChanged, this, [this](int c, unsigned aspects) {
        if (c != ch_)
            return;
        if (aspects & static_cast<unsigned>(ChannelAspect::Controls)) {
            refreshControls();
            refreshInfo();
        }
        if (aspects & static_cast<unsigned>(ChannelAspect::Assignments))
            LabelChannel();
        if (aspects & static_cast<unsigned>(ChannelAspect::Sound))
            refreshTimes();
        if (aspects & (static_cast<unsigned>(ChannelAspect::Assignments) |
                       static_cast<unsigned>(ChannelAspect::Sound)))
            refreshOffsetMark();
    });

    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    list_->viewport()->installEventFilter(this);

    applyCaptions();
    applyTimeDisplayStyle();
    applySoundListFont();
    setHighlighted(false);
    setButtonColour(playback.buttonColour(ch_));
    refreshSoundList();
    refreshControls();
    refreshInfo();
    refreshTimes();
    LabelChannel();
    refreshOffsetMark();
}

QCheckBox* ChannelStrip::modeBox(int index) const {
    return modes_.at(static_cast<std::size_t>(index));
}

bool ChannelStrip::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const bool right = mouse->button() == Qt::RightButton;
        // A left press on PLAY selects through PlayButtonDown; a right press only stops.
        if (watched != play_)
            store_.selectChannel(ch_);
        if (type == QEvent::MouseButtonDblClick && watched == info_) {
            inputChannelInfo();
            return true;
        }
        if (watched == offsetMark_ && !right) {
            if (hooks_.openStartOffsets)
                hooks_.openStartOffsets(ch_);
            return true;
        }
        if (type == QEvent::MouseButtonDblClick && watched == pos_) {
            if (hooks_.openGoToTime)
                hooks_.openGoToTime(ch_);
            return true;
        }
        if (right && type == QEvent::MouseButtonPress) {
            // A right click opens the menu without changing the list's current entry, which
            // would load another sound.
            if (watched == list_->viewport()) {
                showSoundListMenu(mouse->globalPosition().toPoint());
                return true;
            }
            if (watched == info_) {
                showChannelInfoMenu(mouse->globalPosition().toPoint());
                return true;
            }
            if (watched == duration_) {
                showTimeDisplayMenu(mouse->globalPosition().toPoint());
                return true;
            }
            if (watched == add_) {
                if (hooks_.openFtpBrowser)
                    hooks_.openFtpBrowser(ch_);
                return true;
            }
        }
    } else if (watched == add_ &&
               (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = localFiles(drop->mimeData());
        if (files.isEmpty()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        if (type == QEvent::Drop)
            show_.soundLists().DropFiles(ch_, files);
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void ChannelStrip::refreshSoundList() {
    const QList<SoundEntry>& entries = store_.soundList(ch_);
    const bool showPaths = settings_.integer(u"ShowPaths") == 1;
    const SoundListEditor& editor = show_.soundLists();
    updating_ = true;
    // The list is rebuilt only when its entries changed: a selection made by a click must
    // not clear the widget in the middle of its own mouse handling.
    bool same = list_->count() == entries.size();
    for (int i = 0; same && i < list_->count(); ++i)
        same = list_->item(i)->text() == (showPaths ? entries[i].path : entries[i].displayName);
    if (!same) {
        list_->clear();
        for (const SoundEntry& e : entries)
            list_->addItem(showPaths ? e.path : e.displayName);
    }
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* item = list_->item(i);
        item->setToolTip(settings_.integer(u"ToolTips") != 0 ? entries[i].path : QString());
        if (entries[i].isMissing())
            item->setForeground(QColor(0xff, 0x50, 0x50));
        else
            item->setData(Qt::ForegroundRole, QVariant());
    }
    const bool multi = editor.multiSelect(ch_);
    list_->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection
                                  : QAbstractItemView::SingleSelection);
    const int current = store_.controls(ch_).selectedSound;
    if (current >= 0 && current < list_->count()) {
        if (multi) {
            list_->setCurrentRow(current, QItemSelectionModel::NoUpdate);
            list_->clearSelection();
            for (int i : editor.marked(ch_)) {
                if (i >= 0 && i < list_->count())
                    list_->item(i)->setSelected(true);
            }
        } else {
            list_->setCurrentRow(current, QItemSelectionModel::ClearAndSelect);
        }
        list_->scrollToItem(list_->item(current));
    } else {
        list_->setCurrentRow(-1);
        list_->clearSelection();
    }
    updating_ = false;
}

void ChannelStrip::onCurrentRowChanged(int row) {
    if (updating_ || row < 0)
        return;
    show_.channelOps().SelectSound(ch_, row);
}

void ChannelStrip::onSelectionMarksChanged() {
    if (updating_)
        return;
    if (!show_.soundLists().multiSelect(ch_)) {
        // A click below the last entry clears the list's selection but not the loaded
        // sound: the current entry is shown selected again.
        if (list_->selectedItems().isEmpty() && store_.controls(ch_).selectedSound >= 0)
            refreshSoundList();
        return;
    }
    QSet<int> marks;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        marks.insert(index.row());
    show_.soundLists().setMarked(ch_, marks);
}

void ChannelStrip::refreshControls() {
    const ChannelControls& c = store_.controls(ch_);
    ChannelControls copy = c;
    for (int i = 0; i < 7; ++i) {
        QSignalBlocker block(modes_[static_cast<std::size_t>(i)]);
        modes_[static_cast<std::size_t>(i)]->setChecked(playModeField(copy, kModes[i]) == 1);
    }
    QSignalBlocker b1(playGroup_);
    QSignalBlocker b2(stopGroup_);
    playGroup_->setCurrentIndex(groupNumber(c.playGroup));
    stopGroup_->setCurrentIndex(groupNumber(c.stopGroup));
}

void ChannelStrip::refreshInfo() {
    const ChannelControls& c = store_.controls(ch_);
    info_->setText(c.infoText);
    info_->setToolTip(settings_.integer(u"ToolTips") != 0 ? c.infoText : QString());
    // Colour 0 is the record's "no colour": the label keeps the list's own text colour.
    QPalette p;
    if (c.infoColour != 0)
        p.setColor(QPalette::Text, toQColor(c.infoColour));
    info_->setPalette(p);
}

void ChannelStrip::refreshTimes() {
    const TimeDisplay t = show_.playback().timeDisplay(ch_);
    duration_->setText(t.length);
    if (slider_->isSliderDown())
        return;
    pos_->setText(t.position);
    slider_->setValue(t.percent);
}

void ChannelStrip::refreshOffsetMark() {
    const std::int32_t offset = store_.assignments(ch_).startOffset;
    offsetMark_->setVisible(offset > 0);
    offsetMark_->setText(txt(texts::OffsetMark));
    const int rate = store_.channel(ch_).sampleRate;
    offsetMark_->setToolTip(offset > 0 && rate > 0 && settings_.integer(u"ToolTips") == 1
                                ? txt(texts::OffsetMarkTip)
                                      .arg(engine::hmsText(offset / rate) +
                                           QStringLiteral(".%1").arg(offset % rate * 1000 / rate, 3,
                                                                     10, QLatin1Char('0')))
                                : QString());
}

void ChannelStrip::previewSliderPosition(int value) {
    if (KAE__Channel_GetLength(ch_) <= 0)
        return;
    const std::int64_t seconds = KAE__Channel_GetLengthInSec(ch_) * value / 100;
    pos_->setText(engine::hmsText(seconds));
}

void ChannelStrip::seekToSlider(int value) {
    show_.channelOps().SeekPercent(ch_, value);
    refreshTimes();
}

void ChannelStrip::setButtonColour(ButtonColour colour) {
    colour_ = colour;
    const ChannelPlayback& playback = show_.playback();
    applyPlayButtonColours(playback.colourValue(colour), settings_.integer(u"ButtonColorText"));
}

void ChannelStrip::applyPlayButtonColours(int background, int text) {
    const QColor bg = toQColor(background);
    play_->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: %2;"
                                        " border: 1px solid #101010; border-radius: 3px;"
                                        " font-weight: bold; font-size: 13pt; }"
                                        "QPushButton:pressed { background-color: %3; }")
                             .arg(bg.name(), cssColour(text), bg.darker(130).name()));
}

void ChannelStrip::LabelChannel() {
    const ChannelCaption c =
        kalvor::LabelChannel(ch_, store_.assignments(ch_), midiCaptionOptions(settings_),
                             UiLanguage::instance().current());
    caption_->setText(c.text);
    QFont font(c.fontFamily);
    font.setPointSize(c.pointSize);
    font.setBold(true);
    caption_->setFont(font);
    caption_->setAccessibleName(store_.channelTitle(ch_));
}

void ChannelStrip::setHighlighted(bool on) {
    highlighted_ = on;
    caption_->setStyleSheet(on ? QStringLiteral("QLabel { background-color: #2f6fb8; color: white;"
                                                " padding: 2px 4px; border-radius: 2px; }")
                               : QStringLiteral("QLabel { background-color: rgba(0, 0, 0, 70);"
                                                " padding: 2px 4px; border-radius: 2px; }"));
    const QPalette app = QApplication::palette();
    QPalette p = app;
    if (on) {
        p.setColor(QPalette::Window, toQColor(kHighlight));
        p.setColor(QPalette::WindowText, Qt::black);
    } else {
        p.setColor(QPalette::Window, app.color(QPalette::Button));
    }
    setPalette(p);
}

void ChannelStrip::applyCaptions() {
    const bool tips = settings_.integer(u"ToolTips") == 1;
    auto tip = [tips](const UiText& t) {
        return tips ? txt(t) : QString();
    };
    for (int i = 0; i < 7; ++i) {
        modes_[static_cast<std::size_t>(i)]->setText(txt(*kModeCaptions[i]));
        modes_[static_cast<std::size_t>(i)]->setToolTip(tip(*kModeTips[i]));
    }
    playGroupLabel_->setText(txt(texts::PlayGroupLabel));
    stopGroupLabel_->setText(txt(texts::StopGroupLabel));
    playGroup_->setToolTip(tip(texts::TipPlayGroup));
    stopGroup_->setToolTip(tip(texts::TipStopGroup));
    play_->setText(txt(texts::Play));
    play_->setToolTip(tip(texts::TipPlay));
    add_->setText(txt(texts::AddButton));
    add_->setToolTip(tip(texts::TipAdd));
    pos_->setToolTip(tip(texts::TipPosition));
    duration_->setToolTip(tip(texts::TipDuration));
    LabelChannel();
    refreshOffsetMark();
}

void ChannelStrip::applyTimeDisplayStyle() {
    const int fore = settings_.integer(u"TimeDisplayFontColor");
    const int back = settings_.integer(u"TimeDisplayBackColor");
    const bool bold = settings_.integer(u"TimeDisplayBold") == 1;
    const QString css = QStringLiteral("QLabel { background-color: %1; color: %2; font-family:"
                                       " 'DejaVu Sans Mono', monospace; font-size: %4pt;"
                                       " font-weight: %3; border: 1px solid #101010;"
                                       " padding: 2px 0px; }")
                            .arg(cssColour(back), cssColour(fore),
                                 bold ? QStringLiteral("bold") : QStringLiteral("normal"))
                            .arg(timeFontPoints_);
    pos_->setStyleSheet(css);
    duration_->setStyleSheet(css);
}

void ChannelStrip::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    // The times are read from across the booth: they grow with the strip, as far as two
    // of them still fit side by side.
    const int points = width() >= 200 ? 11 : width() >= 150 ? 10 : 8;
    if (points != timeFontPoints_) {
        timeFontPoints_ = points;
        applyTimeDisplayStyle();
    }
}

void ChannelStrip::applySoundListFont() {
    list_->setFont(toQFont(listFontSetting(settings_, u"SoundList")));
}

void ChannelStrip::setMode(int index, bool on) {
    show_.channelOps().SetMode(ch_, kModes[index], on);
}

void ChannelStrip::setGroup(bool play, int group) {
    show_.channelOps().SetGroup(ch_, play, group);
}

void ChannelStrip::showSoundListMenu(const QPoint& globalPos) {
    makeSoundListMenu()->exec(globalPos);
}

std::unique_ptr<QMenu> ChannelStrip::makeSoundListMenu() {
    auto owned = std::make_unique<QMenu>(this);
    QMenu& menu = *owned;
    SoundListEditor& editor = show_.soundLists();
    menu.setObjectName(QStringLiteral("mnuSoundList"));
    auto add = [&menu](const UiText& text, const char* name, std::function<void()> f) {
        QAction* a = menu.addAction(txt(text));
        a->setObjectName(QLatin1String(name));
        QObject::connect(a, &QAction::triggered, &menu, std::move(f));
        return a;
    };
    const int c = ch_;
    add(texts::MnuSoundListAdd, "mnuSoundListAdd",
        [&editor, c] { editor.SoundLoadDialog(c, AddMode::Append); });
    add(texts::MnuSoundListInsertNewBefore, "mnuSoundListInsertNewBefore",
        [&editor, c] { editor.SoundLoadDialog(c, AddMode::InsertBefore); });
    add(texts::MnuSoundListInsertNewAfter, "mnuSoundListInsertNewAfter",
        [&editor, c] { editor.SoundLoadDialog(c, AddMode::InsertAfter); });
    menu.addSeparator();
    add(texts::MnuSoundListCopy, "mnuSoundListCopy", [&editor, c] { editor.Copy(c); });
    add(texts::MnuSoundListCut, "mnuSoundListCut", [&editor, c] { editor.Cut(c); });
    add(texts::MnuSoundListInsertBefore, "mnuSoundListInsertBefore",
        [&editor, c] { editor.InsertClipboard(c, false); });
    add(texts::MnuSoundListInsertAfter, "mnuSoundListInsertAfter",
        [&editor, c] { editor.InsertClipboard(c, true); });
    menu.addSeparator();
    add(texts::MnuSoundListRemove, "mnuSoundListRemove", [&editor, c] { editor.Remove(c); });
    add(texts::MnuSoundListRemoveAll, "mnuSoundListRemoveAll",
        [&editor, c] { editor.RemoveSoundsFromList(c); });
    add(texts::MnuRemoveSoundsFromPage, "mnuRemoveSoundsFromPage",
        [&editor, c] { editor.RemoveSoundsFromPage(c / kChannelsPerPage + 1); });
    menu.addSeparator();
    QAction* multi =
        add(texts::MnuSoundListMultiSelect, "mnuSoundListMultiSelect", [this, &editor, c] {
            editor.setMultiSelect(c, !editor.multiSelect(c));
            refreshSoundList();
        });
    multi->setCheckable(true);
    multi->setChecked(editor.multiSelect(c));
    add(texts::MnuSoundListEditWave, "mnuSoundListEditWave", [&editor, c] { editor.EditWave(c); });
    add(texts::MnuChangeFont, "mnuSoundListChangeFont", [this] {
        const QFont current = list_->font();
        FontChoice initial = listFontSetting(settings_, u"SoundList");
        initial.bold = current.bold();
        initial.italic = current.italic();
        const auto chosen = dialogs().font(initial);
        if (!chosen)
            return;
        storeListFontSetting(settings_, u"SoundList", *chosen);
        if (hooks_.soundListFontChanged)
            hooks_.soundListFontChanged();
        else
            applySoundListFont();
    });
    return owned;
}

void ChannelStrip::showTimeDisplayMenu(const QPoint& globalPos) {
    makeTimeDisplayMenu()->exec(globalPos);
}

std::unique_ptr<QMenu> ChannelStrip::makeTimeDisplayMenu() {
    auto owned = std::make_unique<QMenu>(this);
    QMenu& menu = *owned;
    menu.setObjectName(QStringLiteral("mnuTimeDisplayColors"));
    auto changed = [this] {
        if (hooks_.timeDisplayStyleChanged)
            hooks_.timeDisplayStyleChanged();
        else
            applyTimeDisplayStyle();
    };
    auto pickColour = [this, changed](QStringView key) {
        if (const auto c = dialogs().colour(settings_.integer(key))) {
            settings_.setInteger(key, *c);
            changed();
        }
    };
    connect(named(menu.addAction(txt(texts::MnuTimeTextColour)), "mnuTimeTextColor"),
            &QAction::triggered, &menu, [pickColour] { pickColour(u"TimeDisplayFontColor"); });
    connect(named(menu.addAction(txt(texts::MnuTimeBackColour)), "mnuTimeBackColor"),
            &QAction::triggered, &menu, [pickColour] { pickColour(u"TimeDisplayBackColor"); });
    QAction* bold = named(menu.addAction(txt(texts::MnuTimeBold)), "mnuTimeBold");
    bold->setCheckable(true);
    bold->setChecked(settings_.integer(u"TimeDisplayBold") == 1);
    connect(bold, &QAction::triggered, &menu, [this, changed](bool on) {
        settings_.setInteger(u"TimeDisplayBold", on ? 1 : 0);
        changed();
    });
    menu.addSeparator();
    connect(named(menu.addAction(txt(texts::MnuTimeReset)), "mnuTimeReset"), &QAction::triggered,
            &menu, [this, changed] {
                settings_.setInteger(u"TimeDisplayFontColor", 65280);
                settings_.setInteger(u"TimeDisplayBold", 0);
                changed();
            });
    return owned;
}

void ChannelStrip::showChannelInfoMenu(const QPoint& globalPos) {
    makeChannelInfoMenu()->exec(globalPos);
}

std::unique_ptr<QMenu> ChannelStrip::makeChannelInfoMenu() {
    auto owned = std::make_unique<QMenu>(this);
    QMenu& menu = *owned;
    menu.setObjectName(QStringLiteral("mnuChannelInfo"));
    const int c = ch_;
    connect(named(menu.addAction(txt(texts::MnuInputChannelInfo)), "mnuInputChannelInfo"),
            &QAction::triggered, &menu, [this] { inputChannelInfo(); });
    connect(named(menu.addAction(txt(texts::MnuChangeColour)), "mnuChangeColor"),
            &QAction::triggered, &menu, [this, c] {
                const ChannelControls& k = store_.controls(c);
                if (const auto colour = dialogs().colour(k.infoColour))
                    store_.setChannelInfo(c, k.infoText, *colour);
            });
    menu.addSeparator();
    connect(named(menu.addAction(txt(texts::MnuRemoveChannelInfo)), "mnuRemoveChannelInfo"),
            &QAction::triggered, &menu,
            [this, c] { store_.setChannelInfo(c, QString(), store_.controls(c).infoColour); });
    connect(named(menu.addAction(txt(texts::MnuRemoveColour)), "mnuRemoveColor"),
            &QAction::triggered, &menu,
            [this, c] { store_.setChannelInfo(c, store_.controls(c).infoText, 0); });
    menu.addSeparator();
    connect(named(menu.addAction(txt(texts::MnuResetAllInfo)), "mnuResetAllInfo"),
            &QAction::triggered, &menu, [this] {
                for (int i = 0; i < kChannelCount; ++i)
                    store_.setChannelInfo(i, QString(), store_.controls(i).infoColour);
            });
    connect(named(menu.addAction(txt(texts::MnuResetAllColours)), "mnuResetAllColors"),
            &QAction::triggered, &menu, [this] {
                for (int i = 0; i < kChannelCount; ++i)
                    store_.setChannelInfo(i, store_.controls(i).infoText, 0);
            });
    return owned;
}

void ChannelStrip::inputChannelInfo() {
    const ChannelControls& k = store_.controls(ch_);
    const auto answer =
        dialogs().inputBox(txt(texts::ChannelInfoTitle), txt(texts::ChannelInfoPrompt), k.infoText);
    if (answer)
        store_.setChannelInfo(ch_, *answer, k.infoColour);
}

void ChannelStrip::setCueText(const QString& text) {
    cue_->setText(text);
    cue_->setVisible(!text.isEmpty());
}

} // namespace kalvor
