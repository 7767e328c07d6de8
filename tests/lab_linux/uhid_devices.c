/* Virtual HID devices for the lab guest, made through the kernel's uhid driver: real hidraw
 * nodes on a bus of our choosing, with no USB device behind them.
 *
 *   uhid_devices [-|+]BUS:VID:PID...      (hex)
 *
 * The devices are created in argument order, each waited for until its hidraw node exists,
 * so the kernel numbers the nodes in that order (the lowest free number first). Those marked
 * "-" are destroyed once the unmarked ones exist, and those marked "+" are created after
 * that, into the numbers freed. One line per device created, "NODE BUS:VID:PID", and per
 * device destroyed, "gone NODE"; then "ready", and the devices are kept until the process is
 * killed. Exits 1 on any failure. */
#include <dirent.h>
#include <fcntl.h>
#include <linux/uhid.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

/* The lab boards' vendor-defined collection: one 64-byte input and one 64-byte output report. */
static const unsigned char kReportDescriptor[] = {
    0x06, 0x00, 0xff, 0x09, 0x01, 0xa1, 0x01, 0x15, 0x00, 0x26, 0xff, 0x00, 0x75,
    0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xc0};

/* Bit N set when hidrawN exists (the kernel makes at most HIDRAW_MAX_DEVICES, 64). */
static unsigned long long present_nodes(void) {
  unsigned long long present = 0;
  DIR* directory = opendir("/sys/class/hidraw");
  if (directory == NULL) return 0;
  for (struct dirent* entry; (entry = readdir(directory)) != NULL;) {
    unsigned number;
    if (sscanf(entry->d_name, "hidraw%u", &number) == 1 && number < 64) present |= 1ULL << number;
  }
  closedir(directory);
  return present;
}

static int count_nodes(void) { return __builtin_popcountll(present_nodes()); }

/* The one node present in `after` but not in `before`. */
static int new_node(unsigned long long before, unsigned long long after) {
  const unsigned long long added = after & ~before;
  return added != 0 && (added & (added - 1)) == 0 ? __builtin_ctzll(added) : -1;
}

static void wait_for_nodes(int wanted) {
  const struct timespec tenth = {0, 100000000};
  for (int tries = 0; count_nodes() != wanted; ++tries) {
    if (tries == 200) {
      fprintf(stderr, "uhid_devices: %d hidraw node(s) expected, %d present\n", wanted,
              count_nodes());
      exit(1);
    }
    nanosleep(&tenth, NULL);
  }
}

static int create(unsigned bus, unsigned vendor, unsigned product, int index) {
  const int fd = open("/dev/uhid", O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    perror("uhid_devices: /dev/uhid");
    exit(1);
  }
  struct uhid_event event;
  memset(&event, 0, sizeof(event));
  event.type = UHID_CREATE2;
  snprintf((char*)event.u.create2.name, sizeof(event.u.create2.name), "lab uhid %d", index);
  event.u.create2.rd_size = sizeof(kReportDescriptor);
  event.u.create2.bus = (unsigned short)bus;
  event.u.create2.vendor = vendor;
  event.u.create2.product = product;
  event.u.create2.version = 0x0100;
  memcpy(event.u.create2.rd_data, kReportDescriptor, sizeof(kReportDescriptor));
  if (write(fd, &event, sizeof(event)) != (ssize_t)sizeof(event)) {
    perror("uhid_devices: create");
    exit(1);
  }
  return fd;
}

static int* fds;
static int* nodes;

static void make(char** argv, int i) {
  const char* identity = argv[i][0] == '-' || argv[i][0] == '+' ? argv[i] + 1 : argv[i];
  unsigned bus, vendor, product;
  if (sscanf(identity, "%x:%x:%x", &bus, &vendor, &product) != 3) {
    fprintf(stderr, "uhid_devices: bad device '%s'\n", argv[i]);
    exit(1);
  }
  const unsigned long long before = present_nodes();
  fds[i] = create(bus, vendor, product, i);
  wait_for_nodes(__builtin_popcountll(before) + 1);
  nodes[i] = new_node(before, present_nodes());
  if (nodes[i] < 0) {
    fprintf(stderr, "uhid_devices: no single new node for '%s'\n", argv[i]);
    exit(1);
  }
  printf("hidraw%d %s\n", nodes[i], identity);
}

int main(int argc, char** argv) {
  fds = calloc((size_t)argc, sizeof(int));
  nodes = calloc((size_t)argc, sizeof(int));
  if (fds == NULL || nodes == NULL) return 1;
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] != '+') make(argv, i);
  }
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] != '-') continue;
    const int before = count_nodes();
    close(fds[i]); /* the last reference: the device goes */
    wait_for_nodes(before - 1);
    printf("gone hidraw%d\n", nodes[i]);
  }
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '+') make(argv, i);
  }
  printf("ready\n");
  fflush(stdout);
  for (;;) pause();
}
