// The "DSP Effects" window; see DspWindow.h. UI thread.
#include "engine/ui/DspWindow.h"

#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "engine/kae/KaeEffectChain.h"
#include "engine/kae/KaeMath.h"
#include "engine/ui/DspKnob.h"
#include "engine/ui/DspTexts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <vector>

namespace kalvor {

using engine::KaeEffect;

namespace {

// VariSpeed runs from half to one and a half times the speed: beyond that a sound no
// longer reads as itself, and the resampler's quality drops.
constexpr int kVariSpeedMin = -50;
constexpr int kVariSpeedMax = 50;

QString degrees(double knob) {
    return QString::number(int(knob) * 90) + QChar(0x00B0);
}

} // namespace

struct DspWindow::Ui {
    // One knob and the record field it writes.
    struct Knob {
        DspKnob* widget;
        const UiText* caption;
        KaeEffect effect;
        std::function<double(const EffectSettings&)> get;
        std::function<void(EffectSettings&, double)> set;
    };
    struct Effect {
        KaeEffect effect;
        const UiText* title;
        QGroupBox* box = nullptr;
        QCheckBox* on = nullptr;
    };

    ShowStore* store = nullptr;
    Settings* settings = nullptr;
    int channel = 0;
    bool loading = false; // the controls are being filled from the record
    bool writing = false; // our own change is being announced

    QLabel* channelLabel = nullptr;
    QSpinBox* channelSelect = nullptr;
    QCheckBox* lock = nullptr;
    QCheckBox* onTop = nullptr;
    QLabel* chainLabel = nullptr;
    std::array<QLabel*, 5> chain{};
    std::vector<Effect> effects;
    std::vector<Knob> knobs;
    QCheckBox* panDelay = nullptr;
    struct Waveform {
        KaeEffect effect;
        QLabel* label;
        QRadioButton* sine;
        QRadioButton* triangle;
    };
    std::vector<Waveform> waveforms;
    QGroupBox* speedBox = nullptr;
    DspKnob* variSpeed = nullptr;
    QLabel* cpuLabel = nullptr;
    QProgressBar* cpuBar = nullptr;
    QPushButton* close = nullptr;
    QTimer* cpuTimer = nullptr;
};

namespace {

bool isOn(const EffectSettings& fx, KaeEffect effect) {
    switch (effect) {
    case KaeEffect::EQ:
        return fx.eqActive;
    case KaeEffect::Reverb:
        return fx.reverbActive;
    case KaeEffect::Delay:
        return fx.delayActive;
    case KaeEffect::Chorus:
        return fx.chorusActive;
    case KaeEffect::Flanger:
        break;
    }
    return fx.flangerActive;
}

ModulationParams& modulation(EffectSettings& fx, KaeEffect effect) {
    return effect == KaeEffect::Chorus ? fx.chorus : fx.flanger;
}

const ModulationParams& modulation(const EffectSettings& fx, KaeEffect effect) {
    return effect == KaeEffect::Chorus ? fx.chorus : fx.flanger;
}

QString objectNameOf(KaeEffect effect) {
    switch (effect) {
    case KaeEffect::EQ:
        return QStringLiteral("EQ");
    case KaeEffect::Reverb:
        return QStringLiteral("Reverb");
    case KaeEffect::Delay:
        return QStringLiteral("Delay");
    case KaeEffect::Chorus:
        return QStringLiteral("Chorus");
    case KaeEffect::Flanger:
        break;
    }
    return QStringLiteral("Flanger");
}

} // namespace

DspWindow::DspWindow(ShowStore& store, Settings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), ui_(std::make_unique<Ui>()) {
    Ui& u = *ui_;
    u.store = &store;
    u.settings = &settings;
    setObjectName(QStringLiteral("frmDSP"));

    // Top row: the channel, the lock, always on top.
    u.channelLabel = new QLabel(this);
    u.channelSelect = new QSpinBox(this);
    u.channelSelect->setObjectName(QStringLiteral("updChannel"));
    u.channelSelect->setRange(1, kChannelCount);
    u.channelSelect->setMinimumWidth(64);
    u.channelSelect->setAlignment(Qt::AlignRight);
    u.channelLabel->setBuddy(u.channelSelect);
    u.lock = new QCheckBox(this);
    u.lock->setObjectName(QStringLiteral("chkLockChannels"));
    u.onTop = new QCheckBox(this);
    u.onTop->setObjectName(QStringLiteral("chkAlwaysOnTop"));
    auto* top = new QHBoxLayout;
    top->addWidget(u.channelLabel);
    top->addWidget(u.channelSelect);
    top->addSpacing(16);
    top->addWidget(u.lock);
    top->addStretch(1);
    top->addWidget(u.onTop);

    // The chain: five places, in the order the effects were switched on.
    auto* chainFrame = new QFrame(this);
    chainFrame->setFrameShape(QFrame::StyledPanel);
    auto* chainRow = new QHBoxLayout(chainFrame);
    chainRow->setContentsMargins(8, 4, 8, 4);
    u.chainLabel = new QLabel(chainFrame);
    chainRow->addWidget(u.chainLabel);
    for (int i = 0; i < 5; ++i) {
        if (i > 0) {
            auto* arrow = new QLabel(QStringLiteral("\u2192"), chainFrame);
            arrow->setAlignment(Qt::AlignCenter);
            chainRow->addWidget(arrow);
        }
        auto* place = new QLabel(chainFrame);
        place->setObjectName(QStringLiteral("lblFXChain%1").arg(i + 1));
        place->setAlignment(Qt::AlignCenter);
        place->setFrameShape(QFrame::Panel);
        place->setFrameShadow(QFrame::Sunken);
        place->setMinimumWidth(place->fontMetrics().horizontalAdvance(QStringLiteral("FLANGER")) +
                               16);
        chainRow->addWidget(place, 1);
        u.chain[std::size_t(i)] = place;
    }

    // One box per effect: its switch, then its knobs in the library's parameter order.
    const auto addEffect = [&](KaeEffect effect, const UiText& title) -> QGridLayout* {
        Ui::Effect e{effect, &title};
        e.box = new QGroupBox(this);
        e.box->setObjectName(QStringLiteral("fra") + objectNameOf(effect));
        e.on = new QCheckBox(e.box);
        e.on->setObjectName(QStringLiteral("chk") + objectNameOf(effect));
        auto* grid = new QGridLayout(e.box);
        grid->setHorizontalSpacing(10);
        grid->setVerticalSpacing(4);
        grid->addWidget(e.on, 0, 0, 1, -1, Qt::AlignLeft);
        connect(e.on, &QCheckBox::toggled, this, [this, effect](bool on) {
            if (ui_->loading)
                return;
            ui_->writing = true;
            engine::switchEffect(ui_->channel, effect, on);
            ui_->writing = false;
            loadChain();
        });
        u.effects.push_back(e);
        return grid;
    };
    const auto addKnob = [&](QGridLayout* grid, int column, KaeEffect effect, const UiText& caption,
                             const QString& name, double min, double max, int scale,
                             const QString& unit, std::function<double(const EffectSettings&)> get,
                             std::function<void(EffectSettings&, double)> set) -> DspKnob* {
        auto* knob = new DspKnob(min, max, scale, unit, this);
        knob->dial()->setObjectName(name);
        grid->addWidget(knob, 1, column);
        u.knobs.push_back({knob, &caption, effect, std::move(get), std::move(set)});
        const std::size_t index = u.knobs.size() - 1;
        connect(knob, &DspKnob::valueChanged, this,
                [this, index](double value) { knobTurned(int(index), value); });
        return knob;
    };
    const QString dB = QStringLiteral("dB"), ms = QStringLiteral("ms"), pct = QStringLiteral("%"),
                  hz = QStringLiteral("Hz");

    QGridLayout* g = addEffect(KaeEffect::Reverb, texts::DspReverb);
    addKnob(
        g, 0, KaeEffect::Reverb, texts::DspInGain, QStringLiteral("knReverbInGain"), -96, 0, 1, dB,
        [](const EffectSettings& fx) { return fx.reverb.inGain; },
        [](EffectSettings& fx, double v) { fx.reverb.inGain = float(v); });
    addKnob(
        g, 1, KaeEffect::Reverb, texts::DspMix, QStringLiteral("knReverbMix"), -96, 0, 1, dB,
        [](const EffectSettings& fx) { return fx.reverb.reverbMix; },
        [](EffectSettings& fx, double v) { fx.reverb.reverbMix = float(v); });
    addKnob(
        g, 2, KaeEffect::Reverb, texts::DspTime, QStringLiteral("knReverbTime"), 1, 3000, 1, ms,
        [](const EffectSettings& fx) { return fx.reverb.reverbTime; },
        [](EffectSettings& fx, double v) { fx.reverb.reverbTime = float(v); });
    addKnob(
        g, 3, KaeEffect::Reverb, texts::DspHfRatio, QStringLiteral("knReverbHFRatio"), 0.001, 0.999,
        1000, QString(), [](const EffectSettings& fx) { return fx.reverb.highFreqRtRatio; },
        [](EffectSettings& fx, double v) { fx.reverb.highFreqRtRatio = float(v); });

    g = addEffect(KaeEffect::Delay, texts::DspDelay);
    addKnob(
        g, 0, KaeEffect::Delay, texts::DspMix, QStringLiteral("knDelayMix"), 0, 100, 1, pct,
        [](const EffectSettings& fx) { return fx.delay.wetDryMix; },
        [](EffectSettings& fx, double v) { fx.delay.wetDryMix = float(v); });
    addKnob(
        g, 1, KaeEffect::Delay, texts::DspFeedback, QStringLiteral("knDelayFeedback"), 0, 100, 1,
        pct, [](const EffectSettings& fx) { return fx.delay.feedback; },
        [](EffectSettings& fx, double v) { fx.delay.feedback = float(v); });
    addKnob(
        g, 2, KaeEffect::Delay, texts::DspLeft, QStringLiteral("knDelayLeft"), 1, 2000, 1, ms,
        [](const EffectSettings& fx) { return fx.delay.leftDelay; },
        [](EffectSettings& fx, double v) { fx.delay.leftDelay = float(v); });
    addKnob(
        g, 3, KaeEffect::Delay, texts::DspRight, QStringLiteral("knDelayRight"), 1, 2000, 1, ms,
        [](const EffectSettings& fx) { return fx.delay.rightDelay; },
        [](EffectSettings& fx, double v) { fx.delay.rightDelay = float(v); });
    u.panDelay = new QCheckBox(this);
    u.panDelay->setObjectName(QStringLiteral("chkPanDelay"));
    g->addWidget(u.panDelay, 1, 4, Qt::AlignVCenter);
    connect(u.panDelay, &QCheckBox::toggled, this, [this](bool on) {
        if (ui_->loading)
            return;
        ui_->store->channel(ui_->channel).effects.delay.panDelay = on ? 1 : 0;
        effectChanged(KaeEffect::Delay);
    });

    for (const KaeEffect effect : {KaeEffect::Chorus, KaeEffect::Flanger}) {
        const bool chorus = effect == KaeEffect::Chorus;
        const QString n = objectNameOf(effect);
        g = addEffect(effect, chorus ? texts::DspChorus : texts::DspFlanger);
        addKnob(
            g, 0, effect, texts::DspMix, QStringLiteral("kn%1Mix").arg(n), 0, 100, 1, pct,
            [effect](const EffectSettings& fx) { return modulation(fx, effect).wetDryMix; },
            [effect](EffectSettings& fx, double v) {
                modulation(fx, effect).wetDryMix = float(v);
            });
        addKnob(
            g, 1, effect, texts::DspDepth, QStringLiteral("kn%1Depth").arg(n), 0, 100, 1, pct,
            [effect](const EffectSettings& fx) { return modulation(fx, effect).depth; },
            [effect](EffectSettings& fx, double v) { modulation(fx, effect).depth = float(v); });
        addKnob(
            g, 2, effect, texts::DspFeedback, QStringLiteral("kn%1Feedback").arg(n), -99, 99, 1,
            pct, [effect](const EffectSettings& fx) { return modulation(fx, effect).feedback; },
            [effect](EffectSettings& fx, double v) { modulation(fx, effect).feedback = float(v); });
        addKnob(
            g, 3, effect, texts::DspRate, QStringLiteral("kn%1Frequency").arg(n), 0, 10, 100, hz,
            [effect](const EffectSettings& fx) { return modulation(fx, effect).frequency; },
            [effect](EffectSettings& fx, double v) {
                modulation(fx, effect).frequency = float(v);
            });
        // The chorus delays by up to 20 ms, the flanger by up to 4 ms, in its own steps.
        addKnob(
            g, 4, effect, texts::DspPreDelay, QStringLiteral("kn%1Delay").arg(n), 0,
            chorus ? 20 : 4, chorus ? 10 : 100, ms,
            [effect](const EffectSettings& fx) { return modulation(fx, effect).delay; },
            [effect](EffectSettings& fx, double v) { modulation(fx, effect).delay = float(v); });
        // The knob runs -2..2 around the centre; the library's phase is 0..4.
        DspKnob* phase = addKnob(
            g, 5, effect, texts::DspPhase, QStringLiteral("kn%1Phase").arg(n), -2, 2, 1, QString(),
            [effect](const EffectSettings& fx) { return modulation(fx, effect).phase - 2; },
            [effect](EffectSettings& fx, double v) { modulation(fx, effect).phase = int(v) + 2; });
        phase->setFormatter(degrees);
        phase->dial()->setPageStep(1);

        Ui::Waveform w{effect, new QLabel(this), new QRadioButton(this), new QRadioButton(this)};
        w.sine->setObjectName(QStringLiteral("opt%1Sine").arg(n));
        w.triangle->setObjectName(QStringLiteral("opt%1Triangle").arg(n));
        // Each effect's pair on its own, whatever widget the layout makes their parent.
        auto* pair = new QButtonGroup(this);
        pair->addButton(w.sine);
        pair->addButton(w.triangle);
        auto* waves = new QVBoxLayout;
        waves->setSpacing(2);
        waves->addWidget(w.label);
        waves->addWidget(w.sine);
        waves->addWidget(w.triangle);
        waves->addStretch(1);
        g->addLayout(waves, 1, 6);
        // The first button gives 1 (sine), the second 0 (triangle), as the library counts.
        connect(w.sine, &QRadioButton::toggled, this, [this, effect](bool sine) {
            if (ui_->loading)
                return;
            modulation(ui_->store->channel(ui_->channel).effects, effect).waveform = sine ? 1 : 0;
            effectChanged(effect);
        });
        u.waveforms.push_back(w);
    }

    // VariSpeed and the processor load.
    u.speedBox = new QGroupBox(this);
    u.speedBox->setObjectName(QStringLiteral("fraVariSpeed"));
    auto* speedRow = new QHBoxLayout(u.speedBox);
    u.variSpeed = new DspKnob(kVariSpeedMin, kVariSpeedMax, 1, QString(), u.speedBox);
    u.variSpeed->dial()->setObjectName(QStringLiteral("knVariSpeed"));
    u.variSpeed->setFormatter([](double v) { return QString::number(int(v)) + QLatin1Char('%'); });
    speedRow->addWidget(u.variSpeed);
    connect(u.variSpeed, &DspKnob::valueChanged, this,
            [this](double v) { variSpeedTurned(int(v)); });

    u.cpuLabel = new QLabel(this);
    u.cpuLabel->setObjectName(QStringLiteral("lblCPULoad"));
    u.cpuBar = new QProgressBar(this);
    u.cpuBar->setObjectName(QStringLiteral("prgCPULoad"));
    u.cpuBar->setRange(0, 100);
    u.cpuBar->setTextVisible(false);
    u.cpuBar->setFixedHeight(12);
    u.close = new QPushButton(this);
    u.close->setObjectName(QStringLiteral("cmdClose"));
    u.close->setMinimumWidth(96);
    connect(u.close, &QPushButton::clicked, this, &QWidget::hide);
    auto* status = new QVBoxLayout;
    status->addStretch(1);
    status->addWidget(u.cpuLabel);
    status->addWidget(u.cpuBar);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(u.speedBox);
    bottom->addSpacing(12);
    bottom->addLayout(status, 1);
    bottom->addSpacing(12);
    bottom->addWidget(u.close, 0, Qt::AlignBottom);

    auto* effectsGrid = new QGridLayout;
    effectsGrid->setSpacing(8);
    effectsGrid->setColumnStretch(0, 1);
    effectsGrid->setColumnStretch(1, 1);
    effectsGrid->addWidget(u.effects[0].box, 0, 0);
    effectsGrid->addWidget(u.effects[1].box, 0, 1);
    effectsGrid->addWidget(u.effects[2].box, 1, 0, 1, 2);
    effectsGrid->addWidget(u.effects[3].box, 2, 0, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    layout->addLayout(top);
    layout->addWidget(chainFrame);
    layout->addLayout(effectsGrid);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    u.cpuTimer = new QTimer(this);
    u.cpuTimer->setObjectName(QStringLiteral("tmrCPULoad"));
    u.cpuTimer->setInterval(250);
    connect(u.cpuTimer, &QTimer::timeout, this, &DspWindow::showCpuLoad);

    connect(u.channelSelect, &QSpinBox::valueChanged, this, [this](int number) {
        loadChannel(number - 1);
        if (ui_->lock->isChecked())
            ui_->store->selectChannel(number - 1);
    });
    connect(u.onTop, &QCheckBox::toggled, this, [this](bool on) {
        const bool visible = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
        if (visible)
            show();
    });
    connect(&store, &ShowStore::selectedChannelChanged, this, [this](int ch) {
        if (ui_->lock->isChecked() && ch >= 0 && ch < kChannelCount)
            ui_->channelSelect->setValue(ch + 1);
    });
    connect(&store, &ShowStore::channelChanged, this, [this](int ch, unsigned aspects) {
        const unsigned mine = unsigned(ChannelAspect::Effects) | unsigned(ChannelAspect::Levels);
        if (!ui_->writing && ch == ui_->channel && (aspects & mine) != 0)
            loadChannel(ch);
    });
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, [this] { retranslate(); });

    retranslate();
    loadChannel(0);
}

DspWindow::~DspWindow() = default;

void DspWindow::showForChannel(int ch) {
    if (ch >= 0 && ch < kChannelCount) {
        if (ui_->channelSelect->value() == ch + 1)
            loadChannel(ch);
        else
            ui_->channelSelect->setValue(ch + 1);
    }
    show();
    raise();
    activateWindow();
}

int DspWindow::channel() const {
    return ui_->channel;
}

void DspWindow::showEvent(QShowEvent* event) {
    ui_->cpuTimer->start();
    showCpuLoad();
    QWidget::showEvent(event);
}

void DspWindow::hideEvent(QHideEvent* event) {
    ui_->cpuTimer->stop();
    QWidget::hideEvent(event);
}

void DspWindow::retranslate() {
    Ui& u = *ui_;
    setWindowTitle(txt(texts::DspTitle));
    u.channelLabel->setText(txt(texts::DspChannel));
    u.lock->setText(txt(texts::DspLockChannels));
    u.onTop->setText(txt(texts::DspAlwaysOnTop));
    u.chainLabel->setText(txt(texts::DspFxChain) + QLatin1Char(':'));
    for (Ui::Effect& e : u.effects) {
        e.box->setTitle(txt(*e.title));
        e.on->setText(txt(texts::DspOn));
    }
    for (Ui::Knob& k : u.knobs)
        k.widget->setCaption(txt(*k.caption));
    u.panDelay->setText(txt(texts::DspPanDelay));
    for (Ui::Waveform& w : u.waveforms) {
        w.label->setText(txt(texts::DspWaveform));
        w.sine->setText(txt(texts::DspSine));
        w.triangle->setText(txt(texts::DspTriangle));
    }
    u.speedBox->setTitle(txt(texts::DspVariSpeed));
    u.variSpeed->setCaption(txt(texts::DspSpeed));
    u.close->setText(txt(texts::DspClose));
    showCpuLoad();
    // The window takes the size of its captions now, not at the next layout pass, so
    // longer German captions are never cut off.
    layout()->activate();
}

void DspWindow::loadChannel(int ch) {
    Ui& u = *ui_;
    u.channel = ch;
    u.loading = true;
    const Channel& record = u.store->channel(ch);
    const EffectSettings& fx = record.effects;
    for (Ui::Effect& e : u.effects)
        e.on->setChecked(isOn(fx, e.effect));
    for (Ui::Knob& k : u.knobs)
        k.widget->setValue(k.get(fx));
    u.panDelay->setChecked(fx.delay.panDelay != 0);
    for (Ui::Waveform& w : u.waveforms) {
        const bool sine = modulation(fx, w.effect).waveform != 0;
        w.sine->setChecked(sine);
        w.triangle->setChecked(!sine);
    }
    u.variSpeed->setValue(record.variSpeed);
    u.loading = false;
    loadChain();
}

void DspWindow::loadChain() {
    const auto& chain = ui_->store->channel(ui_->channel).effects.fxChain;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        ui_->chain[i]->setText(chain[i]);
        ui_->chain[i]->setEnabled(chain[i] != emptyFxPlace());
    }
}

void DspWindow::knobTurned(int index, double value) {
    Ui& u = *ui_;
    if (u.loading)
        return;
    const Ui::Knob& k = u.knobs[std::size_t(index)];
    k.set(u.store->channel(u.channel).effects, value);
    effectChanged(k.effect);
}

void DspWindow::effectChanged(KaeEffect effect) {
    Ui& u = *ui_;
    KAE__Channel_SetEffectParameters(u.channel, effect);
    u.writing = true;
    u.store->announceChannel(u.channel, ChannelAspect::Effects);
    u.writing = false;
}

void DspWindow::variSpeedTurned(int percent) {
    Ui& u = *ui_;
    if (u.loading)
        return;
    if (setVariSpeed) {
        u.writing = true;
        setVariSpeed(u.channel, percent);
        u.writing = false;
        return;
    }
    Channel& ch = u.store->channel(u.channel);
    ch.variSpeed = percent;
    ch.playbackFrequency = engine::playbackFrequency(ch.sampleRate, percent);
    KAE__Channel_SetFrequency(u.channel);
    // The remote units show the speed; they redraw on this.
    u.writing = true;
    u.store->announceChannel(u.channel, ChannelAspect::Levels);
    u.writing = false;
}

void DspWindow::showCpuLoad() {
    engine::KaeEngine* e = engine::currentEngine();
    const double load = e ? double(e->lib().getCpu()) : 0.0;
    // The main window's figure (whole percent), so the two never disagree.
    ui_->cpuLabel->setText(txt(texts::DspCpu) + QString::number(static_cast<int>(load)) +
                           QStringLiteral(" %"));
    ui_->cpuBar->setValue(int(load + 0.5));
}

} // namespace kalvor
