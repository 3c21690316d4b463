// Loads the FFmpeg decoder plugin the first time a file needs it, so that starting the
// program (and kalvor-tool) does not pay for loading FFmpeg's libraries, which most shows
// never use. UI or disk thread; the first caller loads, the others wait for it.
#include "engine/decode/Backends.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

#include <mutex>
#include <thread>

namespace kalvor::engine::decode {

namespace {

struct Plugin {
    FfmpegPluginOpen open = nullptr;
    QString error; // why it could not be loaded
};

QString programFolder() {
    // /proc/self/exe rather than QCoreApplication: callers need not have an application
    // object.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

Plugin load() {
    Plugin plugin;
    QStringList tried;
    for (const QString& path : ffmpegPluginCandidates()) {
        if (!QFileInfo::exists(path)) {
            tried << path;
            continue;
        }
        // Never closed: decoders it made run its code until the process ends.
        void* library = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            plugin.error = QString::fromLocal8Bit(dlerror());
            return plugin;
        }
        auto open = reinterpret_cast<FfmpegPluginOpen>(dlsym(library, "kalvorFfmpegPluginOpen"));
        if (!open) {
            plugin.error = path + QStringLiteral(" is not the FFmpeg decoder plugin");
            return plugin;
        }
        plugin.open = open;
        return plugin;
    }
    plugin.error = QStringLiteral("not found (looked for ") + tried.join(QStringLiteral(", ")) +
                   QLatin1Char(')');
    return plugin;
}

const Plugin& plugin() {
    static std::once_flag once;
    static Plugin loaded;
    std::call_once(once, [] {
        loaded = load();
        // Said once, where whoever started the program can see it: the engine reports only
        // that a file did not open.
        if (!loaded.open)
            qWarning("The FFmpeg decoder plugin cannot be loaded, so WMA files and the formats "
                     "only FFmpeg knows will not open: %s",
                     qUtf8Printable(loaded.error));
    });
    return loaded;
}

// Joined at exit, so a load in progress is never cut off mid-way by the process ending.
struct Preloader {
    std::thread thread;
    ~Preloader() {
        if (thread.joinable())
            thread.join();
    }
};

} // namespace

QStringList ffmpegPluginCandidates() {
    const QString chosen = qEnvironmentVariable("KALVOR_FFMPEG_PLUGIN");
    if (!chosen.isEmpty())
        return {chosen};
    return {QDir::cleanPath(programFolder() + QStringLiteral("/../" KALVOR_INSTALL_LIBDIR
                                                             "/kalvor/" KALVOR_FFMPEG_PLUGIN_NAME)),
            QStringLiteral(KALVOR_FFMPEG_PLUGIN_BUILD_PATH)};
}

OpenResult openWithFfmpeg(const QByteArray& localPath, bool asfOnly) {
    const Plugin& loaded = plugin();
    OpenResult result;
    if (!loaded.open) {
        result.verdict = Verdict::Broken;
        result.error = QStringLiteral("Needs the FFmpeg decoder plugin, which cannot be loaded: ") +
                       loaded.error;
        return result;
    }
    const int abi = loaded.open(kFfmpegPluginAbi, localPath.constData(), asfOnly, &result);
    if (abi != kFfmpegPluginAbi) {
        result = OpenResult{};
        result.verdict = Verdict::Broken;
        result.error =
            QStringLiteral("The FFmpeg decoder plugin is from another build (%1, not %2)")
                .arg(abi)
                .arg(kFfmpegPluginAbi);
    }
    return result;
}

} // namespace kalvor::engine::decode

namespace kalvor::engine {

void preloadFfmpegPlugin() {
    static std::once_flag once;
    static decode::Preloader preloader;
    std::call_once(once, [] { preloader.thread = std::thread([] { decode::plugin(); }); });
}

} // namespace kalvor::engine
