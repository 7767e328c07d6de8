#pragma once

// A fake tree for the hidraw backend: a fresh temporary directory holding `sys/class/hidraw`
// and `dev`, which the test build's HidrawRoot() names while the tree is alive. Without a
// live tree HidrawRoot() names a directory that does not exist.

#include <string>

namespace fake_hidraw_tree {

enum class Node {
  kNone,          // no entry under dev/
  kRegularFile,   // a plain file where the node should be
  kFifo,          // a FIFO (would block a blocking open)
  kDirectory,     // a directory
  kOtherCharDev,  // a symbolic link to /dev/null: a character device that is not hidraw
};

struct Tree {
  std::string root;

  Tree();
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;
  ~Tree();
};

// Adds sys/class/hidraw/NAME, and dev/NAME of the given kind.
void AddEntry(const Tree& tree, const std::string& name, Node node);

// Removes sys/class/hidraw itself, as on a system without the hidraw driver.
void RemoveClassDirectory(const Tree& tree);

// The path the backend reports for dev/NAME of this tree.
std::string NodePath(const Tree& tree, const std::string& name);

}  // namespace fake_hidraw_tree
