#include "tests/wine_fakes/handle_ledger.h"

namespace {

const wchar_t kLedger[] = L"USBIO2_FAKE_GIVEN_HANDLES";
// Between two checks the tool gives one handle; room for many more, in hex and spaced.
constexpr DWORD kCapacity = 512;

}  // namespace

bool RecordGivenHandle(HANDLE handle) {
  wchar_t text[kCapacity];
  DWORD length = GetEnvironmentVariableW(kLedger, text, kCapacity);
  if (length >= kCapacity) return false;
  const auto value = reinterpret_cast<ULONG_PTR>(handle);
  if (length + 2 + 2 * sizeof(value) >= kCapacity) return false;
  text[length++] = L' ';
  bool leading = true;
  for (int shift = 8 * sizeof(value) - 4; shift >= 0; shift -= 4) {
    const unsigned digit = (value >> shift) & 0xF;
    if (leading && digit == 0 && shift != 0) continue;
    leading = false;
    text[length++] = L"0123456789abcdef"[digit];
  }
  text[length] = L'\0';
  return SetEnvironmentVariableW(kLedger, text) != FALSE;
}

unsigned CountStillOpenAndForget() {
  const DWORD error = GetLastError();
  wchar_t text[kCapacity];
  const DWORD length = GetEnvironmentVariableW(kLedger, text, kCapacity);
  unsigned open = 0;
  DWORD at = 0;
  while (at < length && length < kCapacity) {
    while (at < length && text[at] == L' ') ++at;
    if (at == length) break;
    ULONG_PTR value = 0;
    for (; at < length && text[at] != L' '; ++at) {
      const wchar_t c = text[at];
      value = value * 16 + (c <= L'9' ? c - L'0' : c - L'a' + 10);
    }
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
  }
  SetEnvironmentVariableW(kLedger, nullptr);
  SetLastError(error);
  return open;
}
