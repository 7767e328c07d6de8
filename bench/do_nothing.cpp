// The floor of a run: a CRT-free console program that only exits.

#include <windows.h>

extern "C" [[noreturn]] void DoNothingEntry() { ExitProcess(0); }
