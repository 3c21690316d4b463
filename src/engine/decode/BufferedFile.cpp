// Buffered reads for the decoders; see BufferedFile.h.
#include "engine/decode/BufferedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kalvor::engine::decode {

namespace {
// Small enough for malloc to serve from memory the process already has: a larger buffer is
// mapped afresh for every opening, and a recall of 32 sounds then spends its time in page
// faults. A 5-minute MP3 is still read in 75 calls.
constexpr std::size_t kBufferBytes = 64 * 1024;
} // namespace

std::unique_ptr<BufferedFile> BufferedFile::open(const QByteArray& localPath) {
    const int fd = ::open(localPath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<BufferedFile>(new BufferedFile(fd));
}

// make_unique_for_overwrite: the buffer is not zero-filled first, as every byte of it that is
// read was written by pread before. A recall opens 32 of these at once.
BufferedFile::BufferedFile(int fd)
    : fd_(fd), buffer_(std::make_unique_for_overwrite<char[]>(kBufferBytes)) {}

BufferedFile::~BufferedFile() {
    ::close(fd_);
}

bool BufferedFile::refill() {
    ssize_t got = 0;
    do
        got = ::pread(fd_, buffer_.get(), kBufferBytes, position_);
    while (got < 0 && errno == EINTR);
    if (got <= 0)
        return false;
    bufferStart_ = position_;
    bufferLength_ = static_cast<std::size_t>(got);
    return true;
}

std::ptrdiff_t BufferedFile::read(void* into, std::size_t bytes) {
    auto* out = static_cast<char*>(into);
    std::size_t done = 0;
    while (done < bytes) {
        const off_t inBuffer = position_ - bufferStart_;
        if (inBuffer < 0 || inBuffer >= static_cast<off_t>(bufferLength_)) {
            if (!refill())
                break;
            continue;
        }
        const std::size_t n =
            std::min(bytes - done, bufferLength_ - static_cast<std::size_t>(inBuffer));
        std::memcpy(out + done, buffer_.get() + inBuffer, n);
        done += n;
        position_ += static_cast<off_t>(n);
    }
    return static_cast<std::ptrdiff_t>(done);
}

off_t BufferedFile::seek(off_t offset, int whence) {
    off_t base = 0;
    if (whence == SEEK_CUR) {
        base = position_;
    } else if (whence == SEEK_END) {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            return -1;
        base = st.st_size;
    } else if (whence != SEEK_SET) {
        return -1;
    }
    if (base + offset < 0)
        return -1;
    position_ = base + offset;
    return position_;
}

} // namespace kalvor::engine::decode
