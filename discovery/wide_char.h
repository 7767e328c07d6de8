#pragma once

// Device paths and messages are UTF-16 on every build. char16_t keeps that true on
// hosts whose wchar_t is 32 bits; the Win32 layers reinterpret it as WCHAR.
using WideChar = char16_t;
