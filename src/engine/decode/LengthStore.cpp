#include "engine/decode/LengthStore.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <limits>

namespace kalvor::engine::decode {

namespace {

constexpr quint32 kMagic = 0x4b4c454e; // "KLEN"
constexpr quint32 kFormat = 1;
// Far beyond any real file; a count above it means the file is not ours.
constexpr quint32 kMaxMarks = 1u << 20;

} // namespace

QString LengthStore::defaultPath() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/kalvor/lengths");
}

bool LengthStore::load() {
    entries_.clear();
    clock_ = 0;
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, format = 0, count = 0;
    in >> magic >> format >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic || format != kFormat ||
        count > quint32(kMaxEntries))
        return false;
    std::map<Key, Entry> read;
    for (quint32 i = 0; i < count; ++i) {
        Key key;
        Entry entry;
        quint32 marks = 0;
        in >> key.path >> key.size >> key.mtimeNs >> key.decoder >> entry.frames >> entry.used >>
            marks;
        if (in.status() != QDataStream::Ok || entry.frames <= 0 || marks > kMaxMarks)
            return false;
        entry.marks.resize(marks);
        for (auto& [pts, frame] : entry.marks)
            in >> pts >> frame;
        const bool ordered = std::is_sorted(entry.marks.begin(), entry.marks.end());
        const bool inside = std::all_of(entry.marks.begin(), entry.marks.end(), [&](const auto& m) {
            return m.second >= 0 && m.second < entry.frames;
        });
        if (in.status() != QDataStream::Ok || !ordered || !inside)
            return false;
        clock_ = std::max(clock_, entry.used);
        read[key] = std::move(entry);
    }
    if (!in.atEnd())
        return false;
    entries_ = std::move(read);
    return true;
}

bool LengthStore::save() const {
    if (path_.isEmpty() || !QDir().mkpath(QFileInfo(path_).absolutePath()))
        return false;
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << kFormat << quint32(entries_.size());
    for (const auto& [key, entry] : entries_) {
        out << key.path << key.size << key.mtimeNs << key.decoder << entry.frames << entry.used
            << quint32(entry.marks.size());
        for (const auto& [pts, frame] : entry.marks)
            out << pts << frame;
    }
    return out.status() == QDataStream::Ok && file.commit();
}

const LengthStore::Entry* LengthStore::find(const Key& key) {
    const auto it = entries_.find(key);
    if (it == entries_.end())
        return nullptr;
    it->second.used = ++clock_;
    return &it->second;
}

void LengthStore::keep(const Key& key, qint64 frames,
                       std::vector<std::pair<qint64, qint64>> marks) {
    // An older state of the same file is of no further use.
    // The map is ordered by path first: its states lie side by side.
    auto it = entries_.lower_bound(Key{key.path, std::numeric_limits<qint64>::min(),
                                       std::numeric_limits<qint64>::min(),
                                       std::numeric_limits<qint64>::min()});
    while (it != entries_.end() && it->first.path == key.path)
        it = entries_.erase(it);
    entries_[key] = Entry{frames, std::move(marks), ++clock_};
    while (entries_.size() > std::size_t(kMaxEntries))
        entries_.erase(
            std::min_element(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
                return a.second.used < b.second.used;
            }));
}

} // namespace kalvor::engine::decode
