// LeakSanitizer is linked in (AddressSanitizer builds).
#include <sanitizer/lsan_interface.h>

#include "stream/leak_check.h"

namespace stream {

void check_leaks() { __lsan_do_leak_check(); }

}  // namespace stream
