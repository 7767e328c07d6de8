// The finder's platform operations over the kernel's hidraw interface. The interface set is
// a snapshot of the hidraw nodes that sysfs lists, in the kernel's numeric order; an
// interface's detail is its node's path under /dev; the attributes are the node's raw HID
// device information (HIDIOCGRAWINFO). Only sysfs, the device node and the documented
// hidraw ioctl are used.

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "discovery/hid_platform.h"
#include "discovery/memory.h"
#include "linux_platform/hidraw_root.h"

namespace hid_platform {
namespace {

// GUID_DEVINTERFACE_HID: the one class this backend can list.
constexpr ClassGuid kHidGuid = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr std::uint32_t kPresentDeviceInterfaces = 0x12;  // DIGCF_PRESENT | DIGCF_DEVICEINTERFACE
constexpr std::uint32_t kInterfaceActive = 1;             // SPINT_ACTIVE
constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kOpenExisting = 3;

constexpr char kClassDirectory[] = "/sys/class/hidraw";
constexpr char kNodeDirectory[] = "/dev/";
constexpr char kNodePrefix[] = "hidraw";
constexpr std::size_t kPrefixLength = sizeof(kNodePrefix) - 1;
constexpr std::size_t kMaxDigits = 10;  // of a 32-bit node number

// The snapshot: node numbers in ascending order, which is the order in which the kernel
// numbers its hidraw minors.
struct NodeSet {
  std::size_t count;
  std::uint32_t* numbers;
};

bool IsHidGuid(const ClassGuid& guid) { return std::memcmp(&guid, &kHidGuid, sizeof(guid)) == 0; }

// Memory exhaustion has no way back through these operations: a null set would read as "no
// device" and a skipped interface as a smaller count. The Linux build ends the process
// abnormally instead, as its runtime does for the finder's own exhaustion; the caller has
// printed nothing and holds no more than an empty list at that point.
[[noreturn]] void EndOnExhaustion() { std::abort(); }

// The node number of a directory entry named "hidrawN" as the kernel names them (decimal,
// no sign, no leading zero); false for every other name.
bool ParseNodeName(const char* name, std::uint32_t* number) {
  if (std::strncmp(name, kNodePrefix, kPrefixLength) != 0) return false;
  const char* digits = name + kPrefixLength;
  const std::size_t length = std::strlen(digits);
  if (length == 0 || length > kMaxDigits || (digits[0] == '0' && length > 1)) return false;
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (digits[i] < '0' || digits[i] > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(digits[i] - '0');
  }
  if (value > UINT32_MAX) return false;
  *number = static_cast<std::uint32_t>(value);
  return true;
}

// Joins the root and `tail` into `buffer`; false when the result would not fit.
bool JoinRoot(const char* tail, char* buffer, std::size_t size) {
  const int length = std::snprintf(buffer, size, "%s%s", HidrawRoot(), tail);
  return length >= 0 && static_cast<std::size_t>(length) < size;
}

// Appends `number` to the growing array, doubling it when full.
void AppendNumber(NodeSet& set, std::size_t& capacity, std::uint32_t number) {
  if (set.count == capacity) {
    const std::size_t grown = capacity == 0 ? 16 : capacity * 2;
    auto* numbers = static_cast<std::uint32_t*>(AllocateMemory(grown * sizeof(std::uint32_t)));
    if (numbers == nullptr) EndOnExhaustion();
    if (set.count > 0) std::memcpy(numbers, set.numbers, set.count * sizeof(std::uint32_t));
    ReleaseMemory(set.numbers);
    set.numbers = numbers;
    capacity = grown;
  }
  set.numbers[set.count++] = number;
}

// The node's path, "<root>/dev/hidrawN", written into `out` (PATH_MAX bytes); its length, or
// 0 when it would not fit.
std::size_t NodePath(std::uint32_t number, char* out) {
  const int length = std::snprintf(out, PATH_MAX, "%s%s%s%" PRIu32, HidrawRoot(), kNodeDirectory,
                                   kNodePrefix, number);
  return length > 0 && length < PATH_MAX ? static_cast<std::size_t>(length) : 0;
}

bool IsAscii(const char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (static_cast<unsigned char>(text[i]) > 0x7F) return false;
  }
  return true;
}

}  // namespace

void GetHidClassGuid(ClassGuid* guid) { *guid = kHidGuid; }

InterfaceSet GetClassInterfaceSet(const ClassGuid& guid, std::uint32_t flags) {
  // The kernel lists only devices that are present, so no other selection can be honoured.
  if (!IsHidGuid(guid) || flags != kPresentDeviceInterfaces) return nullptr;

  char directory[PATH_MAX];
  if (!JoinRoot(kClassDirectory, directory, sizeof(directory))) return nullptr;
  DIR* stream = opendir(directory);
  if (stream == nullptr) {
    if (errno == ENOMEM) EndOnExhaustion();
    // No hidraw class (the driver is not loaded) or no access: nothing can be listed.
    return nullptr;
  }

  NodeSet nodes{0, nullptr};
  std::size_t capacity = 0;
  bool failed = false;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(stream);
    if (entry == nullptr) {
      failed = errno != 0;
      break;
    }
    std::uint32_t number = 0;
    if (ParseNodeName(entry->d_name, &number)) AppendNumber(nodes, capacity, number);
  }
  closedir(stream);
  // sysfs returns its entries in no particular order.
  std::sort(nodes.numbers, nodes.numbers + nodes.count);

  auto* set = failed ? nullptr : static_cast<NodeSet*>(AllocateMemory(sizeof(NodeSet)));
  if (set == nullptr) {
    ReleaseMemory(nodes.numbers);
    if (failed) return nullptr;
    EndOnExhaustion();
  }
  *set = nodes;
  return set;
}

bool EnumerateInterface(InterfaceSet set, const ClassGuid& guid, std::uint32_t memberIndex,
                        InterfaceRecord* record) {
  const auto* nodes = static_cast<const NodeSet*>(set);
  if (nodes == nullptr || record == nullptr || !IsHidGuid(guid)) return false;
  if (memberIndex >= nodes->count) return false;  // no more items
  record->interfaceClassGuid = guid;
  record->flags = kInterfaceActive;
  record->reserved = memberIndex;
  return true;
}

bool GetInterfaceDetail(InterfaceSet set, InterfaceRecord* record, void* detail,
                        std::uint32_t detailSize, std::uint32_t* requiredSize) {
  const auto* nodes = static_cast<const NodeSet*>(set);
  if (nodes == nullptr || record == nullptr || record->reserved >= nodes->count) return false;

  char path[PATH_MAX];
  const std::size_t length = NodePath(nodes->numbers[record->reserved], path);
  // The path is handed on as UTF-16; every byte of the kernel's part is ASCII, and a root
  // that is not could not be converted without knowing its encoding.
  if (length == 0 || !IsAscii(path, length)) return false;

  const auto needed =
      static_cast<std::uint32_t>(kDetailPathOffset + (length + 1) * sizeof(WideChar));
  if (requiredSize != nullptr) *requiredSize = needed;
  if (detail == nullptr || detailSize < needed) return false;  // the buffer is too small

  std::uint32_t recordSize = 0;
  std::memcpy(&recordSize, detail, sizeof(recordSize));
  if (recordSize != kDetailFixedSize) return false;  // not the record the caller means

  auto* out = static_cast<unsigned char*>(detail) + kDetailPathOffset;
  for (std::size_t i = 0; i <= length; ++i) {
    const auto c = static_cast<WideChar>(static_cast<unsigned char>(path[i]));
    std::memcpy(out + i * sizeof(WideChar), &c, sizeof(c));
  }
  return true;
}

DeviceHandle OpenDevice(const WideChar* path, std::uint32_t access, std::uint32_t /*shareMode*/,
                        std::uint32_t disposition, std::uint32_t flagsAndAttributes) {
  // Linux has no share modes: a hidraw node may be open many times at once, which is what
  // sharing for reading and writing asks for.
  int mode = 0;
  if (access == (kGenericRead | kGenericWrite)) {
    mode = O_RDWR;
  } else if (access == kGenericRead) {
    mode = O_RDONLY;
  } else if (access == kGenericWrite) {
    mode = O_WRONLY;
  } else {
    return kInvalidDevice;
  }
  if (disposition != kOpenExisting || flagsAndAttributes != 0) return kInvalidDevice;

  char bytes[PATH_MAX];
  std::size_t length = 0;
  for (; path[length] != u'\0'; ++length) {
    if (length + 1 >= sizeof(bytes) || path[length] > 0x7F) return kInvalidDevice;
    bytes[length] = static_cast<char>(path[length]);
  }
  bytes[length] = '\0';

  // Non-blocking, so that whatever sits at the path (a FIFO in a damaged /dev) cannot stall
  // the walk; the handle is used for one ioctl, which the flag does not affect.
  int fd;
  do {
    fd = open(bytes, mode | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return kInvalidDevice;

  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) {
    close(fd);
    return kInvalidDevice;
  }
  return fd;
}

bool GetHidAttributes(DeviceHandle device, HidAttributesRecord* attributes) {
  hidraw_devinfo info{};
  if (attributes == nullptr || ioctl(static_cast<int>(device), HIDIOCGRAWINFO, &info) != 0) {
    return false;
  }
  // Vendor and product are USB IDs only on USB; on Bluetooth, I2C or a virtual bus the same
  // fields hold IDs of other namespaces, where 0x1352 names some other maker.
  if (info.bustype != BUS_USB) return false;
  attributes->vendorId = static_cast<std::uint16_t>(info.vendor);
  attributes->productId = static_cast<std::uint16_t>(info.product);
  attributes->versionNumber = 0;  // hidraw does not report the release number
  return true;
}

bool CloseDevice(DeviceHandle device) { return close(static_cast<int>(device)) == 0; }

bool DestroyInterfaceSet(InterfaceSet set) {
  auto* nodes = static_cast<NodeSet*>(set);
  if (nodes == nullptr) return false;
  ReleaseMemory(nodes->numbers);
  ReleaseMemory(nodes);
  return true;
}

}  // namespace hid_platform
