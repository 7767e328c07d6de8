#pragma once

#include <cstddef>

#include "discovery/wide_char.h"

// One device-interface path, owned by its node.
struct DevicePathNode {
  DevicePathNode* next;
  WideChar* path;
};

// Owning, insertion-ordered, singly linked list of device paths. It keeps no count: the
// finder's result is the count. Releases every node and path when its owner's scope ends.
struct DevicePathList {
  DevicePathNode* head = nullptr;
  DevicePathNode* tail = nullptr;

  DevicePathList() = default;
  DevicePathList(const DevicePathList&) = delete;
  DevicePathList& operator=(const DevicePathList&) = delete;
  ~DevicePathList();
};

// A node with both fields null, or null when memory is exhausted.
DevicePathNode* CreateDevicePathNode();

// Allocates a NUL-terminated copy of the first `length` characters of `text`; null when
// memory is exhausted.
WideChar* CopyWideString(const WideChar* text, std::size_t length);

// Links `node` (whose next is null) after the current tail. Constant time.
void AppendDevicePathNode(DevicePathList& list, DevicePathNode* node);

// Frees every path and node and leaves the list empty; safe to call again.
void DestroyDevicePathList(DevicePathList& list);
