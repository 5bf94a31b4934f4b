// The desktop's applications and the element index over their trees.
#include "platform/sim/model/desktop.h"

namespace sim {
namespace {

template <typename F>
void each_node(const NodePtr& root, F&& f) {
  if (!root) return;
  std::vector<NodePtr> order{root};
  for (size_t k = 0; k < order.size(); ++k) {
    for (const auto& child : order[k]->children) order.push_back(child);
  }
  for (const auto& n : order) f(n);
}

}  // namespace

Desktop::~Desktop() {
  // Elements handed out earlier outlive the desktop; they answer "invalid".
  for (auto& [id, node] : nodes) node->alive = false;
}

NodePtr Desktop::find(std::string_view id) const {
  if (auto it = nodes.find(id); it != nodes.end()) return it->second;
  if (auto it = retired.find(id); it != retired.end()) return it->second;
  return nullptr;
}

const Application* Desktop::application(int32_t pid) const {
  for (const auto& app : applications) {
    if (app.pid == pid) return &app;
  }
  return nullptr;
}

void Desktop::retire(const NodePtr& root) {
  each_node(root, [this](const NodePtr& n) {
    n->alive = false;
    auto it = nodes.find(n->id);
    if (it != nodes.end() && it->second == n) nodes.erase(it);
    retired[n->id] = n;
  });
}

void Desktop::adopt_tree(const NodePtr& root) {
  each_node(root, [this](const NodePtr& n) {
    nodes[n->id] = n;
    retired.erase(n->id);
  });
}

void Desktop::put_application(Application app) {
  for (auto& old : applications) {
    if (old.pid == app.pid) {
      retire(old.ui);
      adopt_tree(app.ui);
      app.process = old.process;
      old = std::move(app);
      return;
    }
  }
  adopt_tree(app.ui);
  applications.push_back(std::move(app));
}

}  // namespace sim
