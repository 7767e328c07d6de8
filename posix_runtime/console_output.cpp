// Standard output as a text stream of the user's locale: each UTF-16 character converted to
// the locale's multibyte encoding, each newline written as one line feed. A character the
// locale cannot encode (every Japanese one under "C", say) becomes "?", so the rest of the
// line, and every path, still reaches the reader.

#include <climits>
#include <clocale>
#include <cstdio>
#include <cuchar>
#include <cwchar>

#include "report/console.h"

namespace {

// The stream's conversion state, carried from one call to the next.
std::mbstate_t gState;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void WriteCharacter(char32_t character) {
  char bytes[MB_LEN_MAX];
  std::size_t count = std::c32rtomb(bytes, character, &gState);
  if (count == static_cast<std::size_t>(-1)) {
    // Not encodable here; the state is undefined after the failure, so start afresh.
    gState = std::mbstate_t{};
    count = std::c32rtomb(bytes, U'?', &gState);
    if (count == static_cast<std::size_t>(-1)) return;
  }
  std::fwrite(bytes, 1, count, stdout);
}

}  // namespace

void SelectUserLocale() {
  // A locale the environment names but the system lacks leaves "C" in force: the text is
  // still written, with "?" for what "C" cannot encode.
  std::setlocale(LC_ALL, "");
  gState = std::mbstate_t{};
}

void WriteText(const WideChar* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    const char32_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(text[i + 1])) {
      WriteCharacter(0x10000 + ((unit - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      WriteCharacter(U'?');  // half a pair encodes nothing
    } else {
      WriteCharacter(unit);
    }
  }
}
