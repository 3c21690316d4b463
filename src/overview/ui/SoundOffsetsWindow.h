// The "Sound Offsets" window: the start offset of one channel at a time, by digits and
// their spinners, the samples field, the position slider, capture, reset, copy and paste,
// the automatic cue on level, and 20 offset presets. Every change goes through the show
// layer's StartOffsets; the window keeps only the value being edited. Its 10 ms sync timer
// runs only while the window is shown. UI thread.
#pragma once

#include "overview/StartOffsetRules.h"

#include <QTimer>
#include <QWidget>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace kalvor {

class Settings;
class ShowLayer;

class SoundOffsetsWindow : public QWidget {
    Q_OBJECT
public:
    SoundOffsetsWindow(ShowLayer& show, Settings& settings, QWidget* parent = nullptr);

    // Shows the window on a channel (0..31).
    void showChannel(int ch);
    int channel() const { return ch_; }
    std::int64_t workingValue() const { return working_; }
    bool syncRunning() const { return sync_.isActive(); }

    // One spinner step up or down, as a click on its arrow does.
    void spin(OffsetDigit digit, bool up);
    // The sync timer's work, also for tests.
    void syncTick();

    QLineEdit* txtSamples() const { return samples_; }
    QLabel* lblOffsetTime() const { return time_; }
    QSlider* sldPosition() const { return slider_; }
    QSpinBox* updChannel() const { return channelBox_; }
    QSpinBox* updCueLevel() const { return cueLevel_; }
    QCheckBox* chkJumpToOffsets() const { return jump_; }
    QListWidget* lstPresets() const { return presetList_; }
    QLineEdit* txtPresetInfo() const { return presetInfo_; }
    QPushButton* button(const QString& objectName) const;
    AutoCue& autoCue() { return cue_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void applyCaptions();
    void refreshFromStore();
    void showWorking();
    void setWorking(std::int64_t value); // validated, shown, not stored
    void storeWorking();
    void fillPresets();
    void onPresetChosen();
    void loadPreset();
    void savePreset();
    void clearPreset();
    int presetNumber() const;

    ShowLayer& show_;
    Settings& settings_;
    OffsetPresets presets_;
    AutoCue cue_;
    QTimer sync_;
    int ch_ = 0;
    std::int64_t working_ = 0;
    bool presetsFilled_ = false;

    QSpinBox* channelBox_ = nullptr;
    QLabel* time_ = nullptr;
    QLabel* playTime_ = nullptr;
    QLineEdit* samples_ = nullptr;
    std::array<QToolButton*, 10> spinners_{};
    QSlider* slider_ = nullptr;
    QSpinBox* cueLevel_ = nullptr;
    QLabel* cueState_ = nullptr;
    QCheckBox* jump_ = nullptr;
    QListWidget* presetList_ = nullptr;
    QLineEdit* presetInfo_ = nullptr;
    QLabel* presetTime_ = nullptr;
    QList<QLabel*> captionLabels_;
};

} // namespace kalvor
