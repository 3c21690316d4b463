#include "overview/KovFile.h"

#include "show/playlist/LineCursor.h"

namespace kalvor {

QByteArray kovFileContents(const playlist::OverviewLayout& layout) {
    QByteArray out("Fileformat 3\r\n");
    playlist::appendOverviewLayout(out, layout);
    return out;
}

KovRead readKovFile(QByteArrayView contents) {
    KovRead r;
    playlist::LineCursor lines(contents);
    try {
        const QByteArrayView first = lines.take();
        int version = 0;
        for (int v = 1; v <= 3; ++v) {
            if (first == QByteArray("Fileformat ") + QByteArray::number(v))
                version = v;
        }
        if (version == 0)
            return r;
        r.layout = playlist::readOverviewLayout(lines, version, &r.endMarkerFound);
        r.status = KovRead::Status::Read;
    } catch (const playlist::ReadFault&) {
        r.status = contents.isEmpty() ? KovRead::Status::UnknownFormat : KovRead::Status::Truncated;
        r.layout = {};
    }
    return r;
}

QString withKovExtension(const QString& path) {
    if (path.isEmpty() || path.contains(QStringLiteral(".kov"), Qt::CaseInsensitive))
        return path;
    return path + QStringLiteral(".kov");
}

} // namespace kalvor
