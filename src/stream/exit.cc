#include "stream/exit.h"

#include <cstdlib>

#include "stream/leak_check.h"

namespace stream {

void exit_now(uint8_t status) {
  check_leaks();
  std::_Exit(status);
}

}  // namespace stream
