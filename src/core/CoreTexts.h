// Texts of the application core: start-up, shut-down, the error report and the system
// messages window. English first, German second.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText ChannelTitle{"Channel ", "Kanal "};
inline constexpr UiText NewPreset{"New Preset", "Neues Preset"};
inline constexpr UiText EmptyPresetMemory{"empty", "empty"};

// Common error report
inline constexpr UiText ErrorTitle{"Error!", "Error!"};
inline constexpr UiText ErrorPrefix{"Error ", "Fehler "};
inline constexpr UiText ErrorReportedIn{"reported in module '", "aufgetreten in Modul '"};
inline constexpr UiText TypeMismatch{"Type mismatch", "Typen unverträglich"};
inline constexpr UiText BadSettingValue{"The setting %1 holds \"%2\", which is not a valid %3; "
                                        "the default \"%4\" is used.",
                                        "Die Einstellung %1 enthält \"%2\", das ist kein gültiger "
                                        "Wert (%3); der Vorgabewert \"%4\" wird verwendet."};
inline constexpr UiText SettingsUnreadable{
    "The settings file %1 cannot be read (%2); the defaults are used.",
    "Die Einstellungsdatei %1 kann nicht gelesen werden (%2); die Vorgabewerte werden "
    "verwendet."};
inline constexpr UiText KindInteger{"whole number", "Ganzzahl"};
inline constexpr UiText KindBoolean{"yes/no value", "Ja/Nein-Wert"};

// Start-up. "PC" became "this computer" / "diesem Computer": the program runs on Linux
// machines of every kind, and its texts say so.
inline constexpr UiText NoSoundDeviceTitle{"Error", "Error"};
inline constexpr UiText NoSoundDevice{
    "No sound device found on this computer,\r\nKalvor can not run!",
    "Kein Soundausgabegerät auf diesem Computer\r\ngefunden, Kalvor kann nicht gestartet werden!"};
inline constexpr UiText WelcomeVersion{"Version ", "Version "};
inline constexpr UiText WelcomeResizing{"Resizing main screen elements! Please wait...",
                                        "Resizing main screen elements! Please wait..."};
inline constexpr UiText WelcomeOs{"OS:", "OS:"};
inline constexpr UiText InitializingRemote{"Initializing Remote...", "Initialisiere Remote..."};
inline constexpr UiText PlaylistCaption{"Playlist: ", "Playlist: "};
inline constexpr UiText PleaseWait{"Please wait...", "Bitte warten..."};
inline constexpr UiText PreviewDeviceFound{"Sounddevice for preview channel found!",
                                           "Sounddevice for preview channel found!"};
inline constexpr UiText PreviewDeviceReplaced{
    "Non-existing sounddevice for preview channel has been replaced!",
    "Non-existing sounddevice for preview channel has been replaced!"};

// Shut-down
inline constexpr UiText QuitTitle{"Kalvor", "Kalvor"};
inline constexpr UiText QuitQuestion{"Quit Kalvor and exit ?", "Möchten Sie Kalvor beenden ?"};
inline constexpr UiText LogListInfoTitle{"Log List Info", "Log List Info"};
inline constexpr UiText LogNotEmpty{
    "The log list still contains log entries! Would you like to save them?\r\n"
    "- Select [Yes], if you want to save the log list now.\r\n"
    "- Select [No], if you don't want to save the log list.",
    "Die Log-Liste enthält noch Daten! Wollen Sie diese abspeichern?\r\n"
    "- Wählen Sie [Ja], wenn Sie die Log Daten abspeichern möchten.\r\n"
    "- Wählen Sie [Nein], wenn Sie die Log Daten nicht speichern möchten."};

// System messages window
inline constexpr UiText SystemMessagesTitle{"Kalvor System Messages", "Kalvor System Meldungen"};
inline constexpr UiText ShowAudioMessages{"Show Audio Messages", "Audio Meldungen zeigen"};
inline constexpr UiText AlwaysOnTop{"Always on top", "Immer oben"};
inline constexpr UiText Clear{"Clear", "Löschen"};
inline constexpr UiText Close{"Close", "Schliessen"};

// GPIO line captions stored in the settings
inline constexpr UiText GpioNoFunction{"OFF (no function assigned)",
                                       "AUS (keine Funktion gewählt)"};

// Placeholder main window
inline constexpr UiText MainWindowTitle{"Kalvor", "Kalvor"};
inline constexpr UiText MenuFile{"&File", "&Datei"};
inline constexpr UiText MenuExit{"E&xit", "&Beenden"};
inline constexpr UiText MenuView{"&View", "&Ansicht"};
inline constexpr UiText MenuSystemMessages{"&System Messages", "&System Meldungen"};
inline constexpr UiText MenuLanguage{"&Language", "&Sprache"};
inline constexpr UiText LanguageEnglish{"English", "Englisch"};
inline constexpr UiText LanguageGerman{"German", "Deutsch"};
inline constexpr UiText NoPlaylistLoaded{"No playlist loaded", "Keine Playlist geladen"};
inline constexpr UiText PresetsInMemory{"Presets in memory: ", "Presets im Speicher: "};

} // namespace kalvor::texts
