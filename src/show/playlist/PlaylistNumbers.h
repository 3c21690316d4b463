// How numbers are read from and written to playlist lines. Files of formats 2..13 were
// read by taking the leading number of a line (anything else gives 0); formats 14..17 by
// full conversion, where text that is not a number, or a number that does not fit its
// field, is a run-time error that ends the reader. Floats are written in the shortest
// form that reads back to the same value and read with "," or "." as the separator, so
// shows written under a German locale still open. Pure functions, any thread.
#pragma once

#include "core/ErrorReport.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <limits>

namespace kalvor::playlist {

// Run-time error numbers, as the common error report names them.
namespace errnum = kalvor::errors;

// Thrown inside the readers; the reader's entry point turns it into its error result.
struct ReadFault {
    int number;
};

enum class NumberRule {
    Leading, // formats 2..13: the leading decimal number, 0 when there is none
    Full,    // formats 14..17: the whole line must be the number
};

// The leading decimal number after optional blanks and a sign; digits after a decimal
// point are dropped. Values far beyond 64 bits saturate, so a range check still fails.
std::int64_t leadingInteger(QByteArrayView line);

// The whole line (blanks around it allowed) as an integer. A fraction after "." or ","
// is rounded half to even. Throws TypeMismatch for anything else, Overflow when huge.
std::int64_t fullInteger(QByteArrayView line);

// Single-precision value with "." or ",". Throws TypeMismatch (also for "inf" or "nan")
// or Overflow when beyond the single-precision range.
float fullFloat(QByteArrayView line);

// Lenient form for the layout block's font size: the leading number, 0 when none.
float leadingFloat(QByteArrayView line);

// "-1"/"0", any number (non-zero is true), or the words "True"/"False" in any case.
bool readBoolean(QByteArrayView line, NumberRule rule);

std::int64_t readInteger(QByteArrayView line, NumberRule rule);

// The value if it fits T, otherwise throws Overflow.
template <typename T> T fitInteger(std::int64_t value) {
    if (value < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
        value > static_cast<std::int64_t>(std::numeric_limits<T>::max()))
        throw ReadFault{errnum::Overflow};
    return static_cast<T>(value);
}

template <typename T> T readNumber(QByteArrayView line, NumberRule rule) {
    return fitInteger<T>(readInteger(line, rule));
}

// Writers. Booleans as "-1"/"0"; floats shortest and exact in the C locale; a value that
// is not finite (no effect range produces one) is written as 0 so the file stays readable.
void appendInteger(QByteArray& out, std::int64_t value);
void appendFloat(QByteArray& out, float value);
void appendBoolean(QByteArray& out, bool value);

} // namespace kalvor::playlist
