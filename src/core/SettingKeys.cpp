#include "core/SettingKeys.h"

#include <QHash>

#include <deque>
#include <vector>

namespace kalvor {

namespace {

constexpr SettingType T = SettingType::Text;
constexpr SettingType I = SettingType::Integer;
constexpr SettingType B = SettingType::Boolean;

// Keys without a stated default ("CDExtractPath", window rectangles,
// "LastPlayList") start empty.
constexpr SettingKey kFixedKeys[] = {
    {"User", "AudioDeviceSelection", T, "0"},
    {"User", "AutoCueLevel", I, "-20"},
    {"User", "BaudRate", T, "19200"},
    {"User", "BitResolution", I, "16"},
    {"User", "BufferSize", I, "500"},
    {"User", "ButtonColorEnd", I, "3355647"},
    {"User", "ButtonColorPause", I, "33023"},
    {"User", "ButtonColorPlayNew", I, "65280"},
    {"User", "ButtonColorStopNew", I, "14140870"},
    {"User", "ButtonColorText", I, "0"},
    {"User", "CDExtractPath", T, ""},
    {"User", "ClickFix", I, "0"},
    {"User", "ComMode", T, "User"},
    {"User", "ComPort", T, "1"},
    // Our own: the device path that stands for "COM n", so a USB adapter or a
    // pseudo-terminal can take a port's place.
    {"User", "ComDevice1", T, "/dev/ttyS0"},
    {"User", "ComDevice2", T, "/dev/ttyS1"},
    {"User", "ComDevice3", T, "/dev/ttyS2"},
    {"User", "ComDevice4", T, "/dev/ttyS3"},
    {"User", "CopySoundsWithOffsets", I, "1"},
    {"User", "CountDown", I, "0"},
    {"User", "DO500Brightness", T, "3"},
    {"User", "DO500ComPort", T, "1"},
    {"User", "DO500Countdown", T, "0"},
    {"User", "DO500Enabled", T, "0"},
    {"User", "DO500Progressbar", T, "0"},
    {"User", "DO500SafetyMode", T, "1"},
    {"User", "DO500Size", T, "2"},
    {"User", "DO500TimeFormat", T, "1"},
    {"User", "DefaultPlayList", T, ""},
    {"User", "DefaultPlayListDir", T, ""},
    {"User", "DefaultSoundPath", T, ""},
    {"User", "DefaultVolume", I, "-6"},
    {"User", "DefaultWaveEditor", T, ""},
    {"User", "DisplayLoadFailed", I, "0"},
    {"User", "EchoCMD", T, "OFF"},
    {"User", "EnableCom", T, "OFF"},
    {"User", "EndSignalRange", I, "10"},
    {"User", "FirstPairOnly", I, "0"},
    {"User", "FlashStateEnd", I, "1"},
    {"User", "FlashStatePause", I, "1"},
    {"User", "FlashStatePlay", I, "1"},
    {"User", "HotkeyMode", T, "0"},
    {"User", "IgnoreAutostart", I, "1"},
    {"User", "JumpToOffsets", I, "1"},
    {"User", "Language", T, "english"},
    {"User", "LastPlayList", T, ""},
    {"User", "LoadLastPlaylist", T, "0"},
    {"User", "LogColWidth", I, "100"},
    {"User", "LogFileDirectory", T, ""},
    {"User", "LogFontBold", B, "False"},
    {"User", "LogFontItalic", B, "False"},
    {"User", "LogFontName", T, "Tahoma"},
    {"User", "LogFontSize", I, "9"},
    {"User", "LogLRMargin", I, "10"},
    {"User", "LogNotEmptyWarning", T, "OFF"},
    {"User", "LogRestartCreate", T, "OFF"},
    {"User", "LogResumeCreate", T, "OFF"},
    {"User", "LogSaveBackup", T, "OFF"},
    {"User", "LogTBMargin", I, "10"},
    {"User", "Logging", T, "OFF"},
    {"User", "LoggingBackupPath", T, ""},
    {"User", "NoEmulatedDevices", I, "1"},
    {"User", "OverviewHeight", T, ""},
    {"User", "OverviewLeft", T, ""},
    {"User", "OverviewTop", T, ""},
    {"User", "OverviewWidth", T, ""},
    {"User", "PreBufferSize", I, "500"},
    {"User", "PreviewDevice", T, ""},
    {"User", "PreviewVolume", I, "94"},
    {"User", "Resizing", I, "1"},
    {"User", "SampleRate", I, "44100"},
    {"User", "SavePresetsOnChange", I, "1"},
    {"User", "SceneListFontBold", T, "0"},
    {"User", "SceneListFontItalic", T, "0"},
    {"User", "SceneListFontName", T, "MS Sans Serif"},
    {"User", "SceneListFontSize", T, "8,25"},
    {"User", "SceneRollbackTime", I, "30"},
    {"User", "SendACK", T, "OFF"},
    {"User", "ShowEndSignal", I, "1"},
    {"User", "ShowPaths", I, "0"},
    {"User", "ShowProgress", T, "1"},
    {"User", "ShowTouchScreenOnStartup", I, "0"},
    {"User", "SoundListFontBold", T, "0"},
    {"User", "SoundListFontItalic", T, "0"},
    {"User", "SoundListFontName", T, "MS Sans Serif"},
    {"User", "SoundListFontSize", T, "8,25"},
    {"User", "KR-2 Quick Select", T, "OFF"},
    {"User", "KR1_DisplayContrast", I, "5"},
    {"User", "KR1_ScenesOnly", T, "0"},
    {"User", "KR1_ScreenLayout", T, "1"},
    {"User", "TimeDisplayBackColor", I, "0"},
    {"User", "TimeDisplayBold", I, "0"},
    {"User", "TimeDisplayFontColor", I, "65280"},
    {"User", "ToolTips", I, "1"},
    {"User", "TouchScreenFontBold", B, "True"},
    {"User", "TouchScreenFontColor", I, "0"},
    {"User", "TouchScreenFontItalic", B, "False"},
    {"User", "TouchScreenFontName", T, "Tahoma"},
    {"User", "TouchScreenFontSize", T, "10"},
    {"User", "TouchScreenPosition", T, "0"},
    {"User", "TouchScreenPositionTwips", T, "0"},
    {"User", "TouchScreenResolution", I, "0"},
    {"User", "XKeysChannelSelect", T, "ON"},
    {"User", "XKeysDevice", T, "OFF"},
    {"User", "XKeysLayout", T, "Standard"},
    {"User", "XKeysStickLeds", T, "ON"},
    {"User", "XKeysStickPlayLeds", T, "ON"},
    {"Midi", "MidiInDevice", T, ""},
    {"Midi", "MidiNoteDisplay", T, "0"},
    {"Midi", "MidiNoteOffset", I, "1"},
    {"Midi", "MidiNoteSelectsSound", I, "0"},
    {"Midi", "MidiOutDevice", T, ""},
    {"Midi", "MtcDisplayColor", I, "0"},
    {"Midi", "MtcFrameRate", I, "25"},
    {"Midi", "ProgramChangeChannel", T, "1"},
    {"Midi", "ReceivePRGChange", T, "0"},
    {"Midi", "SendPRGChange", T, "0"},
    {"Midi", "ShowMtcOnMain", I, "0"},
    {"Midi", "UseMIDIIn", T, "0"},
    {"Midi", "UseMIDIOut", T, "0"},
    {"Midi", "UseMTC", T, "0"},
    {"GPIO", "GPIO Configuration", T, "0"},
    {"GPIO", "GpioChip", T, ""},
    {"GPIO", "GpioLines", T, ""},
    {"GPIO", "PIOActivate", T, "OFF"},
    {"GPIO", "Port1Direction", T, "OFF"},
    {"GPIO", "Port2Direction", T, "OFF"},
    {"GPIO", "Port3HDirection", T, "OFF"},
    {"GPIO", "Port3LDirection", T, "OFF"},
    {"Osc", "OscAllow", T, "127.0.0.1, ::1"},
    {"Osc", "OscEnable", T, "0"},
    {"Osc", "OscPort", I, "8470"},
};

struct GpioLineKey {
    const char* prefix;
    SettingType type;
    const char* defaultValue;
};

constexpr GpioLineKey kGpioLineKeys[] = {
    {"LineFunctionText ", T, nullptr}, {"LineFunctionNo. ", I, "0"}, {"PIOLineLogic ", I, "1"},
    {"GPODuration ", I, "0"},          {"GPOInterval ", I, "0"},
};

struct OffsetPresetKey {
    const char* prefix;
    const char* defaultValue; // nullptr: the entry's own "n. ---"
};

constexpr OffsetPresetKey kOffsetPresetKeys[] = {
    {"StartOffsetPreset", nullptr},
    {"StartOffsetPresetInfo", ""},
    {"StartOffsetPresetValue", "0"},
    {"StartOffsetPresetTime", "00:00:00:000"},
};
constexpr int kOffsetPresets = 20;

struct Table {
    std::deque<QByteArray> names; // owns the generated GPIO and offset preset key names
    std::vector<SettingKey> keys;
    QHash<QString, std::size_t> byLowerName;

    Table() {
        keys.assign(std::begin(kFixedKeys), std::end(kFixedKeys));
        for (int line = 1; line <= 24; ++line) {
            for (const auto& k : kGpioLineKeys) {
                names.push_back(gpioLineKey(k.prefix, line).toLatin1());
                keys.push_back({"GPIO", names.back().constData(), k.type, k.defaultValue});
            }
        }
        for (int n = 1; n <= kOffsetPresets; ++n) {
            for (const auto& k : kOffsetPresetKeys) {
                names.push_back(offsetPresetKey(k.prefix, n).toLatin1());
                const char* name = names.back().constData();
                const char* def = k.defaultValue;
                if (!def) {
                    names.push_back(QByteArray::number(n) + ". ---");
                    def = names.back().constData();
                }
                keys.push_back({"User", name, T, def});
            }
        }
        for (std::size_t i = 0; i < keys.size(); ++i)
            byLowerName.insert(QString::fromLatin1(keys[i].name).toLower(), i);
    }
};

const Table& table() {
    static const Table t;
    return t;
}

} // namespace

QString gpioLineKey(const char* prefix, int line) {
    return QString::fromLatin1(prefix) + QStringLiteral("%1").arg(line, 2, 10, QLatin1Char('0'));
}

QString offsetPresetKey(const char* prefix, int n) {
    return QString::fromLatin1(prefix) + QString::number(n);
}

std::span<const SettingKey> settingKeys() {
    return table().keys;
}

const SettingKey* findSettingKey(QStringView name) {
    const auto& t = table();
    const auto it = t.byLowerName.constFind(name.toString().toLower());
    return it == t.byLowerName.constEnd() ? nullptr : &t.keys[*it];
}

} // namespace kalvor
