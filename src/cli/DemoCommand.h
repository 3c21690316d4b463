// `kalvor-tool demo DIR [--force] [--output NAME]`: writes a small show to try the
// program with, "Demo Show.kal" and its sounds, into DIR. Every sound is computed here
// (bells, noise swells, clicks, a short phrase, loops), so the show needs no audio from
// anywhere, and the same command always writes the same files. Main thread.
#pragma once

#include <QString>
#include <QStringList>

namespace kalvor::cli {

inline constexpr const char* kDemoShowName = "Demo Show.kal";
inline constexpr const char* kDemoSoundFolder = "Demo Sounds";

struct DemoShowOptions {
    // The output every channel names; empty lets each machine use its first output.
    QString outputName;
    bool overwrite = false;
};

struct DemoShow {
    QString showPath;
    QStringList soundPaths;
    int presets = 0;
};

// Writes the show and its sounds into `folder` (made when missing). False with `error`
// set when a file cannot be written or the show exists and `overwrite` is off.
bool writeDemoShow(const QString& folder, const DemoShowOptions& options, DemoShow* show,
                   QString* error);

int runDemo(const QStringList& args);

} // namespace kalvor::cli
