// Test harness for the audio library layer: an AudioLib on the offline device (or a
// scripted device set), a window that records every sync message in arrival order, and a
// decoder that serves WAV files from memory so the tests do not depend on which codecs
// are built. Test thread (the UI thread) only.
#pragma once

#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "support/Rendered.h"

#include <QEvent>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace kalvor::audio::test {

struct Message {
    int message = 0;
    int slot = 0;
    Handle stream = 0;
    std::int64_t deviceFrame = -1;
    std::int64_t renderedWhenDelivered = -1; // frames rendered when it arrived
};

class MessageWindow : public QObject {
public:
    std::vector<Message> messages;
    const AudioLib* lib = nullptr;
    bool event(QEvent* e) override;
};

// Reads a WAV file completely (testmedia::readWav) and serves it as a decoder.
DecoderFactory wavDecoderFactory();

// Interleaved samples, as produced by AudioLib::renderOffline.
using Render = kalvor::test::Rendered;
using kalvor::test::toDb;

struct Offline {
    explicit Offline(int rate = 44100, int channels = 2);
    ~Offline();
    // Renders `frames` more frames in blocks of `block` and appends them to `out`.
    void render(std::int64_t frames, Render& out, int block = 512);
    Render render(std::int64_t frames, int block = 512);

    std::shared_ptr<ScriptedBackend> backend;
    MessageWindow window;
    std::unique_ptr<AudioLib> lib;
    int rate;
    int channels;
};

// A folder of its own for this test's files.
QString mediaFolder();

} // namespace kalvor::audio::test
