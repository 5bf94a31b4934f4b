#include "annotate/emit.h"

#include "json/line.h"

namespace annotate {

void emit(const json::Value& value) { json::write_line(value); }

}  // namespace annotate
