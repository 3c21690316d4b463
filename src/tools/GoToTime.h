// The go-to-time field: "hh:mm:ss" typed into the mask "__:__:__". UI thread or any.
#pragma once

#include <QString>

#include <cstdint>

namespace kalvor {

inline constexpr char kGoToTimeMask[] = "99:99:99;_";
inline constexpr char kGoToTimeEmpty[] = "__:__:__";

// Seconds the field stands for: a pair left "__" counts 0, a half-typed pair "4_" counts 4.
std::int64_t goToTimeSeconds(const QString& field);

} // namespace kalvor
