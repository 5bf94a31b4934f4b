// The on-screen window list, as the desktop describes it. The options are
// not applied: the desktop's list is taken to be what they select. Each
// request is logged with its options, so that tests can check them.
#include "platform/sim/api/fault.h"
#include "platform/cg_window.h"

#include "platform/sim/model/log.h"
#include "platform/sim/model/element.h"
#include "platform/sim/model/state.h"
#include "platform/sim/model/values.h"
#include "platform/sim/sim.h"

namespace cg {

cf::Ref window_list_copy_window_info(uint32_t options, uint32_t relative_to) {
  sim::Call call("CGWindowListCopyWindowInfo");
  if (call.fails()) return {};
  // Only into a log the event side has opened: the data side never starts
  // it (nor its control thread). Before the desktop is taken: logging needs
  // the desktop's lock too.
  if (sim::log_active()) sim::log_effect({{"effect", "window_list"},
                   {"options", options},
                   {"relative_to", relative_to}});
  return sim::with_desktop([](const sim::Desktop& d) -> cf::Ref {
    if (!d.windows) return cf::Ref();
    auto element = [&d](const std::string& id) {
      return sim::make_element(d, id);
    };
    std::vector<cf::Ref> items;
    items.reserve(d.windows->size());
    for (const auto& w : *d.windows) {
      items.push_back(sim::materialize(*w, element));
    }
    return sim::make_array(std::move(items));
  });
}

bool rect_make_with_dictionary_representation(cf::TypeRef dictionary,
                                              ax::Rect* rect) {
  sim::Call call("CGRectMakeWithDictionaryRepresentation");
  if (call.fails()) return false;
  if (!sim::as<sim::Dictionary>(dictionary)) return false;
  double v[4];
  const char* keys[4] = {"X", "Y", "Width", "Height"};
  for (int k = 0; k < 4; ++k) {
    cf::TypeRef n = cf::dictionary_get(dictionary, keys[k]);
    if (cf::get_type_id(n) != cf::TypeId::Number) return false;
    cf::number_get_f64(n, &v[k]);
  }
  *rect = {v[0], v[1], v[2], v[3]};
  return true;
}

}  // namespace cg
