// The exact lengths (and a few seek marks) of the files that needed a full decoding pass,
// kept in a small file between sessions, so that the first opening of a sound rehearsed
// yesterday costs what a later one does. A file is known by its absolute path, size and
// modification time to the nanosecond, and by the decoder's version: any of them changed,
// the entry no longer matches and the file is scanned again. A file that cannot be read,
// is damaged or is of another kind is ignored and replaced at the next save. The store
// holds at most `kMaxEntries` files, the ones used longest ago dropped first. Not
// thread-safe: its one owner locks.
#pragma once

#include <QString>

#include <map>
#include <tuple>
#include <utility>
#include <vector>

namespace kalvor::engine::decode {

class LengthStore {
public:
    static constexpr int kMaxEntries = 10000;

    struct Key {
        QString path; // absolute
        qint64 size = 0;
        qint64 mtimeNs = 0;
        qint64 decoder = 0; // the decoding libraries' version
        friend bool operator<(const Key& a, const Key& b) {
            return std::tie(a.path, a.size, a.mtimeNs, a.decoder) <
                   std::tie(b.path, b.size, b.mtimeNs, b.decoder);
        }
    };
    struct Entry {
        qint64 frames = 0;
        std::vector<std::pair<qint64, qint64>> marks; // time stamp, frame; by time stamp
        qint64 used = 0;                              // order of last use, for the bound
    };

    // $XDG_CACHE_HOME/kalvor/lengths, ~/.cache/kalvor/lengths without it.
    static QString defaultPath();

    explicit LengthStore(QString path) : path_(std::move(path)) {}

    // Reads the file; false (and nothing known) when it is missing, damaged or foreign.
    bool load();
    // Writes the file in full through a temporary one renamed over it; false on failure.
    bool save() const;

    const Entry* find(const Key& key);
    void keep(const Key& key, qint64 frames, std::vector<std::pair<qint64, qint64>> marks);
    int size() const { return static_cast<int>(entries_.size()); }

private:
    QString path_;
    std::map<Key, Entry> entries_;
    qint64 clock_ = 0;
};

} // namespace kalvor::engine::decode
