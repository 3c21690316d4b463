#include "control/midi/MidiSystem.h"

#include "core/Settings.h"

namespace kalvor::midi {

MidiSystem::MidiSystem(ShowLayer& show, Settings& settings, QObject* parent)
    : QObject(parent), show_(show), settings_(settings), mtc_(show, settings),
      in_(show, settings, &mtc_), out_(show, settings) {
    connect(&ports_, &MidiPorts::received, &in_, &MidiIn::handle);
    out_.send = [this](const ShortMessage& m) {
        return ports_.send(m);
    };
    mtc_.passQuarterFrames = [this](bool pass) {
        ports_.setQuarterFramesPass(pass);
    };
    mtc_.closeInput = [this] {
        closeInput();
    };
}

void MidiSystem::openMidi() {
    if (settings_.isOn(u"UseMIDIIn"))
        openInput();
    if (settings_.isOn(u"UseMIDIOut"))
        openOutput();
    mtc_.setEnabled(settings_.isOn(u"UseMTC"));
}

void MidiSystem::closeMidi() {
    closeInput();
    closeOutput();
}

bool MidiSystem::openInput(const QString& device) {
    const QString name = device.isEmpty() ? settings_.text(u"MidiInDevice") : device;
    if (!ports_.inputOpen() && !name.isEmpty())
        ports_.openInput(name);
    return ports_.inputOpen();
}

void MidiSystem::closeInput() {
    ports_.closeInput();
}

bool MidiSystem::openOutput(const QString& device) {
    const QString name = device.isEmpty() ? settings_.text(u"MidiOutDevice") : device;
    if (!ports_.outputOpen() && !name.isEmpty())
        ports_.openOutput(name);
    return ports_.outputOpen();
}

void MidiSystem::closeOutput() {
    ports_.closeOutput();
}

void MidiSystem::suspendInput() {
    if (suspended_++ == 0) {
        reopenAfterSuspend_ = ports_.inputOpen();
        suspendedName_ = ports_.inputName();
        closeInput();
    }
}

void MidiSystem::resumeInput() {
    if (suspended_ == 0 || --suspended_ > 0)
        return;
    if (reopenAfterSuspend_)
        openInput(suspendedName_);
}

} // namespace kalvor::midi
