// First-occurrence de-duplication.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace inspect {

// The values of `items` in order, each value only at its first occurrence.
// Equality is exact (strings compare byte for byte). The result is `items`
// itself, compacted in place: pass an rvalue to spare the copy.
//
// A request can name a hundred thousand paths, so the set of values seen is
// one flat open-addressing table of indices into the kept prefix of `items`
// rather than a node per value. Each slot keeps the upper bits of its value's
// hash, which spares most comparisons and lets the table grow without
// hashing again.
template <typename T>
std::vector<T> unique(std::vector<T> items) {
  struct Slot {
    uint32_t index = 0;  // 1 + position in the kept prefix; 0 for an empty slot
    uint32_t hash = 0;
  };
  auto mix = [](size_t h) {
    return static_cast<uint32_t>((static_cast<uint64_t>(h) * 0x9E3779B97F4A7C15ull) >> 32);
  };
  std::vector<Slot> slots(16);
  auto place = [&slots](Slot slot) -> Slot& {
    size_t mask = slots.size() - 1;
    size_t i = slot.hash & mask;
    while (slots[i].index != 0) i = (i + 1) & mask;
    return slots[i];
  };

  size_t kept = 0;  // items[0, kept) are the first occurrences so far
  for (size_t k = 0; k < items.size(); ++k) {
    uint32_t hash = mix(std::hash<T>{}(items[k]));
    size_t mask = slots.size() - 1;
    size_t i = hash & mask;
    bool seen = false;
    for (; slots[i].index != 0; i = (i + 1) & mask) {
      if (slots[i].hash == hash && items[slots[i].index - 1] == items[k]) {
        seen = true;
        break;
      }
    }
    if (seen) continue;
    if (kept != k) items[kept] = std::move(items[k]);
    slots[i] = Slot{static_cast<uint32_t>(++kept), hash};
    if (kept * 2 > slots.size()) {
      std::vector<Slot> old(slots.size() * 2);
      old.swap(slots);
      for (const Slot& s : old)
        if (s.index != 0) place(s) = s;
    }
  }
  items.resize(kept);
  return items;
}

}  // namespace inspect
