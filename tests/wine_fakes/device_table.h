#pragma once

// The simulated machine: the HID interfaces the set-up fake enumerates, read from
// devices.txt in the case folder. One line per interface, in enumeration order:
//
//   <enumeration> <detail> <holder> <path>
//
//   enumeration  ok | fail       fail: enumerating this index fails (not no-more-items)
//   detail       ok | fail | nosize
//                                fail: the size query answers, the fetch fails;
//                                nosize: the size query reports no size
//   holder       - | shared | denywrite | exclusive
//                                another owner keeps the device open from the moment the set
//                                is made until it is destroyed: read-write sharing both, a
//                                reader that shares reading only, or read-write sharing nothing
//   path         the device path, UTF-8, to the end of the line
//
// A line "set unobtainable" makes the set itself fail; "#" starts a comment line. The
// identity lives in the device file itself (see the HID fake), not here.

#include <windows.h>

enum class EnumerationMode { kOk, kFail };
enum class DetailMode { kOk, kFail, kNoSize };
enum class Holder { kNone, kShared, kDenyWrite, kExclusive };

struct FakeInterface {
  EnumerationMode enumeration;
  DetailMode detail;
  Holder holder;
  wchar_t* path;      // NUL-terminated, on the process heap
  DWORD pathLength;   // characters, without the NUL
  HANDLE heldHandle;  // the holder's handle while the set lives
};

struct DeviceTable {
  bool setUnobtainable;
  DWORD count;
  FakeInterface* interfaces;  // on the process heap
};

// Reads the case's table; an absent case or file is a machine with no HID interfaces. False
// (and a line in the log) when the file cannot be understood.
bool LoadDeviceTable(DeviceTable& table);
void FreeDeviceTable(DeviceTable& table);
