#include "tests/wine_fakes/call_log.h"

namespace {

// Opened once and kept: a handle opened and closed between the tool's own opens could take
// the value of a device handle the tool just closed and blur the handle checks.
HANDLE gLog = INVALID_HANDLE_VALUE;
bool gLogTried = false;

void LogChar(LogLine& line, char c) {
  if (line.length < sizeof(line.text)) line.text[line.length++] = c;
}

void LogHex(LogLine& line, unsigned long value, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    LogChar(line, "0123456789ABCDEF"[(value >> shift) & 0xF]);
  }
}

}  // namespace

void LogText(LogLine& line, const char* text) {
  while (*text != '\0') LogChar(line, *text++);
}

void LogDecimal(LogLine& line, unsigned long value) {
  char digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) LogChar(line, digits[--count]);
}

void LogHexValue(LogLine& line, unsigned long value) {
  LogText(line, "0x");
  int digits = 1;
  while (digits < 8 && (value >> (digits * 4)) != 0) ++digits;
  LogHex(line, value, digits);
}

void LogGuid(LogLine& line, const GUID& guid) {
  LogChar(line, '{');
  LogHex(line, guid.Data1, 8);
  LogChar(line, '-');
  LogHex(line, guid.Data2, 4);
  LogChar(line, '-');
  LogHex(line, guid.Data3, 4);
  LogChar(line, '-');
  for (int i = 0; i < 8; ++i) {
    if (i == 2) LogChar(line, '-');
    LogHex(line, guid.Data4[i], 2);
  }
  LogChar(line, '}');
}

void LogResult(LogLine& line, bool ok) {
  if (ok) {
    LogText(line, " -> ok");
    return;
  }
  LogText(line, " -> error ");
  LogDecimal(line, GetLastError());
}

bool CaseFile(const wchar_t* name, wchar_t* path, DWORD capacity) {
  const DWORD length = GetEnvironmentVariableW(L"USBIO2_FAKE_CASE", path, capacity);
  if (length == 0 || length >= capacity) return false;
  DWORD at = length;
  if (at + 1 < capacity) path[at++] = L'\\';
  while (*name != L'\0' && at + 1 < capacity) path[at++] = *name++;
  path[at] = L'\0';
  return *name == L'\0';
}

void WriteLogLine(const LogLine& line) {
  // The log must not change what the tool sees as the last error of a platform call.
  const DWORD error = GetLastError();
  if (!gLogTried) {
    gLogTried = true;
    wchar_t path[MAX_PATH];
    if (CaseFile(L"calls.log", path, MAX_PATH)) {
      gLog = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
  }
  if (gLog != INVALID_HANDLE_VALUE) {
    char text[sizeof(line.text) + 1];
    for (unsigned i = 0; i < line.length; ++i) text[i] = line.text[i];
    text[line.length] = '\n';
    DWORD written = 0;
    WriteFile(gLog, text, line.length + 1, &written, nullptr);
  }
  SetLastError(error);
}
