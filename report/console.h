#pragma once

// Runtime facilities of the report, provided by each runtime layer.

#include <cstddef>
#include <cstdint>

#include "discovery/wide_char.h"

// Selects the user's locale (as an empty locale name does) for the conversion of text.
void SelectUserLocale();

// Writes `length` characters to standard output as text: converted to the selected locale's
// encoding, each newline written as the platform's line end.
void WriteText(const WideChar* text, std::size_t length);

// Ends the process with `status` once everything written has reached standard output.
[[noreturn]] void EndProcess(std::int32_t status);
