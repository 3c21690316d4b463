// Texts of the audio engine that the operator sees: boxes of device start-up and the
// buffer-size change, and the progress text of the start-up window. English first,
// German second. The engine's lines in the system messages are not translated and live
// beside the code that writes them. UI thread.
#pragma once

#include "core/UiLanguage.h"

namespace kalvor::texts {

// On purpose, these texts name what the program really runs on (ALSA/JACK, "this
// computer") where they would name the Windows sound layers (DirectSound, WDM, DirectX)
// or "PC": an operator looking for a missing sound card must not be sent looking for
// DirectX. Keep it so.

// Device start-up
inline constexpr UiText InitializingDevice{"Initializing: ", "Initialisiere: "};
inline constexpr UiText AudioDeviceErrorTitle{"Audio Device Error", "Audio Device Error"};
inline constexpr UiText WrongLibraryVersion{
    "Couldn't load BASS version 2.3!\r\nNo audio playback possible!",
    "Couldn't load BASS version 2.3!\r\nNo audio playback possible!"};
inline constexpr UiText DxVersionErrorTitle{"Sound System Version Error",
                                            "Sound System Version Error"};
inline constexpr UiText DxVersionIs{"The sound system version on this system is: ",
                                    "The sound system version on this system is: "};
inline constexpr UiText DxVersionAdvice{
    "It should be 8 or higher!\r\nYou can not use DSP FX (EQ etc.)!",
    "It should be 8 or higher!\r\nYou can not use DSP FX (EQ etc.)!"};

// Device list
inline constexpr UiText DeviceListErrorTitle{"Error", "Error"};
inline constexpr UiText OnlyEmulatedDevices{
    "There are no ALSA/JACK compatible\r\nsound devices installed on this computer!\r\n"
    "Kalvor will now try to detect 'emulated' devices!",
    "Es wurden keine ALSA/JACK kompatiblen\r\nSoundkarten auf diesem Computer gefunden!\r\n"
    "Kalvor wird nun versuchen 'emulierte' Soundkarten zu finden!"};

// Audio messages: an output that went away while the program ran, and came back
inline constexpr UiText OutputDeviceLost{"Output device lost: ", "Ausgabegerät verloren: "};
inline constexpr UiText OutputDeviceBack{"Output device back: ", "Ausgabegerät wieder da: "};

// Options window: buffer size
inline constexpr UiText SetBufferSizeTitle{"Set Buffer size", "Neue Bufferlänge setzen"};
inline constexpr UiText SetBufferSizeText{
    "New buffer size will be used after\r\nreloading all sounds or the Preset!",
    "Die neue Bufferlänge wird erst benutzt, nach dem\r\nerneuten laden aller Sounds oder des "
    "Presets!"};

} // namespace kalvor::texts
