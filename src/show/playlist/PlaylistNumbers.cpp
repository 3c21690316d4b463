#include "show/playlist/PlaylistNumbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace kalvor::playlist {

namespace {

constexpr std::int64_t kSaturated = std::int64_t{1} << 62;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// One more decimal digit; stays at kSaturated once the value is far beyond any field.
std::int64_t accumulate(std::int64_t value, char digit) {
    if (value >= kSaturated / 10)
        return kSaturated;
    return value * 10 + (digit - '0');
}

bool equalsIgnoringCase(QByteArrayView s, const char* word) {
    qsizetype i = 0;
    for (; word[i] != '\0'; ++i) {
        if (i >= s.size())
            return false;
        char c = s[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i])
            return false;
    }
    return i == s.size();
}

} // namespace

std::int64_t leadingInteger(QByteArrayView line) {
    qsizetype i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '-' || line[i] == '+')) {
        negative = line[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < line.size() && isDigit(line[i]); ++i)
        value = accumulate(value, line[i]);
    return negative ? -value : value;
}

std::int64_t fullInteger(QByteArrayView line) {
    const QByteArrayView s = trimmed(line);
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    const qsizetype digitsStart = i;
    std::int64_t value = 0;
    for (; i < s.size() && isDigit(s[i]); ++i)
        value = accumulate(value, s[i]);
    bool anyDigit = i > digitsStart;
    // A fraction rounds half to even, as a conversion to a whole number does.
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        ++i;
        const qsizetype fracStart = i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
        if (i > fracStart) {
            anyDigit = true;
            const char first = s[fracStart];
            bool restNonZero = false;
            for (qsizetype k = fracStart + 1; k < i; ++k)
                restNonZero = restNonZero || s[k] != '0';
            if (first > '5' || (first == '5' && (restNonZero || (value % 2) == 1)))
                ++value;
        }
    }
    if (!anyDigit || i != s.size())
        throw ReadFault{errnum::TypeMismatch};
    if (value >= kSaturated)
        throw ReadFault{errnum::Overflow};
    return negative ? -value : value;
}

float fullFloat(QByteArrayView line) {
    const QByteArrayView s = trimmed(line);
    // from_chars would take "inf" and "nan", which no writer of ours produces.
    std::array<char, 64> buf{};
    if (s.isEmpty() || s.size() >= static_cast<qsizetype>(buf.size()))
        throw ReadFault{s.isEmpty() ? errnum::TypeMismatch : errnum::Overflow};
    qsizetype n = 0;
    qsizetype i = 0;
    if (s[0] == '+')
        i = 1;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c == ',')
            c = '.';
        if (!(isDigit(c) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            throw ReadFault{errnum::TypeMismatch};
        buf[static_cast<std::size_t>(n++)] = c;
    }
    float value = 0.0f;
    const char* end = buf.data() + n;
    const auto [ptr, ec] = std::from_chars(buf.data(), end, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        double wide = 0.0;
        const auto r = std::from_chars(buf.data(), end, wide, std::chars_format::general);
        if (r.ec == std::errc() && std::fabs(wide) < 1.0)
            return 0.0f; // below the smallest single: it is 0
        throw ReadFault{errnum::Overflow};
    }
    if (ec != std::errc() || ptr != end)
        throw ReadFault{errnum::TypeMismatch};
    return value;
}

float leadingFloat(QByteArrayView line) {
    std::array<char, 40> buf{};
    std::size_t n = 0;
    qsizetype i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    if (i < line.size() && (line[i] == '-' || line[i] == '+'))
        buf[n++] = line[i++];
    bool point = false;
    for (; i < line.size() && n + 1 < buf.size(); ++i) {
        char c = line[i];
        if (c == ',')
            c = '.';
        if (c == '.' && !point) {
            point = true;
        } else if (!isDigit(c)) {
            break;
        }
        buf[n++] = c;
    }
    float value = 0.0f;
    const auto r = std::from_chars(buf.data(), buf.data() + n, value, std::chars_format::fixed);
    return (r.ec == std::errc() && std::isfinite(value)) ? value : 0.0f;
}

bool readBoolean(QByteArrayView line, NumberRule rule) {
    const QByteArrayView s = trimmed(line);
    if (equalsIgnoringCase(s, "true"))
        return true;
    if (equalsIgnoringCase(s, "false"))
        return false;
    if (rule == NumberRule::Leading)
        return leadingInteger(s) != 0;
    return fullFloat(s) != 0.0f;
}

std::int64_t readInteger(QByteArrayView line, NumberRule rule) {
    return rule == NumberRule::Leading ? leadingInteger(line) : fullInteger(line);
}

void appendInteger(QByteArray& out, std::int64_t value) {
    std::array<char, 24> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    out.append(buf.data(), r.ptr - buf.data());
}

void appendFloat(QByteArray& out, float value) {
    if (!std::isfinite(value))
        value = 0.0f;
    std::array<char, 32> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    out.append(buf.data(), r.ptr - buf.data());
}

void appendBoolean(QByteArray& out, bool value) {
    out.append(value ? "-1" : "0");
}

} // namespace kalvor::playlist
