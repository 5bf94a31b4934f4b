#include "annotate/last_pointer.h"

namespace annotate {

// Lives through the process's exit: detached threads hold it to the end.
LastPointer& LAST_POINTER = *new LastPointer;

}  // namespace annotate
