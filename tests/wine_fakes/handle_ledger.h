#pragma once

// The device handles the tool gave the HID fake, passed to the set-up fake so it can ask,
// at each later step, whether the tool has closed them. The two fakes are separate modules;
// the process environment is the one store both can reach without exporting anything beyond
// the platform's own functions.

#include <windows.h>

// Remembers a handle given to HidD_GetAttributes; false when the ledger is full.
bool RecordGivenHandle(HANDLE handle);

// How many of the handles recorded since the last call are still open (asked of each handle
// itself: Wine's GetProcessHandleCount reports 0); then forgets them all.
unsigned CountStillOpenAndForget();
