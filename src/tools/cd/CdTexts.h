// Captions and messages of the CD Ripping page. English first, German second.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText CdPageCaption{"CD Ripping", "CD Ripping"};
inline constexpr UiText CdDiscImage{"Disc image...", "Disk-Image..."};
inline constexpr UiText CdImageFilter{"CD images (*.cue);;All files (*)",
                                      "CD Images (*.cue);;Alle Dateien (*)"};
inline constexpr UiText CdWaiting{"Waiting for CD...", "Warte auf CD..."};
inline constexpr UiText CdDoorOpen{"CD Door is open!", "CD Schublade ist offen!"};
inline constexpr UiText CdReady{"CD is ready.", "CD ist bereit."};
inline constexpr UiText CdTrackCountError{"Error retreiving number of tracks.",
                                          "Fehler beim ermitteln der Trackanzahl."};
inline constexpr UiText CdTrackCountTitle{"Can't get tracks!", "Trackanzahl nicht lesbar!"};
inline constexpr UiText CdNoAudioTrack{"Track %1 is no audio track!",
                                       "Track %1 ist kein Audio Track!"};
inline constexpr UiText CdUnknownError{"There was an unknown error!",
                                       "Ein unbekannter Fehler trat auf!"};
inline constexpr UiText CdUnknownErrorTitle{"Unknown error!", "Unbekannter Fehler!"};
inline constexpr UiText CdNotAValidPath{"is not a valid pathname!", "ist kein gültiger Pfadname!"};
inline constexpr UiText CdPathErrorTitle{"Path Error", "Pfad Fehler"};
inline constexpr UiText CdFileExists{"File exists! Overwrite?",
                                     "Datei schon vorhanden! Überschreiben?"};
inline constexpr UiText CdFileErrorTitle{"File Error", "Datei Fehler"};
inline constexpr UiText CdNoDisc{"Can't extract, no CD loaded!",
                                 "CD lesen nicht möglich, keine CD geladen!"};
inline constexpr UiText CdErrorTitle{"Error", "Fehler"};
inline constexpr UiText CdStreamError{"Error while creating CD/Audio stream!",
                                      "Fehler beim erzeugen von CD/Audio Stream!"};
inline constexpr UiText CdStreamErrorTitle{"Can't create CD/Audio stream!",
                                           "CD/Audio Stream Fehler!"};
inline constexpr UiText CdWriting{"Writing CD-Track to disk...", "Schreibe CD-Track auf Disk..."};
inline constexpr UiText CdWritten{"CD-Track written to disk as:",
                                  "CD-Track wurde auf die Disk geschrieben als:"};
inline constexpr UiText CdFinishedTitle{"CD Ripping finished", "CD auslesen beendet"};
inline constexpr UiText CdExtract{"Extract Track", "Track lesen"};
inline constexpr UiText CdStop{"STOP!", "STOP!"};
inline constexpr UiText CdPlaybackError{"CD playback error!", "Fehler während CD Wiedergabe!"};
inline constexpr UiText CdRipSaveTitle{"Select a name for the audiofile...",
                                       "Geben Sie einen Namen für die Audiodatei ein..."};
inline constexpr UiText CdRipFilter{"Audio files (*.wav);;All files (*)",
                                    "Audio Dateien (*.wav);;Alle Dateien (*)"};
inline constexpr UiText CdProgress{"Progress: %1 / %2", "Fortschritt: %1 / %2"};
inline constexpr UiText CdAskForFilename{"Ask for filename", "Dateinamen abfragen"};
inline constexpr UiText CdSelectPath{"Select Folder", "Verzeichnis auswählen"};
inline constexpr UiText CdLockDoor{"Lock door", "Schublade sperren"};
inline constexpr UiText CdUnlockDoor{"Unlock door", "Schublade freigeben"};
inline constexpr UiText CdEject{"Eject", "Auswerfen"};
// Our own additions: a bad image, a read that failed halfway.
inline constexpr UiText CdImageUnreadable{"%1 cannot be opened as a CD image.",
                                          "%1 kann nicht als CD Image geöffnet werden."};
inline constexpr UiText CdReadFailed{
    "The CD could not be read at %1 (the drive or disc is gone?).\r\n%2 seconds were written to "
    "%3; the file is a valid wave file up to there.",
    "Die CD konnte bei %1 nicht gelesen werden (Laufwerk oder CD entfernt?).\r\n%2 Sekunden "
    "wurden nach %3 geschrieben; bis dahin ist die Datei eine gültige Wave Datei."};

} // namespace kalvor::texts
