// The selected channel's settings panel (`frmSoundOptions`): output device and speaker
// destination, file information, volume, pan, the three-band equaliser, fades with their
// curves, the level meters and the processor load. It shows whatever channel the store
// has selected and writes every change into that channel's record and the engine at once;
// it keeps no channel state of its own beyond what the controls display. UI thread.
#pragma once

#include <QGroupBox>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;

class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;

namespace kalvor {

class ArmedComboBox;
class FadeCurvePicture;
class Knob;
class LevelMeter;
class Settings;
class ShowLayer;
class ShowStore;

class SoundOptionsPanel : public QGroupBox {
    Q_OBJECT
public:
    SoundOptionsPanel(ShowLayer& show, Settings& settings, QWidget* parent = nullptr);
    ~SoundOptionsPanel() override;

    // The channel shown; -1 before the first selection.
    int channel() const { return channel_; }

    // Fills the panel from the channel's record. Runs on every selection the store
    // announces; other windows need not call it.
    void DisplaySoundSettings(int ch);
    void DisplaySoundInfo(int ch);
    void DisplayDeviceInfo(int ch);
    void DisplaySurroundSettings(int ch);

    // The meter and processor-load timers run from start-up's timer step to closing; they
    // read the engine, which exists only in between.
    void startTimers();
    void stopTimers();
    // One tick of the meter timer (every 20 ms) and of the processor-load timer (250 ms).
    void tickMeters();
    void tickCpuLoad();

    // What the meters show now (0..100).
    int meterLeft() const;
    int meterRight() const;

    void applyCaptions();
    // Tooltips in the current language, or none when the "ToolTips" setting is off.
    void applyTooltips();

Q_SIGNALS:
    // The effects button: the main window opens the DSP window for this channel.
    void effectsRequested(int ch);
    // Volume or pan released, output moved: remote displays showing the channel redraw.
    void remoteRefreshRequested(int ch);

protected:
    // The engine (and its device list) may start after the panel is built.
    void showEvent(QShowEvent* event) override;

private:
    struct EqBandControls {
        QSpinBox* freq = nullptr; // shows its value with the unit
        QSpinBox* width = nullptr;
        Knob* gain = nullptr;
        QLabel* gainLabel = nullptr;
        QLabel* caption = nullptr;
    };

    void buildLayout();
    void connectControls();
    void refreshFromStore(int ch, unsigned aspects);
    void fill(int ch);
    void attachDeviceList();
    void setEnabledControls(bool on);
    void showEqValues(int band);
    bool hasChannel() const;

    void onVolumeChanged(int value);
    void onPanChanged(int value);
    void onOutputChosen(int index);
    void onDestinationChosen(int index);
    void onEqActiveToggled(bool on);
    void onEqControlChanged(int band);
    void onFadeTimeChosen(bool fadeIn, int index);
    void onFadeActiveClicked(bool fadeIn, bool on);
    void onFadeCurveChanged(bool fadeIn, int curve);

    ShowLayer& show_;
    ShowStore& store_;
    Settings& settings_;
    int channel_ = -1;
    bool filling_ = false; // the controls are being set from the record

    QLabel* lblOutput_ = nullptr;
    ArmedComboBox* cmbOutputChannels_ = nullptr;
    QLabel* lblInfoDeviceChannels_ = nullptr;
    QLabel* lblSurroundSetup_ = nullptr;
    ArmedComboBox* cmbSurroundDestination_ = nullptr;
    int destinationBeforeOpen_ = 0;
    QLabel* lblFileBits_ = nullptr;
    QLabel* lblFileChannels_ = nullptr;
    QLabel* lblFileSampleRate_ = nullptr;

    QLabel* lblVolumeCaption_ = nullptr;
    QSlider* sldVolume_ = nullptr;
    QLabel* lblVolume_ = nullptr;
    QLabel* lblPanCaption_ = nullptr;
    Knob* knPan_ = nullptr;
    QLabel* lblPan_ = nullptr;

    QGroupBox* frmEQ_ = nullptr;
    QCheckBox* chkEQActive_ = nullptr;
    std::array<EqBandControls, 3> eq_{};

    QGroupBox* frmFades_ = nullptr;
    ArmedComboBox* cmbFadeInTime_ = nullptr;
    ArmedComboBox* cmbFadeOutTime_ = nullptr;
    QCheckBox* chkFadeInActive_ = nullptr;
    QCheckBox* chkFadeOutActive_ = nullptr;
    QLabel* lblFadeInCurve_ = nullptr;
    QLabel* lblFadeOutCurve_ = nullptr;
    QSpinBox* updFadeInCurves_ = nullptr;
    QSpinBox* updFadeOutCurves_ = nullptr;
    FadeCurvePicture* picFadeInCurves_ = nullptr;
    FadeCurvePicture* picFadeOutCurves_ = nullptr;

    LevelMeter* meterL_ = nullptr;
    LevelMeter* meterR_ = nullptr;
    QLabel* lblCPULoad_ = nullptr;
    QPushButton* cmdEffects_ = nullptr;
    QTimer* ledTimer_ = nullptr;
    QTimer* cpuTimer_ = nullptr;
};

} // namespace kalvor
