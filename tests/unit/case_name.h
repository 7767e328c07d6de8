#pragma once

#include <cctype>
#include <string>

// Names each case of a parameterised test after its `name` field, with every character
// that is no letter or digit as '_', as test names must be.
struct CaseName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    std::string name = info.param.name;
    for (char& ch : name) {
      if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    return name;
  }
};
