#pragma once

// The directory under which the hidraw backend looks up `sys/class/hidraw` and `dev/`. The
// tool links the definition that names the system's own root (an empty prefix); the host
// tests link one that names a fake tree of their own. Nothing read at run time changes it.
const char* HidrawRoot();
