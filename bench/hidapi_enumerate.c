/* The peer of a Linux run: hidapi (hidraw backend) listing vendor 0x1352, once. */
#include <hidapi/hidapi.h>

int main(void) {
  if (hid_init() != 0) return 2;
  struct hid_device_info* all = hid_enumerate(0x1352, 0);
  int count = 0;
  for (const struct hid_device_info* info = all; info != NULL; info = info->next) ++count;
  hid_free_enumeration(all);
  hid_exit();
  return count;
}
