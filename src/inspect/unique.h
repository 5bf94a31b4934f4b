// First-occurrence de-duplication.
#pragma once

#include <functional>
#include <unordered_set>
#include <vector>

namespace inspect {

// The values of `items` in order, each value only at its first occurrence.
// Equality is exact (strings compare byte for byte).
template <typename T>
std::vector<T> unique(const std::vector<T>& items) {
  // The set refers to the elements of `items` instead of copying them.
  std::unordered_set<std::reference_wrapper<const T>, std::hash<T>, std::equal_to<T>> seen;
  seen.reserve(items.size());
  std::vector<T> result;
  for (const T& item : items)
    if (seen.insert(std::cref(item)).second) result.push_back(item);
  return result;
}

}  // namespace inspect
