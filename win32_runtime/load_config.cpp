// The image's load configuration, for one field: DependentLoadFlags. Windows 10 and later
// resolve the exe's own imports with these flags, so hid.dll and SETUPAPI.dll (which are not
// KnownDLLs) come only from the system folder, never from a copy planted beside the exe.
// Older systems read only the fields they know and still run the exe.
//
// The loader finds the structure through the load-config data directory; the build points
// that at `_load_config_used` after the link (tools/pe_set_load_config.py), since GNU ld of
// this toolchain leaves it empty.

#include <windows.h>

#include <cstddef>
#include <cstdint>

// IMAGE_LOAD_CONFIG_DIRECTORY32 up to and including SecurityCookie: 64 bytes, the size that
// Windows XP requires of an x86 load configuration and later systems accept. The code has no
// stack cookie and no exception handlers (the image is marked NO_SEH), so the fields after it
// are not needed.
struct LoadConfig32 {
  std::uint32_t size = 0;
  std::uint32_t timeDateStamp = 0;
  std::uint16_t majorVersion = 0;
  std::uint16_t minorVersion = 0;
  std::uint32_t globalFlagsClear = 0;
  std::uint32_t globalFlagsSet = 0;
  std::uint32_t criticalSectionDefaultTimeout = 0;
  std::uint32_t deCommitFreeBlockThreshold = 0;
  std::uint32_t deCommitTotalFreeThreshold = 0;
  std::uint32_t lockPrefixTable = 0;
  std::uint32_t maximumAllocationSize = 0;
  std::uint32_t virtualMemoryThreshold = 0;
  std::uint32_t processHeapFlags = 0;
  std::uint32_t processAffinityMask = 0;
  std::uint16_t csdVersion = 0;
  std::uint16_t dependentLoadFlags = 0;
  std::uint32_t editList = 0;
  std::uint32_t securityCookie = 0;
};

// mingw-w64's headers still call DependentLoadFlags Reserved1.
static_assert(sizeof(LoadConfig32) == 64);
static_assert(sizeof(LoadConfig32) == offsetof(IMAGE_LOAD_CONFIG_DIRECTORY32, SEHandlerTable));
static_assert(offsetof(LoadConfig32, dependentLoadFlags) ==
              offsetof(IMAGE_LOAD_CONFIG_DIRECTORY32, Reserved1));
static_assert(offsetof(LoadConfig32, securityCookie) ==
              offsetof(IMAGE_LOAD_CONFIG_DIRECTORY32, SecurityCookie));

// The name is the platform's: the linker and the post-link step look it up.
extern "C" const LoadConfig32 _load_config_used = {
    .size = sizeof(LoadConfig32),
    .dependentLoadFlags = LOAD_LIBRARY_SEARCH_SYSTEM32,
};
