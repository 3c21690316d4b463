// The three decoding back ends behind openDecoder, and what they share. Called from
// openDecoder only (UI or disk thread); the decoders they return follow Decoder's rules.
#pragma once

#include "engine/decode/Decoder.h"

#include <QByteArray>
#include <QIODevice>
#include <QStringList>

#include <memory>

namespace kalvor::engine::decode {

// What a back end says when it cannot take a file: `NotMine` lets openDecoder try the next
// back end, `Broken` ends the search with the back end's error text.
enum class Verdict { Opened, NotMine, Broken };

struct OpenResult {
    std::unique_ptr<Decoder> decoder;
    Verdict verdict = Verdict::NotMine;
    QString error;
};

// libsndfile: WAV, AIFF, FLAC and the other formats it knows, but not Ogg (NotMine, so that
// openDecoder hands it on). MPEG that libsndfile recognises goes on to libmpg123.
OpenResult openWithSndfile(const QByteArray& localPath);
// libmpg123: MPEG audio layers I to III, with lengths and seeks exact from a scan of every
// frame header. NotMine when no MPEG stream starts in the file.
OpenResult openWithMpg123(const QByteArray& localPath);
// Whether `file` (open for reading, at its start) starts with an MPEG audio frame, after
// an ID3v2 tag if it has one. Moves the read position.
bool looksLikeMpeg(QIODevice& file);
// libvorbisfile: Ogg Vorbis, with exact lengths and exact seeks.
OpenResult openWithVorbisfile(const QByteArray& localPath);
// FFmpeg, from the plugin loaded on first use (FfmpegPlugin.cpp). `asfOnly` forces the ASF
// demuxer (the WMA route); otherwise ASF is refused. Broken with a message naming the
// plugin when it cannot be loaded.
OpenResult openWithFfmpeg(const QByteArray& localPath, bool asfOnly);

// The plugin's entry point, `kalvorFfmpegPluginOpen`: takes the caller's ABI number and
// returns its own; it fills `out` only when the two agree. Raise the number whenever
// OpenResult, Decoder or AudioFormat change shape.
constexpr int kFfmpegPluginAbi = 1;
using FfmpegPluginOpen = int (*)(int abi, const char* localPath, bool asfOnly, OpenResult* out);
// Where the plugin is looked for, in order: $KALVOR_FFMPEG_PLUGIN alone when set; else
// beside the installed program (../lib/kalvor/), then in the build tree.
QStringList ffmpegPluginCandidates();
// The length passes the plugin ran since start-up or the last forget; `forget` first
// drops what it knows in memory, so that the next opening reads the disk file again as
// a new session would. -1 without the plugin. For tests and benches.
int ffmpegLengthPasses(bool forget = false);

} // namespace kalvor::engine::decode
