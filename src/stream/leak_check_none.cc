// Builds without LeakSanitizer: nothing to check.
#include "stream/leak_check.h"

namespace stream {

void check_leaks() {}

}  // namespace stream
