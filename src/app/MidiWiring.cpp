#include "app/MidiWiring.h"

#include "control/ui/CueWindow.h"
#include "core/Lifecycle.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "mainwindow/ui/ChannelStrip.h"
#include "mainwindow/ui/MainWindow.h"
#include "overview/ui/OverviewModel.h"
#include "overview/ui/OverviewWindow.h"
#include "show/playback/ShowLayer.h"
#include "tools/ui/OptionsDialog.h"

#include <QElapsedTimer>

namespace kalvor {

MidiWiring::MidiWiring(ShowLayer& show, Settings& settings)
    : show_(show), settings_(settings), midi_(show, settings) {}

MidiWiring::~MidiWiring() = default;

Dialogs& MidiWiring::guardDialogs(Dialogs& inner) {
    guard_ = std::make_unique<midi::FileDialogGuard>(inner, midi_);
    return *guard_;
}

void MidiWiring::wireLifecycle(Lifecycle& lifecycle) {
    // Before the first show is loaded the assignment is the default one; a show's presets
    // bring their own.
    lifecycle.startupHooks().openMidi = [this] {
        midi::setDefaultAssignment(show_, midi_.output());
        midi_.openMidi();
        listPorts_ = true;
    };
    lifecycle.shutdownHooks().closeMidi = [this] {
        midi_.closeMidi();
    };
}

void MidiWiring::wireOptions(OptionDevices& devices, OptionsHooks& hooks) {
    // Each listing opens and closes a client per API, which start-up need not wait for:
    // until MIDI is opened the lists hold only what the settings know, and the MIDI Setup
    // page lists the ports each time it is shown. A list younger than two seconds is reused.
    const auto listing = [this](QStringList (*list)()) {
        return [this, list, names = QStringList(), age = QElapsedTimer()]() mutable {
            if (listPorts_ && (!age.isValid() || age.elapsed() > 2000)) {
                names = list();
                age.start();
            }
            return names;
        };
    };
    devices.midiInputs = listing(&midi::midiInputNames);
    devices.midiOutputs = listing(&midi::midiOutputNames);
    // An empty device is "<none>" in the list: the system's own fallback to the stored
    // name would reopen the device the operator just deselected.
    hooks.midiInput = [this](bool on, const QString& device) {
        if (on && !device.isEmpty())
            return midi_.openInput(device);
        midi_.closeInput();
        return false;
    };
    hooks.midiOutput = [this](bool on, const QString& device) {
        if (on && !device.isEmpty())
            return midi_.openOutput(device);
        midi_.closeOutput();
        return false;
    };
    hooks.mtcActive = [this](bool on) {
        midi_.mtc().setEnabled(on);
    };
    hooks.functionKeyRow = [this](int key) {
        return &midi_.output().functionRow(key - 1);
    };
}

void MidiWiring::wireOptionsDialog(OptionsDialog& options) {
    QObject::connect(&midi_.input(), &midi::MidiIn::monitorLine, &options,
                     [&options](const QString& line) {
                         if (options.isVisible())
                             options.addMidiMonitorLine(line);
                     });
    QObject::connect(&midi_.mtc(), &midi::MtcCues::rateReceived, &options,
                     [&options](int fps) { options.setMtcFrameRate(fps); });
}

void MidiWiring::wireMainWindow(MainWindow& window) {
    window_ = &window;
    QObject::connect(
        &midi_.mtc(), &midi::MtcCues::displayChanged, &window,
        [&window](const QString& text, int colour) { window.setMtcDisplay(text, colour); });
    window.setMtcDisplay(midi_.mtc().displayText(), midi_.mtc().displayColour());
    // Cues are frame counts, shown in the rate of the time code: a source at another rate
    // than before changes every strip's text.
    QObject::connect(&midi_.mtc(), &midi::MtcCues::rateChanged, &window,
                     [this](int) { refreshCueTexts(); });
    QObject::connect(&show_.store(), &ShowStore::channelChanged, &window,
                     [this](int ch, unsigned aspects) {
                         if (ch < kChannelCount && window_ &&
                             (aspects & static_cast<unsigned>(ChannelAspect::Assignments)))
                             window_->strip(ch)->setCueText(midi_.mtc().stripCueText(ch));
                     });
    refreshCueTexts();
}

void MidiWiring::refreshCueTexts() {
    if (!window_)
        return;
    for (int ch = 0; ch < kChannelCount; ++ch)
        window_->strip(ch)->setCueText(midi_.mtc().stripCueText(ch));
    window_->setMtcDisplay(midi_.mtc().displayText(), midi_.mtc().displayColour());
}

void MidiWiring::wireOverview(OverviewWindow& overview) {
    overview.actions().hooks.cueWindow = [this](int ch) {
        showCueWindow(ch);
    };
    // The cue cells in the rate of the time code received, as the channel strips show them.
    OverviewModel& model = overview.model();
    model.mtcFps = [this] {
        return midi_.mtc().fps();
    };
    QObject::connect(&midi_.mtc(), &midi::MtcCues::rateReceived, &model,
                     [&model](int) { model.mtcRateChanged(); });
}

void MidiWiring::showCueWindow(int ch) {
    if (!cueWindow_)
        cueWindow_ = std::make_unique<CueWindow>(show_, midi_.mtc());
    cueWindow_->showCueWindow(ch);
}

} // namespace kalvor
