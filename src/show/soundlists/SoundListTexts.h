// Texts of the sound list operations. English first, German second.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText OpenSoundfiles{"Open Soundfile(s)", "Sound Datei(en) öffnen"};
inline constexpr UiText FilterAll{"All files (*.*)", "Alle Dateien (*.*)"};
inline constexpr UiText FilterWave{"WAVE files (*.wav)", "WAVE Dateien (*.wav)"};
inline constexpr UiText FilterAiff{"AIFF files (*.aif)", "AIFF Dateien (*.aif)"};
inline constexpr UiText FilterMpeg12{"MP1/MP2 files (*.mp1/*.mp2)",
                                     "MP1/MP2 Dateien (*.mp1/*.mp2)"};
inline constexpr UiText FilterMp3{"MP3 files (*.mp3)", "MP3 Dateien (*.mp3)"};
inline constexpr UiText FilterOgg{"OGG VORBIS files (*.ogg)", "OGG VORBIS Dateien (*.ogg)"};
inline constexpr UiText FilterWma{"Windows Media Audio files (*.wma)",
                                  "Windows Media Audio Dateien (*.wma)"};

inline constexpr UiText SoundClipboardErrorTitle{"Error", "Fehler"};
inline constexpr UiText SoundClipboardEmpty{"Clipboard empty - no sound to insert",
                                            "Clipboard leer - Kein Sound zum Einfügen vorhanden"};
inline constexpr UiText NoWaveEditor{
    "No Wave Editor selected in Options/Sound List dialog!",
    "Kein Wave Editor ausgewählt unter Einstellungen/Sound Liste!"};
inline constexpr UiText WaveEditorPathTitle{"File/Path Error", "Datei/Pfad Fehler"};
inline constexpr UiText WaveEditorPathInvalid{
    "The path information for the external Wave Editor is invalid!",
    "Die Pfad Information für den externen Wave Editor ist ungültig!"};
inline constexpr UiText WaveEditorTitle{"Kalvor", "Kalvor"};
inline constexpr UiText WaveEditorStartFailed{
    "The external Wave Editor could not be started:",
    "Der externe Wave Editor konnte nicht gestartet werden:"};

} // namespace kalvor::texts
