// Texts of the KR-1 remote unit. English first, German second; the unit's screens are
// English except where a German text is given.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

inline constexpr UiText Kr1Initializing{"Initializing Remote...", "Initialisiere Remote..."};
inline constexpr UiText Kr1NotConnected{"No Remote connected !?", "Keine Remote angeschlossen !?"};
inline constexpr UiText Kr1NotConnectedTitle{"Remote Control", "Remote Control"};
inline constexpr UiText Kr1Closed{"Kalvor closed", "Kalvor beendet"};
inline constexpr UiText Kr1ClosedNote{"The remote is not live.", "Die Remote ist nicht aktiv."};

// The playlist format warning, line by line.
inline constexpr UiText Kr1WarnTitle{"WARNING!", "ACHTUNG!"};
inline constexpr UiText Kr1Warn1{"This Kalvor version uses", "Diese KALVOR Version"};
inline constexpr UiText Kr1Warn2{"a new fileformat for the", "benutzt ein neues Playlist"};
inline constexpr UiText Kr1WarnOld3{"playlist. Some of the", "Dateiformat. Einige Playlist"};
inline constexpr UiText Kr1WarnOld4{"parameters could not be", "Parameter konnten nicht"};
inline constexpr UiText Kr1WarnOld5{"set correctly.", "geladen werden."};
inline constexpr UiText Kr1WarnOld6{"Please check and save this", "Bitte überprüfen und"};
inline constexpr UiText Kr1WarnOld7{"playlist again after", "speichern Sie die Liste"};
inline constexpr UiText Kr1WarnOld8{"loading.", "erneut nach dem Laden."};
inline constexpr UiText Kr1WarnOldKey{"(Hit 'Enter' to continue)", "(Weiter mit 'Enter' Taste)"};
inline constexpr UiText Kr1WarnGone3{"playlist. Previous", "Dateiformat. Alte Playlists"};
inline constexpr UiText Kr1WarnGone4{"playlists can not be", "können nicht mehr"};
inline constexpr UiText Kr1WarnGone5{"loaded with this version.", "geladen werden."};
inline constexpr UiText Kr1WarnGoneKey{"(Hit 'Menu' to continue)", "(Weiter mit 'Menu' Taste)"};

} // namespace kalvor::texts
