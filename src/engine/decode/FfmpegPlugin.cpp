// Loads the FFmpeg decoder plugin the first time a file needs it, so that starting the
// program (and kalvor-tool) does not pay for loading FFmpeg's libraries, which most shows
// never use. UI or disk thread; the first caller loads, the others wait for it.
#include "engine/decode/Backends.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <dlfcn.h>

#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace kalvor::engine::decode {

namespace {

struct Plugin {
    FfmpegPluginOpen open = nullptr;
    int (*passes)(int forget) = nullptr;
    void (*scan)(const char* localPath) = nullptr;
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
        plugin.passes = reinterpret_cast<int (*)(int)>(dlsym(library, "kalvorFfmpegPluginPasses"));
        plugin.scan =
            reinterpret_cast<void (*)(const char*)>(dlsym(library, "kalvorFfmpegPluginScan"));
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

// The one thread that opens a playlist's WMA files ahead of their first recall, at the
// lowest priority, so that their length passes are done (and kept) before a recall needs
// them. A recall that meets a file the thread is scanning waits for that pass; one that
// comes first does the pass itself and the thread then finds it done.
class LookAhead {
public:
    ~LookAhead() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
            queue_.clear();
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join(); // after the pass in progress: less than a second
    }

    void replace(std::deque<QByteArray> paths) {
        {
            const std::lock_guard lock(mutex_);
            queue_ = std::move(paths);
            if (!thread_.joinable() && !queue_.empty())
                thread_ = std::thread([this] { work(); });
        }
        wake_.notify_all();
    }

    int pending() {
        const std::lock_guard lock(mutex_);
        return int(queue_.size()) + (busy_ ? 1 : 0);
    }

private:
    void work() {
        // Below everything else of ours: the recall, the UI and the disk thread come first.
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            const QByteArray path = queue_.front();
            queue_.pop_front();
            busy_ = true;
            lock.unlock();
            if (const Plugin& loaded = plugin(); loaded.scan)
                loaded.scan(path.constData()); // fills the plugin's lengths
            lock.lock();
            busy_ = false;
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<QByteArray> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

LookAhead& lookAhead() {
    static LookAhead ahead;
    return ahead;
}

} // namespace

int ffmpegLengthPasses(bool forget) {
    const Plugin& loaded = plugin();
    return loaded.passes ? loaded.passes(forget ? 1 : 0) : -1;
}

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

void scanLengthsAhead(const QStringList& paths) {
    std::deque<QByteArray> wma;
    QSet<QString> seen;
    for (const QString& path : paths) {
        // The engine's own rule for the WMA route: the name's last four characters.
        if (path.right(4) != QLatin1String(".wma") || seen.contains(path))
            continue;
        seen.insert(path);
        wma.push_back(QFile::encodeName(path));
    }
    decode::lookAhead().replace(std::move(wma));
}

int lengthScansPending() {
    return decode::lookAhead().pending();
}

} // namespace kalvor::engine
