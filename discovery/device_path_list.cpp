#include "discovery/device_path_list.h"

#include "discovery/memory.h"

DevicePathList::~DevicePathList() { DestroyDevicePathList(*this); }

DevicePathNode* CreateDevicePathNode() {
  auto* node = static_cast<DevicePathNode*>(AllocateMemory(sizeof(DevicePathNode)));
  if (node != nullptr) {
    node->next = nullptr;
    node->path = nullptr;
  }
  return node;
}

WideChar* CopyWideString(const WideChar* text, std::size_t length) {
  auto* copy = static_cast<WideChar*>(AllocateMemory((length + 1) * sizeof(WideChar)));
  if (copy != nullptr) {
    for (std::size_t i = 0; i < length; ++i) copy[i] = text[i];
    copy[length] = u'\0';
  }
  return copy;
}

void AppendDevicePathNode(DevicePathList& list, DevicePathNode* node) {
  if (list.tail == nullptr) {
    list.head = node;
  } else {
    list.tail->next = node;
  }
  list.tail = node;
}

void DestroyDevicePathList(DevicePathList& list) {
  DevicePathNode* node = list.head;
  while (node != nullptr) {
    DevicePathNode* next = node->next;
    ReleaseMemory(node->path);
    ReleaseMemory(node);
    node = next;
  }
  list.head = nullptr;
  list.tail = nullptr;
}
