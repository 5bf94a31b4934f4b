// Accessibility element objects and the process-wide messaging timeout.
#include "platform/sim/model/element.h"

namespace sim {
namespace {

constexpr float kDefaultTimeout = 6.0f;  // the platform's own default

std::atomic<float> MESSAGING_TIMEOUT{kDefaultTimeout};

}  // namespace

cf::Ref element_ref(const NodePtr& node) { return adopt_new(new Element(node)); }

cf::Ref make_element(const Desktop& desktop, const std::string& id) {
  NodePtr node = desktop.find(id);
  if (!node) {
    node = std::make_shared<Node>();
    node->id = id;
    node->alive = false;
  }
  return element_ref(node);
}

float messaging_timeout() { return MESSAGING_TIMEOUT.load(); }

void set_messaging_timeout(float seconds) {
  MESSAGING_TIMEOUT.store(seconds > 0 ? seconds : kDefaultTimeout);
}

void reset_messaging_timeout() { MESSAGING_TIMEOUT.store(kDefaultTimeout); }

}  // namespace sim
