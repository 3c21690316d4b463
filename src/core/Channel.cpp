#include "core/Channel.h"

namespace kalvor {

QString groupText(int group) {
    if (group < 1 || group > 8)
        return QStringLiteral("---");
    return QString::number(group);
}

int groupNumber(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return (ok && n >= 1 && n <= 8) ? n : 0;
}

} // namespace kalvor
