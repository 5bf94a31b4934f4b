// The platform objects of input: events and event sources.
#pragma once

#include <cstdint>

#include "platform/cg_event.h"
#include "platform/sim/model/object.h"

namespace sim {

struct Event : cf::Object {
  Event() : Object(cf::TypeId::Event, "event") {}
  cg::EventType type = 0;  // 0: a null event (CGEventCreate)
  int64_t keycode = 0;     // field 9
  int64_t autorepeat = 0;  // field 8
  int64_t source_pid = 0;  // field 41
  // Events are handed out as const references; their flags stay settable.
  mutable cg::Flags flags = 0;
  cg::Point location;
};

struct EventSource : cf::Object {
  explicit EventSource(cg::SourceState s)
      : Object(cf::TypeId::EventSource, "event_source"), state(s) {}
  const cg::SourceState state;
};

}  // namespace sim
