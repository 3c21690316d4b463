// Wires MIDI and time code into the program: start-up and closing hooks, the options
// pages, the main window's time-code display and cue texts, the overview's MTC cells and
// the file dialogs' rule. main() makes one of these and calls each part as the window it
// needs comes into being. UI thread.
#pragma once

#include "control/midi/FileDialogGuard.h"
#include "control/midi/MidiSystem.h"

#include <memory>

namespace kalvor {

class CueWindow;
class Dialogs;
class Lifecycle;
class MainWindow;
class OptionsDialog;
class OverviewWindow;
class Settings;
class ShowLayer;
struct OptionDevices;
struct OptionsHooks;

class MidiWiring {
public:
    MidiWiring(ShowLayer& show, Settings& settings);
    ~MidiWiring();

    midi::MidiSystem& system() { return midi_; }
    // The dialogs to install in place of `inner`: file dialogs pause the MIDI input.
    Dialogs& guardDialogs(Dialogs& inner);

    void wireLifecycle(Lifecycle& lifecycle);
    void wireOptions(OptionDevices& devices, OptionsHooks& hooks);
    void wireOptionsDialog(OptionsDialog& options);
    void wireMainWindow(MainWindow& window);
    void wireOverview(OverviewWindow& overview);
    // The cue window of channel `ch` (made on first use).
    void showCueWindow(int ch);
    // The strips' "Cue: " texts and the time-code display, after the settings changed.
    void refreshCueTexts();

private:
    ShowLayer& show_;
    Settings& settings_;
    midi::MidiSystem midi_;
    std::unique_ptr<midi::FileDialogGuard> guard_;
    std::unique_ptr<CueWindow> cueWindow_;
    MainWindow* window_ = nullptr;
    bool listPorts_ = false;
};

} // namespace kalvor
