#include "sim/board.h"

#include <algorithm>
#include <iterator>

namespace velk::sim {

void Board::Reset() {
  std::fill(std::begin(latch_), std::end(latch_), 0);
}

}  // namespace velk::sim
