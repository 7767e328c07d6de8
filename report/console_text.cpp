#include "report/console_text.h"

#include <cstddef>

#include "report/console.h"

namespace {

std::size_t Length(const WideChar* text) {
  std::size_t length = 0;
  while (text[length] != u'\0') ++length;
  return length;
}

void WriteDecimal(std::int32_t value) {
  WideChar digits[12];  // sign and ten digits
  std::size_t start = sizeof(digits) / sizeof(digits[0]);
  // Work on the unsigned magnitude so that the most negative value needs no special case.
  std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  do {
    digits[--start] = static_cast<WideChar>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) digits[--start] = u'-';
  WriteText(digits + start, sizeof(digits) / sizeof(digits[0]) - start);
}

}  // namespace

void PrintLine(const WideChar* text) {
  WriteText(text, Length(text));
  WriteText(u"\n", 1);
}

void PrintFormatted(const WideChar* format, std::int32_t value) {
  const WideChar* literal = format;
  const WideChar* cursor = format;
  while (*cursor != u'\0') {
    if (cursor[0] != u'%' || cursor[1] != u'i') {
      ++cursor;
      continue;
    }
    WriteText(literal, static_cast<std::size_t>(cursor - literal));
    WriteDecimal(value);
    cursor += 2;
    literal = cursor;
  }
  WriteText(literal, static_cast<std::size_t>(cursor - literal));
}
