// The MIDI devices through RtMidi, with the ALSA sequencer and the JACK API side by side.
// Device names carry their API ("ALSA: ...", "JACK: client:port") and are what the
// settings store, so a name means the same port after a restart. On JACK each port has a
// client named "Kalvor" (JACK numbers the later ones of the program: "Kalvor-01:MIDI In"),
// so other clients can connect to them by name.
//
// Threads: RtMidi calls the input callback on its own thread (the JACK process thread or
// the ALSA reader). The callback only decodes into a fixed ring and wakes the UI thread
// through an eventfd; the UI thread drains the ring in arrival order and hands each
// message on. Everything else here runs on the UI thread.
#pragma once

#include "control/midi/MidiMessage.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

class QSocketNotifier;
class QTimer;
class RtMidiIn;
class RtMidiOut;

namespace kalvor::midi {

inline constexpr char kJackClientName[] = "Kalvor";
inline constexpr char kJackPrefix[] = "JACK: ";
inline constexpr char kAlsaPrefix[] = "ALSA: ";

// Every input (output) port of both APIs, ALSA first, each API in the order it reports.
// The program's own JACK port ("JACK: Kalvor MIDI In (unconnected)", or Out) is listed
// too, for a set-up where the other side makes the connection.
QStringList midiInputNames();
QStringList midiOutputNames();
QString ownJackPortEntry(bool input);

class MidiPorts : public QObject {
    Q_OBJECT
public:
    explicit MidiPorts(QObject* parent = nullptr);
    ~MidiPorts() override;

    // False (with a system message naming the device and the reason) when the device is
    // not there or refuses; the input then stays closed.
    bool openInput(const QString& name);
    void closeInput();
    bool inputOpen() const { return in_ != nullptr; }
    QString inputName() const { return inName_; }

    bool openOutput(const QString& name);
    void closeOutput();
    bool outputOpen() const { return out_ != nullptr; }
    bool send(const ShortMessage& m);

    void setQuarterFramesPass(bool pass);

    // The ring between RtMidi's thread and the UI thread (its contract is beside it).
    struct Inbox;
    // Tells when the JACK server the ports were opened on has gone.
    struct JackWatch;

Q_SIGNALS:
    void received(const kalvor::midi::ShortMessage& m);

private:
    void drain();
    // Reopens a device that went away and came back (an interface unplugged and plugged
    // in again): the port's old connection died with it.
    void watchDevices();
    // One direction's device: its loss is told once; once it is listed again it is opened
    // afresh under the same name.
    void follow(bool input);
    // The watch of the server a JACK port opens on now (one for every server that came up).
    JackWatch* watchJack();
    // Marks the watch gone when the server that answers now does not know it.
    void checkWatchedServer();

    // A device is lost while its port is missing from the list, and reopened when it is back.
    bool inLost_ = false;
    bool outLost_ = false;
    QString outName_;

    std::unique_ptr<Inbox> inbox_;
    std::unique_ptr<RtMidiIn> in_;
    std::unique_ptr<RtMidiOut> out_;
    QSocketNotifier* notifier_ = nullptr;
    JackWatch* jack_ = nullptr; // once its server is gone, never freed: see watchJack()
    QElapsedTimer serverAsked_; // since checkWatchedServer() last asked
    // The watch of each port's server; null for a port of another API.
    JackWatch* inJack_ = nullptr;
    JackWatch* outJack_ = nullptr;
    QString inName_;
};

} // namespace kalvor::midi
