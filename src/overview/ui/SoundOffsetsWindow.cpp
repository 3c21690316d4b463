#include "overview/ui/SoundOffsetsWindow.h"

#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "overview/OffsetTexts.h"
#include "show/playback/ShowLayer.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace kalvor {

namespace {

constexpr int kSyncMs = 10;
constexpr OffsetDigit kDigits[] = {OffsetDigit::Hours, OffsetDigit::Minutes, OffsetDigit::Seconds,
                                   OffsetDigit::Milliseconds, OffsetDigit::Samples};
const char* const kDigitNames[] = {"Hours", "Minutes", "Seconds", "Milliseconds", "Samples"};
const char* const kDigitMarks[] = {"h", "m", "s", "ms", "smp"};

QString soundName(const ShowStore& store, int ch) {
    const int entry = store.controls(ch).selectedSound;
    const auto& list = store.soundList(ch);
    return entry >= 0 && entry < list.size() ? list.at(entry).displayName : QString();
}

} // namespace

SoundOffsetsWindow::SoundOffsetsWindow(ShowLayer& show, Settings& settings, QWidget* parent)
    : QWidget(parent, Qt::Tool), show_(show), settings_(settings), presets_(settings),
      cue_(show.offsets(), show.playback()) {
    setObjectName(QStringLiteral("frmStartOffset"));
    sync_.setInterval(kSyncMs);
    connect(&sync_, &QTimer::timeout, this, &SoundOffsetsWindow::syncTick);
    build();
    connect(&show_.store(), &ShowStore::channelChanged, this, [this](int c, unsigned aspects) {
        constexpr unsigned kWatched = static_cast<unsigned>(ChannelAspect::Assignments) |
                                      static_cast<unsigned>(ChannelAspect::Sound);
        if (c == ch_ && (aspects & kWatched))
            refreshFromStore();
    });
    connect(&UiLanguage::instance(), &UiLanguage::changed, this,
            &SoundOffsetsWindow::applyCaptions);
    applyCaptions();
    refreshFromStore();
}

QPushButton* SoundOffsetsWindow::button(const QString& objectName) const {
    return findChild<QPushButton*>(objectName);
}

void SoundOffsetsWindow::build() {
    auto* root = new QVBoxLayout(this);
    auto caption = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QLatin1String(name));
        captionLabels_ << l;
        return l;
    };
    auto pushButton = [this](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };

    auto* top = new QHBoxLayout;
    channelBox_ = new QSpinBox(this);
    channelBox_->setObjectName(QStringLiteral("updChannel"));
    channelBox_->setRange(1, kChannelCount);
    playTime_ = new QLabel(this);
    playTime_->setObjectName(QStringLiteral("lblPlaybackTime"));
    top->addWidget(caption("lblChannelCaption"));
    top->addWidget(channelBox_);
    top->addStretch(1);
    top->addWidget(caption("lblPlayingCaption"));
    top->addWidget(playTime_);
    root->addLayout(top);
    connect(channelBox_, &QSpinBox::valueChanged, this, [this](int v) {
        if (v - 1 != ch_)
            showChannel(v - 1);
    });

    auto* offset = new QGroupBox(this);
    offset->setObjectName(QStringLiteral("fraStartOffset"));
    auto* grid = new QGridLayout(offset);
    time_ = new QLabel(offset);
    time_->setObjectName(QStringLiteral("lblOffsetTime"));
    QFont big = time_->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    time_->setFont(big);
    time_->setAlignment(Qt::AlignCenter);
    grid->addWidget(time_, 0, 0, 1, 5);
    grid->addWidget(caption("lblDigitsCaption"), 1, 0, 1, 5, Qt::AlignCenter);
    for (int i = 0; i < 5; ++i) {
        auto* column = new QVBoxLayout;
        column->setSpacing(0);
        for (int dir = 0; dir < 2; ++dir) {
            auto* b = new QToolButton(offset);
            b->setObjectName(QStringLiteral("upd%1%2").arg(QLatin1String(kDigitNames[i]),
                                                           dir == 0 ? u"Up" : u"Down"));
            b->setArrowType(dir == 0 ? Qt::UpArrow : Qt::DownArrow);
            b->setAutoRepeat(true);
            b->setMinimumWidth(44);
            const bool up = dir == 0;
            const OffsetDigit digit = kDigits[i];
            connect(b, &QToolButton::clicked, this, [this, digit, up] { spin(digit, up); });
            spinners_[static_cast<std::size_t>(i * 2 + dir)] = b;
            column->addWidget(b, 0, Qt::AlignHCenter);
            if (dir == 0) {
                auto* mark = new QLabel(QLatin1String(kDigitMarks[i]), offset);
                mark->setAlignment(Qt::AlignCenter);
                column->addWidget(mark);
            }
        }
        grid->addLayout(column, 2, i);
    }
    auto* samplesRow = new QHBoxLayout;
    samples_ = new QLineEdit(offset);
    samples_->setObjectName(QStringLiteral("txtSamples"));
    samplesRow->addWidget(caption("lblSamplesCaption"));
    samplesRow->addWidget(samples_, 1);
    grid->addLayout(samplesRow, 3, 0, 1, 5);
    // A typed value is validated, never stored as typed: "-5" becomes 0.
    connect(samples_, &QLineEdit::editingFinished, this, [this] {
        bool ok = false;
        const qlonglong v = samples_->text().trimmed().toLongLong(&ok);
        if (ok)
            setWorking(v);
        storeWorking();
    });
    slider_ = new QSlider(Qt::Horizontal, offset);
    slider_->setObjectName(QStringLiteral("sldPosition"));
    slider_->setRange(0, 100);
    grid->addWidget(slider_, 4, 0, 1, 5);
    connect(slider_, &QSlider::sliderMoved, this, [this](int v) {
        setWorking(offsetFromPercent(v, KAE__Channel_GetLengthInSamples(ch_)));
    });
    connect(slider_, &QSlider::sliderReleased, this, [this] { storeWorking(); });
    connect(slider_, &QSlider::actionTriggered, this, [this](int action) {
        // Page and arrow keys move it without a drag: store at once.
        if (action != QAbstractSlider::SliderMove && !slider_->isSliderDown()) {
            setWorking(
                offsetFromPercent(slider_->sliderPosition(), KAE__Channel_GetLengthInSamples(ch_)));
            storeWorking();
        }
    });
    root->addWidget(offset);

    StartOffsets& ops = show_.offsets();
    auto* edit = new QHBoxLayout;
    for (const char* name : {"cmdCapture", "cmdReset", "cmdCopy", "cmdPaste"})
        edit->addWidget(pushButton(name));
    root->addLayout(edit);
    connect(button(QStringLiteral("cmdCapture")), &QPushButton::clicked, this,
            [this, &ops] { ops.Capture_StartOffset(ch_); });
    connect(button(QStringLiteral("cmdReset")), &QPushButton::clicked, this,
            [this, &ops] { ops.Reset_StartOffset(ch_); });
    connect(button(QStringLiteral("cmdCopy")), &QPushButton::clicked, this,
            [this, &ops] { ops.CopyStartOffset(ch_); });
    connect(button(QStringLiteral("cmdPaste")), &QPushButton::clicked, this,
            [this, &ops] { ops.PasteStartOffset(ch_); });

    auto* audition = new QHBoxLayout;
    for (const char* name : {"cmdPlay", "cmdStop", "cmdCue"})
        audition->addWidget(pushButton(name));
    cueLevel_ = new QSpinBox(this);
    cueLevel_->setObjectName(QStringLiteral("updCueLevel"));
    cueLevel_->setRange(-99, 0);
    cueLevel_->setSuffix(QStringLiteral("dB"));
    cueLevel_->setValue(settings_.integer(u"AutoCueLevel"));
    cueState_ = new QLabel(this);
    cueState_->setObjectName(QStringLiteral("lblCueState"));
    audition->addWidget(caption("lblCueLevelCaption"));
    audition->addWidget(cueLevel_);
    audition->addWidget(cueState_, 1);
    root->addLayout(audition);
    connect(button(QStringLiteral("cmdPlay")), &QPushButton::clicked, this,
            [this] { show_.playback().PressPlay(ch_); });
    connect(button(QStringLiteral("cmdStop")), &QPushButton::clicked, this, [this] {
        cue_.disarm();
        show_.playback().StopChannel(ch_);
    });
    QPushButton* cue = button(QStringLiteral("cmdCue"));
    cue->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(cue, &QPushButton::clicked, this, [this] { cue_.arm(ch_, true); });
    connect(cue, &QWidget::customContextMenuRequested, this, [this] { cue_.arm(ch_, false); });

    jump_ = new QCheckBox(this);
    jump_->setObjectName(QStringLiteral("chkJumpToOffsets"));
    jump_->setChecked(settings_.integer(u"JumpToOffsets") == 1);
    connect(jump_, &QCheckBox::toggled, this, [this](bool on) {
        settings_.setInteger(u"JumpToOffsets", on ? 1 : 0);
        settings_.sync();
    });
    root->addWidget(jump_);

    auto* presets = new QGroupBox(this);
    presets->setObjectName(QStringLiteral("fraPresets"));
    auto* pl = new QGridLayout(presets);
    presetList_ = new QListWidget(presets);
    presetList_->setObjectName(QStringLiteral("lstPresets"));
    presetInfo_ = new QLineEdit(presets);
    presetInfo_->setObjectName(QStringLiteral("txtPresetInfo"));
    presetTime_ = new QLabel(presets);
    presetTime_->setObjectName(QStringLiteral("lblPresetTime"));
    pl->addWidget(presetList_, 0, 0, 4, 1);
    pl->addWidget(caption("lblPresetInfoCaption"), 0, 1);
    pl->addWidget(presetInfo_, 1, 1, 1, 3);
    pl->addWidget(presetTime_, 2, 1, 1, 3);
    int col = 1;
    for (const char* name : {"cmdPresetLoad", "cmdPresetSave", "cmdPresetClear"})
        pl->addWidget(pushButton(name), 3, col++);
    root->addWidget(presets, 1);
    connect(presetList_, &QListWidget::currentRowChanged, this, [this] { onPresetChosen(); });
    connect(button(QStringLiteral("cmdPresetLoad")), &QPushButton::clicked, this,
            &SoundOffsetsWindow::loadPreset);
    connect(button(QStringLiteral("cmdPresetSave")), &QPushButton::clicked, this,
            &SoundOffsetsWindow::savePreset);
    connect(button(QStringLiteral("cmdPresetClear")), &QPushButton::clicked, this,
            &SoundOffsetsWindow::clearPreset);
}

void SoundOffsetsWindow::applyCaptions() {
    const std::pair<const char*, const UiText*> labels[] = {
        {"lblChannelCaption", &texts::OffsetsChannel},
        {"lblPlayingCaption", &texts::OffsetsPlaying},
        {"lblDigitsCaption", &texts::OffsetsDigits},
        {"lblSamplesCaption", &texts::OffsetsSamples},
        {"lblCueLevelCaption", &texts::OffsetsCueLevel},
        {"lblPresetInfoCaption", &texts::OffsetsPresetInfo},
    };
    for (const auto& [name, text] : labels)
        findChild<QLabel*>(QLatin1String(name))->setText(txt(*text));
    const std::pair<const char*, const UiText*> buttons[] = {
        {"cmdCapture", &texts::OffsetsCapture}, {"cmdReset", &texts::OffsetsReset},
        {"cmdCopy", &texts::OffsetsCopy},       {"cmdPaste", &texts::OffsetsPaste},
        {"cmdPlay", &texts::OffsetsPlay},       {"cmdStop", &texts::OffsetsStop},
        {"cmdCue", &texts::OffsetsCue},         {"cmdPresetLoad", &texts::OffsetsLoad},
        {"cmdPresetSave", &texts::OffsetsSave}, {"cmdPresetClear", &texts::OffsetsClear},
    };
    for (const auto& [name, text] : buttons)
        button(QLatin1String(name))->setText(txt(*text));
    button(QStringLiteral("cmdCue"))
        ->setToolTip(settings_.integer(u"ToolTips") == 1 ? txt(texts::OffsetsCueTip) : QString());
    findChild<QGroupBox*>(QStringLiteral("fraStartOffset"))
        ->setTitle(txt(texts::OffsetsStartOffset));
    findChild<QGroupBox*>(QStringLiteral("fraPresets"))->setTitle(txt(texts::OffsetsPresets));
    jump_->setText(txt(texts::OffsetsJump));
    const QString name = soundName(show_.store(), ch_);
    setWindowTitle(txt(texts::OffsetsTitle) + QString::number(ch_ + 1) + QStringLiteral(" (") +
                   (name.isEmpty() ? txt(texts::OffsetsNoSound) : name) + QStringLiteral(") "));
}

void SoundOffsetsWindow::showChannel(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    if (ch != ch_)
        cue_.disarm();
    ch_ = ch;
    channelBox_->setValue(ch + 1);
    refreshFromStore();
    show();
    raise();
    activateWindow();
}

void SoundOffsetsWindow::refreshFromStore() {
    const bool sound = show_.offsets().hasSound(ch_);
    for (QWidget* w : std::initializer_list<QWidget*>{samples_, slider_, jump_})
        w->setEnabled(sound);
    for (QToolButton* b : spinners_)
        b->setEnabled(sound);
    for (const char* name : {"cmdCapture", "cmdReset", "cmdCopy", "cmdPaste", "cmdPlay", "cmdStop",
                             "cmdCue", "cmdPresetLoad", "cmdPresetSave"})
        button(QLatin1String(name))->setEnabled(sound);
    working_ = sound ? show_.store().assignments(ch_).startOffset : 0;
    showWorking();
    if (!slider_->isSliderDown())
        slider_->setValue(sound ? offsetPercent(working_, KAE__Channel_GetLengthInSamples(ch_))
                                : 0);
    applyCaptions();
}

void SoundOffsetsWindow::showWorking() {
    time_->setText(offsetTimeText(working_, show_.store().channel(ch_).sampleRate));
    samples_->setText(QString::number(working_));
}

void SoundOffsetsWindow::setWorking(std::int64_t value) {
    working_ = show_.offsets().ValidateStartOffset(ch_, value);
    showWorking();
}

void SoundOffsetsWindow::storeWorking() {
    if (!show_.offsets().SetStartOffset(ch_, working_))
        refreshFromStore(); // no sound: the fields go back to their empty form
}

void SoundOffsetsWindow::spin(OffsetDigit digit, bool up) {
    if (!show_.offsets().hasSound(ch_))
        return;
    const std::int64_t step = offsetDigitStep(digit, show_.store().channel(ch_).sampleRate);
    setWorking(working_ + (up ? step : -step));
    storeWorking();
}

void SoundOffsetsWindow::syncTick() {
    const std::int64_t pos = KAE__Channel_GetPositionInSamples(ch_);
    playTime_->setText(
        offsetTimeText(std::max<std::int64_t>(pos, 0), show_.store().channel(ch_).sampleRate));
    cue_.tick(cueLevel_->value());
    cueState_->setText(cue_.armed() ? txt(texts::OffsetsCueArmed) : QString());
}

void SoundOffsetsWindow::fillPresets() {
    const int row = presetList_->currentRow();
    presetList_->clear();
    for (int n = 1; n <= kOffsetPresetCount; ++n)
        presetList_->addItem(presets_.read(n).entry);
    presetList_->setCurrentRow(row);
    presetsFilled_ = true;
}

int SoundOffsetsWindow::presetNumber() const {
    return presetList_->currentRow() + 1;
}

void SoundOffsetsWindow::onPresetChosen() {
    const int n = presetNumber();
    const OffsetPreset p = n >= 1 ? presets_.read(n) : OffsetPreset{};
    presetInfo_->setText(p.info);
    presetTime_->setText(p.time);
    button(QStringLiteral("cmdPresetClear"))->setEnabled(n >= 1);
}

void SoundOffsetsWindow::loadPreset() {
    const int n = presetNumber();
    if (n >= 1)
        show_.offsets().SetStartOffset(ch_, presets_.read(n).samples);
}

void SoundOffsetsWindow::savePreset() {
    const int n = presetNumber();
    if (n < 1 || !show_.offsets().hasSound(ch_))
        return;
    presets_.save(n, soundName(show_.store(), ch_), presetInfo_->text(),
                  show_.store().assignments(ch_).startOffset,
                  show_.store().channel(ch_).sampleRate);
    fillPresets();
    onPresetChosen();
}

void SoundOffsetsWindow::clearPreset() {
    const int n = presetNumber();
    if (n < 1)
        return;
    if (dialogs().message(txt(texts::ClearPresetTitle), txt(texts::ClearPresetQuestion),
                          MessageIcon::Question, MessageButtons::YesNo,
                          MessageResult::No) != MessageResult::Yes)
        return;
    presets_.clear(n);
    fillPresets();
    onPresetChosen();
}

void SoundOffsetsWindow::showEvent(QShowEvent* event) {
    // The options dialog edits both settings too: take them up on every showing.
    const QSignalBlocker block(jump_);
    jump_->setChecked(settings_.integer(u"JumpToOffsets") == 1);
    cueLevel_->setValue(settings_.integer(u"AutoCueLevel"));
    if (!presetsFilled_ || presetList_->currentRow() < 0)
        fillPresets();
    sync_.start();
    QWidget::showEvent(event);
}

void SoundOffsetsWindow::hideEvent(QHideEvent* event) {
    // The cue watches the level only while the window is open. Left armed, it would catch
    // whatever the channel plays when the window is opened again, and stop it there.
    cue_.disarm();
    cueState_->clear();
    sync_.stop();
    QWidget::hideEvent(event);
}

void SoundOffsetsWindow::closeEvent(QCloseEvent* event) {
    settings_.setInteger(u"AutoCueLevel", cueLevel_->value());
    settings_.sync();
    sync_.stop();
    QWidget::closeEvent(event);
}

} // namespace kalvor
