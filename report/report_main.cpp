#include "report/report_main.h"

#include "discovery/device_finder.h"
#include "discovery/device_path_list.h"
#include "report/console.h"
#include "report/console_text.h"

std::int32_t UsbIo2ListMain(int /*argc*/, WideChar** /*argv*/) {
  DevicePathList list;
  // Before any output, so the messages are encoded for the user's locale.
  SelectUserLocale();

  const std::int32_t count = FindTargetDevices(list);
  if (count == kFinderOutOfMemory) {
    // Nothing has been printed yet; a partial report would mislead, so end without one.
    DestroyDevicePathList(list);
    EndProcess(kOutOfMemoryStatus);
  }
  if (count == 0) {
    PrintLine(u"USB-IO2が見つかりません");
    EndProcess(1);
  }

  PrintFormatted(u"USB-IO2の接続数 %i個\n", count);
  for (const DevicePathNode* node = list.head; node != nullptr; node = node->next) {
    PrintLine(node->path);
  }
  DestroyDevicePathList(list);
  return count;
}
