// A disk that fails where the test says, and a record of what was flushed to it. A test
// program linking this helper has the C library's read, fsync and fdatasync stood in for:
// they behave as usual until a fault below is set up, and every flush is noted.
#pragma once

#include <QString>

#include <sys/types.h>

#include <vector>

namespace kalvor::test {

// While one lives, flushes of regular files to disk fail with `error` (ENOSPC: a network or
// copy-on-write file system that tells of a full disk only then; EIO: a failing stick).
class FailingFlush {
public:
    explicit FailingFlush(int error);
    ~FailingFlush();
};

// While one lives, reads of the file at `path` fail with EIO from byte `readable` on.
class FailingRead {
public:
    FailingRead(const QString& path, off_t readable);
    ~FailingRead();
};

struct DiskFlush {
    dev_t device;
    ino_t inode;
    bool folder;
};

// The flushes (fsync, fdatasync) since the last call, in order.
std::vector<DiskFlush> takeDiskFlushes();

} // namespace kalvor::test
