// A read-only file with a large read buffer, for decoders that read in many small pieces
// (libmpg123 reads every frame header and body separately: a scan of a 5-minute MP3 would
// otherwise be 23,000 system calls). No memory mapping, so a file that shrinks or a medium
// that goes away while it is open gives a short read, not a crash. One thread at a time.
#pragma once

#include <QByteArray>

#include <sys/types.h>

#include <cstddef>
#include <memory>

namespace kalvor::engine::decode {

class BufferedFile {
public:
    static std::unique_ptr<BufferedFile> open(const QByteArray& localPath);
    ~BufferedFile();
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;

    // As read(2) and lseek(2): bytes read (0 at the end, -1 on an error), new offset or -1.
    std::ptrdiff_t read(void* into, std::size_t bytes);
    off_t seek(off_t offset, int whence);

private:
    explicit BufferedFile(int fd);
    bool refill();

    int fd_;
    std::unique_ptr<char[]> buffer_;
    off_t bufferStart_ = 0; // file offset of buffer_[0]
    std::size_t bufferLength_ = 0;
    off_t position_ = 0;
};

} // namespace kalvor::engine::decode
