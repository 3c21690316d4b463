#include "tools/GoToTime.h"

namespace kalvor {

namespace {

int pair(const QString& field, int at) {
    int value = 0;
    for (int i = at; i < at + 2 && i < field.size() && field[i].isDigit(); ++i)
        value = value * 10 + field[i].digitValue();
    return value;
}

} // namespace

std::int64_t goToTimeSeconds(const QString& field) {
    return pair(field, 0) * 3600LL + pair(field, 3) * 60LL + pair(field, 6);
}

} // namespace kalvor
