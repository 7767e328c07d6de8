// The report's runtime over the C runtime, for the size comparison only: the same core
// linked the usual way, with msvcrt's start-up, locale and text streams.

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "discovery/memory.h"
#include "report/console.h"
#include "report/report_main.h"

void* AllocateMemory(std::size_t bytes) { return std::malloc(bytes); }
void ReleaseMemory(void* block) { std::free(block); }

void SelectUserLocale() { std::setlocale(LC_ALL, ""); }

void WriteText(const WideChar* text, std::size_t length) {
  std::fwprintf(stdout, L"%.*ls", static_cast<int>(length), reinterpret_cast<const wchar_t*>(text));
}

void EndProcess(std::int32_t status) { std::exit(status); }

int wmain(int argc, wchar_t** argv) {
  return UsbIo2ListMain(argc, reinterpret_cast<WideChar**>(argv));
}
