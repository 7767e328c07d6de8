#include "tests/linux/fake_hidraw_tree.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "linux_platform/hidraw_root.h"

namespace fake_hidraw_tree {
namespace {

std::string& CurrentRoot() {
  static std::string root = "/nonexistent/usbio2-list-test-root";
  return root;
}

std::string ClassDirectory(const Tree& tree) { return tree.root + "/sys/class/hidraw"; }

}  // namespace

Tree::Tree() {
  std::string pattern = std::filesystem::temp_directory_path() / "usbio2-hidraw.XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  root = pattern;
  std::filesystem::create_directories(ClassDirectory(*this));
  std::filesystem::create_directories(root + "/dev");
  CurrentRoot() = root;
}

Tree::~Tree() {
  CurrentRoot() = "/nonexistent/usbio2-list-test-root";
  std::filesystem::remove_all(root);
}

void AddEntry(const Tree& tree, const std::string& name, Node node) {
  // sysfs holds a directory per node; the backend looks only at the names.
  std::filesystem::create_directory(ClassDirectory(tree) + "/" + name);
  const std::string path = tree.root + "/dev/" + name;
  switch (node) {
    case Node::kNone:
      break;
    case Node::kRegularFile:
      std::ofstream(path) << "not a device";
      break;
    case Node::kFifo:
      if (mkfifo(path.c_str(), 0666) != 0) std::abort();
      break;
    case Node::kDirectory:
      std::filesystem::create_directory(path);
      break;
    case Node::kOtherCharDev:
      std::filesystem::create_symlink("/dev/null", path);
      break;
  }
}

void RemoveClassDirectory(const Tree& tree) { std::filesystem::remove_all(ClassDirectory(tree)); }

std::string NodePath(const Tree& tree, const std::string& name) {
  return tree.root + "/dev/" + name;
}

}  // namespace fake_hidraw_tree

const char* HidrawRoot() { return fake_hidraw_tree::CurrentRoot().c_str(); }
