#include "support/DiskFaults.h"

#include <QFile>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>

namespace kalvor::test {

namespace {

std::atomic<int> g_flushError{0};
std::atomic<ino_t> g_failingInode{0};
std::atomic<off_t> g_readableBytes{0};
std::mutex g_mutex;
std::vector<DiskFlush> g_flushes;

template <typename Fn> Fn next(const char* name) {
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
}

// False (errno set) when this flush is to fail.
bool noteFlush(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return true;
    const std::lock_guard lock(g_mutex);
    g_flushes.push_back({st.st_dev, st.st_ino, S_ISDIR(st.st_mode)});
    if (const int error = g_flushError.load(); error != 0 && S_ISREG(st.st_mode)) {
        errno = error;
        return false;
    }
    return true;
}

} // namespace

FailingFlush::FailingFlush(int error) {
    g_flushError = error;
}

FailingFlush::~FailingFlush() {
    g_flushError = 0;
}

FailingRead::FailingRead(const QString& path, off_t readable) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    g_readableBytes = readable;
    g_failingInode = st.st_ino;
}

FailingRead::~FailingRead() {
    g_failingInode = 0;
}

std::vector<DiskFlush> takeDiskFlushes() {
    const std::lock_guard lock(g_mutex);
    return std::exchange(g_flushes, {});
}

} // namespace kalvor::test

using namespace kalvor::test;

extern "C" int fsync(int fd) {
    if (!noteFlush(fd))
        return -1;
    static const auto real = next<int (*)(int)>("fsync");
    return real(fd);
}

extern "C" int fdatasync(int fd) {
    if (!noteFlush(fd))
        return -1;
    static const auto real = next<int (*)(int)>("fdatasync");
    return real(fd);
}

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
    static const auto real = next<ssize_t (*)(int, void*, size_t)>("read");
    struct stat st {};
    if (g_failingInode != 0 && ::fstat(fd, &st) == 0 && st.st_ino == g_failingInode) {
        const off_t at = ::lseek(fd, 0, SEEK_CUR);
        if (at >= g_readableBytes) {
            errno = EIO;
            return -1;
        }
        count = std::min<size_t>(count, static_cast<size_t>(g_readableBytes - at));
    }
    return real(fd, buffer, count);
}
