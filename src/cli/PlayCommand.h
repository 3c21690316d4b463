// `kalvor-tool play`: renders sound files through the engine, exactly as the program
// plays them (volume, pan, vari-speed, start position, fades), on the offline device into
// a WAV file. Operators use it to audition and export a cue; tests use it to hear the
// engine. Main thread of kalvor-tool only.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace kalvor::cli {

struct PlayOptions {
    QStringList files; // one channel each, all started together
    QString output;
    int volume = 94;
    int pan = 0;
    int variSpeed = 0;
    std::int64_t startFrame = 0;        // in the file's own frames
    std::optional<double> startSeconds; // instead of startFrame
    int fadeInMs = 0;                   // 0: no fade-in
    int fadeInCurve = 2;
    int fadeOutMs = 0; // 0: no fade-out
    int fadeOutCurve = 2;
    std::optional<double> lengthSeconds; // empty: until every sound has ended
    int sampleRate = 44100;
    bool floatSamples = false;
    bool listDevices = false;
};

// Reads the command line; on a bad argument returns nothing and says why in `error`.
std::optional<PlayOptions> parsePlayOptions(const QStringList& args, QString* error);

int runPlay(const QStringList& args);

} // namespace kalvor::cli
