#include "tests/wine_fakes/device_table.h"

#include <cstddef>

#include "tests/wine_fakes/call_log.h"

namespace {

const DWORD kMaxTableBytes = 4 << 20;

bool Equals(const char* begin, const char* end, const char* word) {
  while (begin < end && *word != '\0' && *begin == *word) {
    ++begin;
    ++word;
  }
  return begin == end && *word == '\0';
}

struct Word {
  const char* text;
  int value;
};

constexpr Word kEnumerationWords[] = {{"ok", static_cast<int>(EnumerationMode::kOk)},
                                      {"fail", static_cast<int>(EnumerationMode::kFail)}};
constexpr Word kDetailWords[] = {{"ok", static_cast<int>(DetailMode::kOk)},
                                 {"fail", static_cast<int>(DetailMode::kFail)},
                                 {"nosize", static_cast<int>(DetailMode::kNoSize)}};
constexpr Word kHolderWords[] = {{"-", static_cast<int>(Holder::kNone)},
                                 {"shared", static_cast<int>(Holder::kShared)},
                                 {"denywrite", static_cast<int>(Holder::kDenyWrite)},
                                 {"exclusive", static_cast<int>(Holder::kExclusive)}};

// Reads the next space-separated word of [*cursor, end) as one of `words`; *cursor moves
// past it and one space. False when it is none of them.
template <std::size_t kCount, typename Value>
bool NextWord(const char** cursor, const char* end, const Word (&words)[kCount], Value* value) {
  const char* begin = *cursor;
  while (*cursor < end && **cursor != ' ') ++*cursor;
  const char* wordEnd = *cursor;
  if (*cursor < end) ++*cursor;
  for (const Word& word : words) {
    if (Equals(begin, wordEnd, word.text)) {
      *value = static_cast<Value>(word.value);
      return true;
    }
  }
  return false;
}

bool ParseInterface(const char* line, const char* end, FakeInterface& entry) {
  if (!NextWord(&line, end, kEnumerationWords, &entry.enumeration) ||
      !NextWord(&line, end, kDetailWords, &entry.detail) ||
      !NextWord(&line, end, kHolderWords, &entry.holder)) {
    return false;
  }
  const int bytes = static_cast<int>(end - line);
  if (bytes <= 0) return false;
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line, bytes, nullptr, 0);
  if (length <= 0) return false;
  entry.path = static_cast<wchar_t*>(
      HeapAlloc(GetProcessHeap(), 0, (static_cast<SIZE_T>(length) + 1) * sizeof(wchar_t)));
  if (entry.path == nullptr) return false;
  MultiByteToWideChar(CP_UTF8, 0, line, bytes, entry.path, length);
  entry.path[length] = L'\0';
  entry.pathLength = static_cast<DWORD>(length);
  return true;
}

bool ParseTable(const char* text, DWORD size, DeviceTable& table) {
  DWORD lines = 0;
  for (DWORD i = 0; i < size; ++i) lines += text[i] == '\n';
  table.interfaces = static_cast<FakeInterface*>(
      HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (lines + 1) * sizeof(FakeInterface)));
  if (table.interfaces == nullptr) return false;

  const char* const finish = text + size;
  for (const char* line = text; line < finish;) {
    const char* end = line;
    while (end < finish && *end != '\n') ++end;
    const char* next = end < finish ? end + 1 : end;
    if (end > line && end[-1] == '\r') --end;
    if (end == line || *line == '#') {
      // blank or comment
    } else if (Equals(line, end, "set unobtainable")) {
      table.setUnobtainable = true;
    } else if (!ParseInterface(line, end, table.interfaces[table.count++])) {
      return false;
    }
    line = next;
  }
  return true;
}

}  // namespace

bool LoadDeviceTable(DeviceTable& table) {
  table = DeviceTable{};
  wchar_t path[MAX_PATH];
  if (!CaseFile(L"devices.txt", path, MAX_PATH)) return true;
  const HANDLE file =
      CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true;

  bool ok = false;
  const DWORD size = GetFileSize(file, nullptr);
  char* text =
      size < kMaxTableBytes ? static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size)) : nullptr;
  DWORD read = 0;
  if (text != nullptr && ReadFile(file, text, size, &read, nullptr) && read == size) {
    ok = ParseTable(text, size, table);
  }
  CloseHandle(file);
  if (text != nullptr) HeapFree(GetProcessHeap(), 0, text);
  if (!ok) {
    FreeDeviceTable(table);
    LogLine line{};
    LogText(line, "devices.txt not understood");
    WriteLogLine(line);
  }
  return ok;
}

void FreeDeviceTable(DeviceTable& table) {
  for (DWORD i = 0; i < table.count; ++i) {
    if (table.interfaces[i].path != nullptr)
      HeapFree(GetProcessHeap(), 0, table.interfaces[i].path);
  }
  if (table.interfaces != nullptr) HeapFree(GetProcessHeap(), 0, table.interfaces);
  table = DeviceTable{};
}
