#pragma once

#include <cstdint>

#include "discovery/wide_char.h"

// Writes `text`, then a newline.
void PrintLine(const WideChar* text);

// Writes `format` with each "%i" replaced by `value` in signed decimal; other text is written as it
// stands.
void PrintFormatted(const WideChar* format, std::int32_t value);
