#pragma once

// The record of what the tool asked the fakes: one ASCII line per platform call, appended to
// calls.log in the case folder so the test can compare it with the calls it expects.

#include <windows.h>

// One line under construction; text beyond its capacity is cut, never overrun.
struct LogLine {
  char text[400];
  unsigned length;
};

void LogText(LogLine& line, const char* text);
void LogDecimal(LogLine& line, unsigned long value);
// "0x" and the value in hex, without leading zeros.
void LogHexValue(LogLine& line, unsigned long value);
void LogGuid(LogLine& line, const GUID& guid);
// " -> ok" or " -> error N", from the call's result and the last error it set.
void LogResult(LogLine& line, bool ok);

// Appends the line and a newline to the log of the case named by USBIO2_FAKE_CASE; nothing
// when no case is named.
void WriteLogLine(const LogLine& line);

// The case folder (USBIO2_FAKE_CASE) joined with `name`; false when no case is named.
bool CaseFile(const wchar_t* name, wchar_t* path, DWORD capacity);
