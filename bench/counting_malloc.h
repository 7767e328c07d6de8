#pragma once

#include <cstddef>

namespace counting_malloc {

struct Live {
  std::size_t blocks = 0;
  std::size_t bytes = 0;
};

Live Current();

}  // namespace counting_malloc
