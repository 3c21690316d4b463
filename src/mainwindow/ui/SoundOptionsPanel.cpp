#include "mainwindow/ui/SoundOptionsPanel.h"

#include "core/CoreTexts.h"
#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "engine/kae/KaeEffectChain.h"
#include "engine/kae/SurroundDestinations.h"
#include "mainwindow/ChannelTexts.h"
#include "mainwindow/PanelTexts.h"
#include "mainwindow/ui/PanelWidgets.h"
#include "show/playback/ShowLayer.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

namespace kalvor {

namespace {

constexpr std::array<const char*, 3> kBandKeys{"Lo", "Mid", "Hi"};
constexpr std::array<const UiText*, 3> kBandNames{&texts::EqLow, &texts::EqMid, &texts::EqHigh};

QString bandName(const char* prefix, int band, const char* suffix) {
    return QLatin1String(prefix) + QLatin1String(kBandKeys[static_cast<std::size_t>(band)]) +
           QLatin1String(suffix);
}

QLabel* valueLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setAlignment(Qt::AlignCenter);
    return l;
}

// An up/down control of the equaliser; it shows its value with the unit.
QSpinBox* upDown(QWidget* parent, const QString& name, int min, int max) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(min, max);
    s->setKeyboardTracking(false);
    s->setAccelerated(true);
    return s;
}

} // namespace

SoundOptionsPanel::SoundOptionsPanel(ShowLayer& show, Settings& settings, QWidget* parent)
    : QGroupBox(parent), show_(show), store_(show.store()), settings_(settings) {
    setObjectName(QStringLiteral("frmSoundOptions"));
    buildLayout();
    connectControls();

    connect(&store_, &ShowStore::selectedChannelChanged, this,
            &SoundOptionsPanel::DisplaySoundSettings);
    connect(&store_, &ShowStore::channelChanged, this, &SoundOptionsPanel::refreshFromStore);
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, &SoundOptionsPanel::applyCaptions);

    ledTimer_ = new QTimer(this);
    ledTimer_->setObjectName(QStringLiteral("LEDTimer"));
    ledTimer_->setInterval(20);
    connect(ledTimer_, &QTimer::timeout, this, &SoundOptionsPanel::tickMeters);
    cpuTimer_ = new QTimer(this);
    cpuTimer_->setObjectName(QStringLiteral("tmrCPULoad"));
    cpuTimer_->setInterval(250);
    connect(cpuTimer_, &QTimer::timeout, this, &SoundOptionsPanel::tickCpuLoad);

    // The channel number is what the operator checks before touching anything here, so
    // the caption is set larger and bold; the controls keep the normal font.
    QFont normal = font();
    normal.setBold(false); // explicit, so the children stop inheriting the caption's font
    normal.setPointSizeF(font().pointSizeF());
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        w->setFont(normal);
    QFont caption = normal;
    caption.setBold(true);
    caption.setPointSizeF(normal.pointSizeF() * 1.15);
    setFont(caption);

    applyCaptions();
    setEnabledControls(false);
    if (store_.selectedChannel() >= 0)
        DisplaySoundSettings(store_.selectedChannel());
}

SoundOptionsPanel::~SoundOptionsPanel() = default;

void SoundOptionsPanel::buildLayout() {
    // Output and destination.
    lblOutput_ = new QLabel(this);
    cmbOutputChannels_ = new ArmedComboBox(this);
    cmbOutputChannels_->setObjectName(QStringLiteral("cmbOutputChannels"));
    cmbOutputChannels_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbOutputChannels_->setMinimumContentsLength(18);
    lblInfoDeviceChannels_ = new QLabel(this);
    lblInfoDeviceChannels_->setObjectName(QStringLiteral("lblInfoDeviceChannels"));
    lblSurroundSetup_ = new QLabel(this);
    lblSurroundSetup_->setObjectName(QStringLiteral("lblSurroundSetup"));
    cmbSurroundDestination_ = new ArmedComboBox(this);
    cmbSurroundDestination_->setObjectName(QStringLiteral("cmbSurroundDestination"));
    for (int i = 0; i < engine::kSurroundDestinationCount; ++i)
        cmbSurroundDestination_->addItem(engine::surroundDestinationText(i));
    lblFileBits_ = new QLabel(this);
    lblFileBits_->setObjectName(QStringLiteral("lblFileBits"));
    lblFileChannels_ = new QLabel(this);
    lblFileChannels_->setObjectName(QStringLiteral("lblFileChannels"));
    lblFileSampleRate_ = new QLabel(this);
    lblFileSampleRate_->setObjectName(QStringLiteral("lblFileSamplerate"));

    auto* routing = new QGridLayout;
    routing->setHorizontalSpacing(8);
    routing->setVerticalSpacing(4);
    routing->addWidget(lblOutput_, 0, 0);
    routing->addWidget(cmbOutputChannels_, 0, 1);
    routing->addWidget(lblInfoDeviceChannels_, 0, 2);
    routing->addWidget(lblSurroundSetup_, 1, 0);
    routing->addWidget(cmbSurroundDestination_, 1, 1);
    routing->setColumnStretch(1, 1);
    auto* fileInfo = new QVBoxLayout;
    fileInfo->setSpacing(1);
    fileInfo->addWidget(lblFileBits_);
    fileInfo->addWidget(lblFileChannels_);
    fileInfo->addWidget(lblFileSampleRate_);
    routing->addLayout(fileInfo, 1, 2, 2, 1, Qt::AlignTop);

    // Volume, pan and meters.
    lblVolumeCaption_ = valueLabel(this, "lblVolumeCaption");
    sldVolume_ = new QSlider(Qt::Vertical, this);
    sldVolume_->setObjectName(QStringLiteral("sldVolume"));
    sldVolume_->setRange(0, 100);
    sldVolume_->setPageStep(6);
    sldVolume_->setTickPosition(QSlider::TicksBothSides);
    sldVolume_->setTickInterval(10);
    sldVolume_->setMinimumHeight(110);
    lblVolume_ = valueLabel(this, "lblVolume");
    lblVolume_->setMinimumWidth(52);
    lblPanCaption_ = valueLabel(this, "lblPanCaption");
    knPan_ = new Knob(this);
    knPan_->setObjectName(QStringLiteral("knPan"));
    knPan_->setRange(-100, 100);
    knPan_->setPageStep(10);
    knPan_->setMinimumSize(52, 52);
    lblPan_ = valueLabel(this, "lblPan");
    meterL_ = new LevelMeter(this);
    meterL_->setObjectName(QStringLiteral("MeterL"));
    meterR_ = new LevelMeter(this);
    meterR_->setObjectName(QStringLiteral("MeterR"));
    auto* meterNames = new QHBoxLayout;
    meterNames->setSpacing(2);
    meterNames->addWidget(valueLabel(this, "lblMeterL"));
    meterNames->addWidget(valueLabel(this, "lblMeterR"));
    findChild<QLabel*>(QStringLiteral("lblMeterL"))->setText(QStringLiteral("L"));
    findChild<QLabel*>(QStringLiteral("lblMeterR"))->setText(QStringLiteral("R"));

    auto* levels = new QGridLayout;
    levels->setHorizontalSpacing(6);
    levels->setVerticalSpacing(2);
    levels->addWidget(lblVolumeCaption_, 0, 0);
    levels->addWidget(sldVolume_, 1, 0, 3, 1, Qt::AlignHCenter);
    levels->addWidget(lblVolume_, 4, 0);
    auto* meters = new QHBoxLayout;
    meters->setSpacing(3);
    meters->addWidget(meterL_);
    meters->addWidget(meterR_);
    levels->addLayout(meters, 1, 1, 3, 1);
    levels->addLayout(meterNames, 4, 1);
    levels->addWidget(lblPanCaption_, 0, 2);
    levels->addWidget(knPan_, 1, 2, Qt::AlignHCenter);
    levels->addWidget(lblPan_, 2, 2, Qt::AlignTop);
    levels->setRowStretch(3, 1);

    // Equaliser: one column per band, frequency and width up/downs above the gain knob.
    frmEQ_ = new QGroupBox(this);
    frmEQ_->setObjectName(QStringLiteral("frmEQ"));
    chkEQActive_ = new QCheckBox(frmEQ_);
    chkEQActive_->setObjectName(QStringLiteral("chkEQActive"));
    auto* eqGrid = new QGridLayout(frmEQ_);
    eqGrid->setHorizontalSpacing(10);
    eqGrid->setVerticalSpacing(3);
    eqGrid->addWidget(chkEQActive_, 0, 0, 1, 3);
    for (int band = 0; band < 3; ++band) {
        EqBandControls& b = eq_[static_cast<std::size_t>(band)];
        b.caption = new QLabel(frmEQ_);
        b.caption->setAlignment(Qt::AlignCenter);
        b.caption->setObjectName(bandName("lblEQ", band, "Caption"));
        b.freq = upDown(frmEQ_, bandName("updEQ", band, "Freq"), 80, 16000);
        b.freq->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
        b.freq->setSuffix(QStringLiteral(" Hz"));
        b.width = upDown(frmEQ_, bandName("updEQ", band, "Width"), 1, 36);
        b.width->setSuffix(QStringLiteral(" st"));
        b.gain = new Knob(frmEQ_);
        b.gain->setObjectName(bandName("knEQ", band, "Gain"));
        b.gain->setRange(-15, 15);
        b.gain->setPageStep(3);
        b.gain->setMinimumSize(42, 42);
        b.gainLabel = valueLabel(frmEQ_, bandName("lblEQ", band, "Gain").toLatin1().constData());
        eqGrid->addWidget(b.caption, 1, band);
        eqGrid->addWidget(b.freq, 2, band);
        eqGrid->addWidget(b.width, 3, band);
        eqGrid->addWidget(b.gain, 4, band, Qt::AlignHCenter);
        eqGrid->addWidget(b.gainLabel, 5, band);
    }

    // Fades: one row per direction.
    frmFades_ = new QGroupBox(this);
    frmFades_->setObjectName(QStringLiteral("frmFades"));
    const auto fadeRow = [this](bool in, ArmedComboBox*& list, QCheckBox*& active,
                                QLabel*& curveLabel, QSpinBox*& curves,
                                FadeCurvePicture*& picture) {
        const QString dir = in ? QStringLiteral("In") : QStringLiteral("Out");
        active = new QCheckBox(frmFades_);
        active->setObjectName(QStringLiteral("chkFade") + dir + QStringLiteral("Active"));
        list = new ArmedComboBox(frmFades_);
        list->setObjectName(QStringLiteral("cmbFade") + dir + QStringLiteral("Time"));
        for (const FadeTimeChoice& c : fadeTimeChoices())
            list->addItem(c.text, c.ms);
        list->setMaxVisibleItems(12);
        curveLabel = new QLabel(frmFades_);
        curves = new QSpinBox(frmFades_);
        curves->setObjectName(QStringLiteral("updFade") + dir + QStringLiteral("Curves"));
        curves->setRange(1, 3);
        curves->setWrapping(true);
        picture = new FadeCurvePicture(in, frmFades_);
        picture->setObjectName(QStringLiteral("picFade") + dir + QStringLiteral("Curves"));
    };
    fadeRow(true, cmbFadeInTime_, chkFadeInActive_, lblFadeInCurve_, updFadeInCurves_,
            picFadeInCurves_);
    fadeRow(false, cmbFadeOutTime_, chkFadeOutActive_, lblFadeOutCurve_, updFadeOutCurves_,
            picFadeOutCurves_);
    auto* fades = new QGridLayout(frmFades_);
    fades->setHorizontalSpacing(6);
    fades->setVerticalSpacing(4);
    fades->addWidget(chkFadeInActive_, 0, 0, 1, 2);
    fades->addWidget(cmbFadeInTime_, 1, 0, 1, 2);
    fades->addWidget(lblFadeInCurve_, 2, 0);
    fades->addWidget(updFadeInCurves_, 2, 1);
    fades->addWidget(picFadeInCurves_, 1, 2, 2, 1);
    fades->addWidget(chkFadeOutActive_, 3, 0, 1, 2);
    fades->addWidget(cmbFadeOutTime_, 4, 0, 1, 2);
    fades->addWidget(lblFadeOutCurve_, 5, 0);
    fades->addWidget(updFadeOutCurves_, 5, 1);
    fades->addWidget(picFadeOutCurves_, 4, 2, 2, 1);
    fades->setColumnStretch(3, 1);

    lblCPULoad_ = new QLabel(this);
    lblCPULoad_->setObjectName(QStringLiteral("lblCPULoad"));
    cmdEffects_ = new QPushButton(this);
    cmdEffects_->setObjectName(QStringLiteral("cmdEffects"));

    auto* middle = new QHBoxLayout;
    middle->setSpacing(10);
    middle->addLayout(levels);
    middle->addWidget(frmEQ_, 1);
    middle->addWidget(frmFades_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblCPULoad_);
    bottom->addStretch(1);
    bottom->addWidget(cmdEffects_);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(6);
    layout->addLayout(routing);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);
}

void SoundOptionsPanel::connectControls() {
    connect(sldVolume_, &QSlider::valueChanged, this, &SoundOptionsPanel::onVolumeChanged);
    connect(sldVolume_, &QSlider::sliderReleased, this, [this] {
        if (hasChannel())
            Q_EMIT remoteRefreshRequested(channel_);
    });
    connect(knPan_, &QDial::valueChanged, this, &SoundOptionsPanel::onPanChanged);
    connect(knPan_, &QDial::sliderReleased, this, [this] {
        if (hasChannel())
            Q_EMIT remoteRefreshRequested(channel_);
    });

    // A choice may arrive as a change of index or, for the entry already shown, only as
    // an activation; the first of them while armed acts.
    connect(cmbOutputChannels_, &QComboBox::currentIndexChanged, this,
            &SoundOptionsPanel::onOutputChosen);
    connect(cmbOutputChannels_, &QComboBox::activated, this, &SoundOptionsPanel::onOutputChosen);
    connect(cmbSurroundDestination_, &ArmedComboBox::opened, this,
            [this] { destinationBeforeOpen_ = cmbSurroundDestination_->currentIndex(); });
    connect(cmbSurroundDestination_, &QComboBox::currentIndexChanged, this,
            &SoundOptionsPanel::onDestinationChosen);
    connect(cmbSurroundDestination_, &QComboBox::activated, this,
            &SoundOptionsPanel::onDestinationChosen);

    connect(chkEQActive_, &QCheckBox::toggled, this, &SoundOptionsPanel::onEqActiveToggled);
    for (int band = 0; band < 3; ++band) {
        const EqBandControls& b = eq_[static_cast<std::size_t>(band)];
        const auto changed = [this, band] {
            onEqControlChanged(band);
        };
        connect(b.freq, &QSpinBox::valueChanged, this, changed);
        connect(b.width, &QSpinBox::valueChanged, this, changed);
        connect(b.gain, &QDial::valueChanged, this, changed);
    }

    for (bool in : {true, false}) {
        ArmedComboBox* list = in ? cmbFadeInTime_ : cmbFadeOutTime_;
        const auto chosen = [this, in](int index) {
            onFadeTimeChosen(in, index);
        };
        connect(list, &QComboBox::currentIndexChanged, this, chosen);
        connect(list, &QComboBox::activated, this, chosen);
        connect(in ? chkFadeInActive_ : chkFadeOutActive_, &QCheckBox::clicked, this,
                [this, in](bool on) { onFadeActiveClicked(in, on); });
        connect(in ? updFadeInCurves_ : updFadeOutCurves_, &QSpinBox::valueChanged, this,
                [this, in](int curve) { onFadeCurveChanged(in, curve); });
    }

    connect(cmdEffects_, &QPushButton::clicked, this, [this] {
        if (hasChannel())
            Q_EMIT effectsRequested(channel_);
    });
}

bool SoundOptionsPanel::hasChannel() const {
    return channel_ >= 0 && channel_ < kChannelCount;
}

void SoundOptionsPanel::setEnabledControls(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{cmbOutputChannels_, sldVolume_, knPan_,
                                                      frmEQ_, frmFades_, cmdEffects_})
        w->setEnabled(on);
    if (!on) {
        cmbSurroundDestination_->setEnabled(false);
        lblSurroundSetup_->setEnabled(false);
    }
}

void SoundOptionsPanel::showEvent(QShowEvent* event) {
    attachDeviceList();
    if (hasChannel())
        fill(channel_);
    QGroupBox::showEvent(event);
}

void SoundOptionsPanel::attachDeviceList() {
    engine::KaeEngine* e = engine::currentEngine();
    QAbstractItemModel* model = e ? &e->devices() : nullptr;
    if (model && cmbOutputChannels_->model() != model) {
        const bool wasFilling = std::exchange(filling_, true);
        cmbOutputChannels_->setModel(model);
        cmbOutputChannels_->disarm();
        filling_ = wasFilling;
    }
}

void SoundOptionsPanel::DisplaySoundSettings(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    channel_ = ch;
    setEnabledControls(true);
    setTitle(txt(texts::ChannelTitle) + QString::number(ch + 1));
    fill(ch);
}

void SoundOptionsPanel::fill(int ch) {
    const bool wasFilling = std::exchange(filling_, true);
    const Channel& c = store_.channel(ch);

    attachDeviceList();
    if (engine::KaeEngine* e = engine::currentEngine())
        cmbOutputChannels_->setCurrentIndex(e->devices().findName(c.outputName));
    cmbOutputChannels_->disarm();
    DisplayDeviceInfo(ch);
    DisplaySoundInfo(ch);
    DisplaySurroundSettings(ch);

    sldVolume_->setValue(c.volume);
    lblVolume_->setText(ConvertVolToString(sldVolume_->value()));
    knPan_->setValue(c.pan);
    lblPan_->setText(ConvertPanToString(knPan_->value()));

    chkEQActive_->setChecked(c.effects.eqActive);
    for (int band = 0; band < 3; ++band) {
        const EqBand& v = c.effects.eq[static_cast<std::size_t>(band)];
        EqBandControls& b = eq_[static_cast<std::size_t>(band)];
        b.freq->setValue(static_cast<int>(std::lround(v.center)));
        b.width->setValue(static_cast<int>(std::lround(v.bandwidth)));
        b.gain->setValue(static_cast<int>(std::lround(v.gain)));
        showEqValues(band);
    }

    for (bool in : {true, false}) {
        const FadeSettings& f = in ? c.fadeIn : c.fadeOut;
        ArmedComboBox* list = in ? cmbFadeInTime_ : cmbFadeOutTime_;
        const int index = fadeTimeIndex(f.time);
        if (index >= 0) // no match keeps the previous choice
            list->setCurrentIndex(index);
        list->disarm();
        (in ? chkFadeInActive_ : chkFadeOutActive_)->setChecked(f.active);
        (in ? updFadeInCurves_ : updFadeOutCurves_)->setValue(f.curve);
        (in ? picFadeInCurves_ : picFadeOutCurves_)
            ->setCurve((in ? updFadeInCurves_ : updFadeOutCurves_)->value());
    }
    filling_ = wasFilling;
}

void SoundOptionsPanel::refreshFromStore(int ch, unsigned aspects) {
    if (ch != channel_ || !hasChannel())
        return;
    constexpr unsigned shown = static_cast<unsigned>(ChannelAspect::Sound) |
                               static_cast<unsigned>(ChannelAspect::Levels) |
                               static_cast<unsigned>(ChannelAspect::Output) |
                               static_cast<unsigned>(ChannelAspect::Effects);
    if ((aspects & shown) != 0)
        fill(ch);
}

void SoundOptionsPanel::DisplaySoundInfo(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    const Channel& c = store_.channel(ch);
    const SoundInfoLines lines = kalvor::DisplaySoundInfo(c.fileBits, c.fileChannels, c.sampleRate,
                                                          UiLanguage::instance().current());
    lblFileBits_->setText(lines.bits);
    lblFileChannels_->setText(lines.channels);
    lblFileSampleRate_->setText(lines.sampleRate);
}

void SoundOptionsPanel::DisplayDeviceInfo(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    engine::KaeEngine* e = engine::currentEngine();
    const int speakers = e ? e->slot(ch).speakers : 0;
    lblInfoDeviceChannels_->setText(txt(texts::OutputDeviceChannels) + QString::number(speakers));
    const bool routable = speakers > 2 && store_.channel(ch).fileChannels < 3;
    cmbSurroundDestination_->setEnabled(routable);
    lblSurroundSetup_->setEnabled(routable);
}

void SoundOptionsPanel::DisplaySurroundSettings(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    const Channel& c = store_.channel(ch);
    const bool wasFilling = std::exchange(filling_, true);
    cmbSurroundDestination_->setCurrentIndex(
        engine::surroundDestinationIndex(c.surroundDestination, c.fileChannels));
    cmbSurroundDestination_->disarm();
    filling_ = wasFilling;
}

void SoundOptionsPanel::onVolumeChanged(int value) {
    lblVolume_->setText(ConvertVolToString(value));
    if (!filling_ && hasChannel())
        show_.channelOps().SetVolume(channel_, value);
}

void SoundOptionsPanel::onPanChanged(int value) {
    lblPan_->setText(ConvertPanToString(value));
    if (!filling_ && hasChannel())
        show_.channelOps().SetPan(channel_, value);
}

void SoundOptionsPanel::onOutputChosen(int index) {
    if (filling_ || !hasChannel() || index < 0 || !cmbOutputChannels_->takeArmed())
        return;
    const int ch = channel_;
    show_.channelOps().SetOutput(ch, cmbOutputChannels_->itemText(index));
    DisplayDeviceInfo(ch);
    Q_EMIT remoteRefreshRequested(ch);
}

void SoundOptionsPanel::onDestinationChosen(int index) {
    if (filling_ || !hasChannel() || index < 0 || !cmbSurroundDestination_->takeArmed())
        return;
    const int ch = channel_;
    if (show_.channelOps().SetDestination(ch, index))
        return;
    // Refused: the entry shown before the list opened. Failed on the device: the record is
    // back on entry 0, which the store's announcement has shown already.
    if (engine::routingRefusal(store_.channel(ch).fileChannels, index) !=
        engine::RoutingRefusal::None) {
        const bool wasFilling = std::exchange(filling_, true);
        cmbSurroundDestination_->setCurrentIndex(destinationBeforeOpen_);
        filling_ = wasFilling;
    } else {
        DisplaySurroundSettings(ch);
    }
}

void SoundOptionsPanel::onEqActiveToggled(bool on) {
    if (filling_ || !hasChannel())
        return;
    engine::switchEffect(channel_, engine::KaeEffect::EQ, on);
}

void SoundOptionsPanel::showEqValues(int band) {
    EqBandControls& b = eq_[static_cast<std::size_t>(band)];
    const int gain = b.gain->value();
    b.gainLabel->setText((gain > 0 ? QStringLiteral("+") : QString()) + QString::number(gain) +
                         QStringLiteral(" dB"));
}

void SoundOptionsPanel::onEqControlChanged(int band) {
    showEqValues(band);
    if (filling_ || !hasChannel())
        return;
    const EqBandControls& b = eq_[static_cast<std::size_t>(band)];
    EqBand& v = store_.channel(channel_).effects.eq[static_cast<std::size_t>(band)];
    v.center = static_cast<float>(b.freq->value());
    v.bandwidth = static_cast<float>(b.width->value());
    v.gain = static_cast<float>(b.gain->value());
    KAE__Channel_SetEQBand(channel_, band);
    store_.announceChannel(channel_, ChannelAspect::Effects);
}

void SoundOptionsPanel::onFadeTimeChosen(bool fadeIn, int index) {
    ArmedComboBox* list = fadeIn ? cmbFadeInTime_ : cmbFadeOutTime_;
    if (filling_ || !hasChannel() || index < 0 || !list->takeArmed())
        return;
    FadeSettings& f = fadeIn ? store_.channel(channel_).fadeIn : store_.channel(channel_).fadeOut;
    f.time = fadeTimeChoices()[static_cast<std::size_t>(index)].ms;
    store_.announceChannel(channel_, ChannelAspect::Effects);
}

void SoundOptionsPanel::onFadeActiveClicked(bool fadeIn, bool on) {
    if (filling_ || !hasChannel())
        return;
    FadeSettings& f = fadeIn ? store_.channel(channel_).fadeIn : store_.channel(channel_).fadeOut;
    f.active = on;
    store_.announceChannel(channel_, ChannelAspect::Effects);
}

void SoundOptionsPanel::onFadeCurveChanged(bool fadeIn, int curve) {
    (fadeIn ? picFadeInCurves_ : picFadeOutCurves_)->setCurve(curve);
    if (filling_ || !hasChannel())
        return;
    FadeSettings& f = fadeIn ? store_.channel(channel_).fadeIn : store_.channel(channel_).fadeOut;
    f.curve = curve;
    store_.announceChannel(channel_, ChannelAspect::Effects);
}

void SoundOptionsPanel::tickMeters() {
    const int ch = channel_;
    const bool playing = hasChannel() && KAE__Channel_IsPlaying(ch);
    const MeterReading r =
        meterReading(playing, playing ? KAE__Channel_GetLevel(ch) : 0, sldVolume_->value());
    if (r.left)
        meterL_->setValue(*r.left);
    if (r.right)
        meterR_->setValue(*r.right);
}

void SoundOptionsPanel::startTimers() {
    ledTimer_->start();
    cpuTimer_->start();
}

void SoundOptionsPanel::stopTimers() {
    ledTimer_->stop();
    cpuTimer_->stop();
}

void SoundOptionsPanel::tickCpuLoad() {
    engine::KaeEngine* e = engine::currentEngine();
    lblCPULoad_->setText(cpuLoadText(e ? static_cast<double>(e->lib().getCpu()) : 0.0));
}

int SoundOptionsPanel::meterLeft() const {
    return meterL_->value();
}

int SoundOptionsPanel::meterRight() const {
    return meterR_->value();
}

void SoundOptionsPanel::applyCaptions() {
    setTitle(hasChannel() ? txt(texts::ChannelTitle) + QString::number(channel_ + 1)
                          : txt(texts::NoChannelSelected));
    lblOutput_->setText(txt(texts::OutputLabel));
    lblSurroundSetup_->setText(txt(texts::SurroundLabel));
    lblVolumeCaption_->setText(txt(texts::VolumeLabel));
    lblPanCaption_->setText(txt(texts::PanLabel));
    frmEQ_->setTitle(txt(texts::EqFrame));
    chkEQActive_->setText(txt(texts::EqActive));
    for (int band = 0; band < 3; ++band)
        eq_[static_cast<std::size_t>(band)].caption->setText(
            txt(*kBandNames[static_cast<std::size_t>(band)]));
    frmFades_->setTitle(txt(texts::FadesFrame));
    chkFadeInActive_->setText(txt(texts::FadeInActive));
    chkFadeOutActive_->setText(txt(texts::FadeOutActive));
    lblFadeInCurve_->setText(txt(texts::CurveLabel));
    lblFadeOutCurve_->setText(txt(texts::CurveLabel));
    cmdEffects_->setText(txt(texts::EffectsButton));
    tickCpuLoad();
    if (hasChannel()) {
        DisplaySoundInfo(channel_);
        DisplayDeviceInfo(channel_);
    } else {
        const SoundInfoLines none =
            kalvor::DisplaySoundInfo(0, 0, 0, UiLanguage::instance().current());
        lblFileBits_->setText(none.bits);
        lblFileChannels_->setText(none.channels);
        lblFileSampleRate_->setText(none.sampleRate);
        lblInfoDeviceChannels_->setText(txt(texts::OutputDeviceChannels) + QStringLiteral("-"));
    }
    applyTooltips();
}

void SoundOptionsPanel::applyTooltips() {
    const bool on = settings_.integer(u"ToolTips") != 0;
    const auto tip = [on](QWidget* w, const UiText& text) {
        w->setToolTip(on ? txt(text) : QString());
    };
    tip(cmbOutputChannels_, texts::OutputTip);
    tip(cmbSurroundDestination_, texts::SurroundTip);
    tip(sldVolume_, texts::VolumeTip);
    tip(knPan_, texts::PanTip);
    for (const EqBandControls& b : eq_) {
        tip(b.freq, texts::EqFreqTip);
        tip(b.width, texts::EqWidthTip);
        tip(b.gain, texts::EqGainTip);
    }
    tip(cmbFadeInTime_, texts::FadeInTimeTip);
    tip(cmbFadeOutTime_, texts::FadeOutTimeTip);
    tip(meterL_, texts::MeterTip);
    tip(meterR_, texts::MeterTip);
    tip(cmdEffects_, texts::EffectsTip);
}

} // namespace kalvor
