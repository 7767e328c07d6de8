// Standard output as a text stream of the selected locale, in the manner of the C runtime:
// each character converted to the locale's ANSI code page, each newline written as CR LF,
// and on a console the converted text re-encoded for the console's output code page.

#include <windows.h>

#include "report/console.h"

namespace {

// Zero is CP_ACP, the system's ANSI code page, until a locale is selected.
UINT gCodePage;

// Characters converted at a time: small enough for every buffer below to stay far under
// the 4 KiB at which the compiler would want a stack probe.
constexpr std::size_t kSegment = 64;
constexpr int kMaxBytesPerChar = 4;  // UTF-8 as the ANSI code page is the widest case

void WriteBytes(HANDLE output, const char* bytes, DWORD count) {
  while (count > 0) {
    DWORD written = 0;
    if (!WriteFile(output, bytes, count, &written, nullptr) || written == 0) return;
    bytes += written;
    count -= written;
  }
}

bool IsHighSurrogate(WideChar c) { return c >= 0xD800 && c <= 0xDBFF; }

// A character the code page cannot hold becomes "?", never a look-alike: best-fit mapping
// would print a device path that seems whole but names no device (an accented letter as its
// plain one, a division slash as "/"). The code pages that take no flags (UTF-8, ISO-2022,
// GB18030, ...) have no best fit to refuse.
int ToCodePage(UINT codePage, const WCHAR* text, int length, char* bytes, int size) {
  const int count = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text, length, bytes, size,
                                        nullptr, nullptr);
  if (count != 0 || GetLastError() != ERROR_INVALID_FLAGS) return count;
  return WideCharToMultiByte(codePage, 0, text, length, bytes, size, nullptr, nullptr);
}

// Converts one segment, adds the line end, and writes it.
void WriteSegment(HANDLE output, const WideChar* text, std::size_t length, bool lineEnd) {
  char bytes[kSegment * kMaxBytesPerChar + 2];
  int count = 0;
  if (length > 0) {
    count = ToCodePage(gCodePage, reinterpret_cast<const WCHAR*>(text), static_cast<int>(length),
                       bytes, sizeof(bytes) - 2);
  }
  if (lineEnd) {
    bytes[count++] = '\r';
    bytes[count++] = '\n';
  }
  if (count == 0) return;

  DWORD mode = 0;
  const UINT consoleCodePage = GetConsoleMode(output, &mode) ? GetConsoleOutputCP() : gCodePage;
  if (consoleCodePage == gCodePage || consoleCodePage == 0) {
    WriteBytes(output, bytes, static_cast<DWORD>(count));
    return;
  }
  WCHAR wide[sizeof(bytes)];
  const int wideCount = MultiByteToWideChar(gCodePage, 0, bytes, count, wide, sizeof(bytes));
  char consoleBytes[sizeof(bytes) * kMaxBytesPerChar];
  const int consoleCount =
      ToCodePage(consoleCodePage, wide, wideCount, consoleBytes, sizeof(consoleBytes));
  WriteBytes(output, consoleBytes, static_cast<DWORD>(consoleCount));
}

}  // namespace

void SelectUserLocale() {
  DWORD codePage = 0;
  const int filled =
      GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                     reinterpret_cast<LPWSTR>(&codePage), sizeof(codePage) / sizeof(WCHAR));
  // A locale with no ANSI code page (Unicode-only) keeps the system's one.
  gCodePage = (filled != 0 && codePage != 0 && IsValidCodePage(codePage)) ? codePage : CP_ACP;
}

void WriteText(const WideChar* text, std::size_t length) {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  std::size_t start = 0;
  while (start < length) {
    std::size_t end = start;
    while (end < length && end - start < kSegment && text[end] != u'\n') ++end;
    // Never split a surrogate pair between two conversions.
    if (end < length && text[end] != u'\n' && end - start > 1 && IsHighSurrogate(text[end - 1])) {
      --end;
    }
    const bool lineEnd = end < length && text[end] == u'\n';
    WriteSegment(output, text + start, end - start, lineEnd);
    start = lineEnd ? end + 1 : end;
  }
}

void EndProcess(std::int32_t status) {
  // Every write went straight to the handle, so there is nothing left to flush.
  ExitProcess(static_cast<UINT>(status));
}
