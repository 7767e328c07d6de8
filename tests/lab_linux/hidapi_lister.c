/* The independent view of the lab's Linux scenarios: what hidapi (its hidraw backend) reports
 * for vendor 0x1352, one tab-separated line per interface:
 *
 *   QUERY PATH VID PID SERIAL BUS INTERFACE OPEN
 *
 * QUERY is the product asked for (0120, 0121, or "any" for the whole vendor); OPEN is "rw"
 * when hid_open_path (which opens for reading and writing) succeeds for the calling user,
 * else "-"; BUS is hidapi's bus type (1 USB, 2 Bluetooth, 3 I2C, 4 SPI, 0 a device on the
 * USB bus type with no USB device behind it). Exits 2 when hidapi cannot start. */
#include <hidapi/hidapi.h>
#include <stdio.h>

static void list(const char* query, unsigned short product) {
  struct hid_device_info* all = hid_enumerate(0x1352, product);
  for (const struct hid_device_info* info = all; info != NULL; info = info->next) {
    hid_device* device = hid_open_path(info->path);
    printf("%s\t%s\t%04x\t%04x\t%ls\t%d\t%d\t%s\n", query, info->path, info->vendor_id,
           info->product_id, info->serial_number != NULL ? info->serial_number : L"-",
           (int)info->bus_type, info->interface_number, device != NULL ? "rw" : "-");
    if (device != NULL) hid_close(device);
  }
  hid_free_enumeration(all);
}

int main(void) {
  if (hid_init() != 0) return 2;
  list("0120", 0x0120);
  list("0121", 0x0121);
  list("any", 0);
  hid_exit();
  return 0;
}
