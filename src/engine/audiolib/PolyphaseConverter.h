// The engine's own windowed-sinc converter (RateConverter::Kind::Polyphase). Only
// RateConverter::create() makes one; the header exists so that file stays small.
#pragma once

#include "engine/audiolib/RateConverter.h"

#include <memory>

namespace kalvor::audio {

std::unique_ptr<RateConverter> createPolyphaseConverter(int channels);

} // namespace kalvor::audio
