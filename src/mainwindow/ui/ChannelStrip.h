// One channel strip of the main window (`frmChannel`): caption, channel info label, sound
// list, add button, time displays with the position slider, PLAY button, play modes and
// groups. It mirrors the channel's part of the show store and hands every operator action
// to the show layer or the engine; nothing of the show is kept here. UI thread.
#pragma once

#include "show/playback/ChannelPlayback.h"

#include <QFrame>
#include <QListWidget>
#include <QPushButton>

#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QSlider;
class QToolButton;

namespace kalvor {

class Settings;
class ShowLayer;
class ShowStore;

// The sound list: accepts dropped files and tells the strip about arrow keys, which put
// an extended selection back to single selection.
class SoundListView : public QListWidget {
    Q_OBJECT
public:
    explicit SoundListView(QWidget* parent = nullptr);
    std::function<bool(const QStringList& files)> acceptsFiles; // while dragging
    std::function<void(const QStringList& files)> filesDropped;
    std::function<void()> arrowKey;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// PLAY: the left button presses and releases, the right button stops.
class PlayButton : public QPushButton {
    Q_OBJECT
public:
    explicit PlayButton(QWidget* parent = nullptr);
    std::function<void(bool rightButton)> onPress;
    std::function<void()> onRelease;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool down_ = false;
};

// Named hooks for windows the strip opens but does not own.
struct ChannelStripHooks {
    std::function<void(int ch)> openGoToTime;      // double click on the position display
    std::function<void(int ch)> openStartOffsets;  // a click on the start-offset mark
    std::function<void(int ch)> openFtpBrowser;    // right button on the add button
    std::function<void()> timeDisplayStyleChanged; // applied to all strips
    std::function<void()> soundListFontChanged;    // applied to all strips
};

class ChannelStrip : public QFrame {
    Q_OBJECT
public:
    ChannelStrip(int ch, ShowLayer& show, Settings& settings, QWidget* parent = nullptr);

    int channel() const { return ch_; }
    ChannelStripHooks& hooks() { return hooks_; }

    // Mirrors the store.
    void refreshSoundList();
    void refreshControls();
    void refreshInfo();
    // Position and length displays and the slider, unless the slider is being dragged.
    void refreshTimes();
    void setButtonColour(ButtonColour colour);
    void LabelChannel();
    void setHighlighted(bool on);
    bool highlighted() const { return highlighted_; }

    void applyCaptions();
    void applyTimeDisplayStyle();
    void applySoundListFont();

    // The controls by their program names, for the main window, hotkeys and tests.
    SoundListView* lstSoundlist() const { return list_; }
    PlayButton* playButton() const { return play_; }
    QSlider* sldPosition() const { return slider_; }
    QLabel* pnlPos() const { return pos_; }
    QLabel* pnlDuration() const { return duration_; }
    // Shown while the channel starts at an offset.
    QLabel* imgStartOffset() const { return offsetMark_; }
    void refreshOffsetMark();
    QLabel* caption() const { return caption_; }
    QLabel* lblChannelInfo() const { return info_; }
    // "Cue: hh:mm:ss:ff", the time-code start cue; hidden while empty.
    void setCueText(const QString& text);
    QLabel* lblMtcCue() const { return cue_; }
    QToolButton* cmdAdd() const { return add_; }
    QCheckBox* modeBox(int index) const; // 0 restart .. 6 rollback
    QComboBox* playGroup() const { return playGroup_; }
    QComboBox* stopGroup() const { return stopGroup_; }

    // The context menus of the sound list, the length display and the info label, built
    // for this strip; their actions carry the program's menu names.
    std::unique_ptr<QMenu> makeSoundListMenu();
    std::unique_ptr<QMenu> makeTimeDisplayMenu();
    std::unique_ptr<QMenu> makeChannelInfoMenu();

    // The position slider's two halves, as a drag drives them.
    void previewSliderPosition(int value);
    void seekToSlider(int value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildSoundListMenu();
    void showSoundListMenu(const QPoint& globalPos);
    void showTimeDisplayMenu(const QPoint& globalPos);
    void showChannelInfoMenu(const QPoint& globalPos);
    void inputChannelInfo();
    void onCurrentRowChanged(int row);
    void onSelectionMarksChanged();
    void setMode(int index, bool on);
    void setGroup(bool play, int group);
    void applyPlayButtonColours(int background, int text);

    int ch_;
    ShowLayer& show_;
    ShowStore& store_;
    Settings& settings_;
    ChannelStripHooks hooks_;
    bool updating_ = false;
    bool highlighted_ = false;
    int timeFontPoints_ = 8;
    ButtonColour colour_ = ButtonColour::Off;

    QLabel* caption_;
    QLabel* info_;
    QLabel* cue_ = nullptr;
    QToolButton* add_;
    SoundListView* list_;
    QLabel* pos_;
    QLabel* duration_;
    QLabel* offsetMark_;
    QSlider* slider_;
    PlayButton* play_;
    std::array<QCheckBox*, 7> modes_{};
    QLabel* playGroupLabel_;
    QLabel* stopGroupLabel_;
    QComboBox* playGroup_;
    QComboBox* stopGroup_;
};

} // namespace kalvor
