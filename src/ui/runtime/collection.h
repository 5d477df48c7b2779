#pragma once
// A keyed collection: reference-counted elements under text keys, kept in
// insertion order.
//
// Enumeration is safe against changes made by the loop body: removing the
// element being visited (or any other) lets the loop go on with the next
// element still present, and the removed element stays alive for whoever
// still holds its shared_ptr (the loop variable, typically). Elements added
// during an enumeration go to the end and ARE visited by that enumeration.
//
// Lookup, add and remove cost O(1) on average and an enumeration O(n): a
// removed element leaves a tombstone that later enumerations step over, and
// the tombstones are swept out once they outnumber the live elements and no
// enumeration is running. The collection must not be used from two threads.
//
// Keys are compared exactly (case matters).

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ui/runtime/errors.h"

namespace grinzo::rt {

template <class T>
class KeyedCollection {
  struct Slot {
    // The key as the index holds it: the index's entries stay where they
    // are until erased, and a slot's key is needed only while it is live.
    const std::string* key;
    std::shared_ptr<T> value;  // null once removed
  };

  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const {
      return std::hash<std::string_view>{}(key);
    }
  };

  // Shared with the iterators, so an enumeration that outlives the
  // collection object (the loop body dropped the last other reference)
  // still walks valid memory.
  struct State {
    std::vector<Slot> slots;
    std::unordered_map<std::string, std::size_t, KeyHash, std::equal_to<>> index;
    std::size_t removed = 0;      // tombstones in slots
    std::size_t enumerating = 0;  // live iterators

    void compactIfWorthwhile() {
      if (enumerating != 0 || removed < 32 || removed < slots.size() - removed) return;
      std::vector<Slot> live;
      live.reserve(slots.size() - removed);
      for (Slot& slot : slots)
        if (slot.value) {
          index.find(*slot.key)->second = live.size();
          live.push_back(std::move(slot));
        }
      slots = std::move(live);
      removed = 0;
    }
  };

 public:
  class Sentinel {};

  // Input iterator yielding std::shared_ptr<T> by value: `for (auto e : c)`.
  // The end is a Sentinel, checked against the collection's size at the
  // time of comparison, so elements appended by the loop are reached.
  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = std::shared_ptr<T>;
    using difference_type = std::ptrdiff_t;

    Iterator(const Iterator& other) : Iterator(other.state_, other.pos_) {}
    Iterator& operator=(const Iterator& other) {
      Iterator copy(other);
      std::swap(state_, copy.state_);
      std::swap(pos_, copy.pos_);
      return *this;
    }
    ~Iterator() {
      if (state_ && --state_->enumerating == 0) state_->compactIfWorthwhile();
    }

    // The element at the current position; null if the loop body removed it
    // (the loop variable taken before the removal keeps it alive) or past
    // the end.
    std::shared_ptr<T> operator*() const {
      return pos_ < state_->slots.size() ? state_->slots[pos_].value : nullptr;
    }
    Iterator& operator++() {
      ++pos_;
      skipRemoved();
      return *this;
    }
    // Compares equal to the end when no live element is left at or after the
    // current position (the current element may have been removed since the
    // iterator arrived; operator++ steps past it).
    bool operator==(Sentinel) const {
      for (std::size_t p = pos_; p < state_->slots.size(); ++p)
        if (state_->slots[p].value) return false;
      return true;
    }

   private:
    friend class KeyedCollection;
    Iterator(std::shared_ptr<State> state, std::size_t pos) : state_(std::move(state)), pos_(pos) {
      ++state_->enumerating;
      skipRemoved();
    }
    void skipRemoved() {
      while (pos_ < state_->slots.size() && !state_->slots[pos_].value) ++pos_;
    }

    std::shared_ptr<State> state_;
    std::size_t pos_;
  };

  KeyedCollection() : state_(std::make_shared<State>()) {}
  // Copying would share or split the enumeration bookkeeping; not needed.
  KeyedCollection(const KeyedCollection&) = delete;
  KeyedCollection& operator=(const KeyedCollection&) = delete;

  // Stores `value` under `key` at the end of the order. Raises RuntimeError
  // DuplicateKey when the key is taken and InvalidArgument for a null value.
  void add(std::string key, std::shared_ptr<T> value) {
    if (!value)
      throw RuntimeError(ErrorNumber::InvalidArgument,
                         "Invalid procedure call or argument: no element to add");
    State& s = *state_;
    if (s.index.find(key) != s.index.end())
      throw RuntimeError(
          ErrorNumber::DuplicateKey,
          "This key is already associated with an element of this collection: \"" + key + "\"");
    if (s.index.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
      throw OverflowError("Overflow: the collection is full");
    const auto entry = s.index.emplace(std::move(key), s.slots.size()).first;
    try {
      s.slots.push_back(Slot{&entry->first, std::move(value)});
    } catch (...) {
      s.index.erase(entry);
      throw;
    }
  }

  // Raises RuntimeError KeyNotFound for a key that is not present.
  void remove(std::string_view key) {
    State& s = *state_;
    const auto found = find(key);
    s.slots[found->second].value.reset();
    s.slots[found->second].key = nullptr;
    s.index.erase(found);
    ++s.removed;
    s.compactIfWorthwhile();
  }

  // Raises RuntimeError KeyNotFound for a key that is not present.
  std::shared_ptr<T> item(std::string_view key) const {
    return state_->slots[find(key)->second].value;
  }

  bool contains(std::string_view key) const {
    return state_->index.find(key) != state_->index.end();
  }

  std::int32_t count() const { return static_cast<std::int32_t>(state_->index.size()); }

  // Removes every element (each stays alive for its other holders).
  void clear() {
    State& s = *state_;
    for (Slot& slot : s.slots) {
      if (slot.value) ++s.removed;
      slot.value.reset();
      slot.key = nullptr;
    }
    s.index.clear();
    if (s.enumerating == 0) {
      s.slots.clear();
      s.removed = 0;
    }
  }

  // Calls f(T&) for every element in order, without taking a reference to
  // each: the loops that run over every face in every frame. `f` must not
  // add or remove elements.
  template <class F>
  void forEachValue(F&& f) const {
    for (const Slot& slot : state_->slots) {
      if (slot.value) f(*slot.value);
    }
  }

  Iterator begin() const { return Iterator(state_, 0); }
  Sentinel end() const { return {}; }

 private:
  auto find(std::string_view key) const {
    const auto found = state_->index.find(key);
    if (found == state_->index.end())
      throw RuntimeError(ErrorNumber::KeyNotFound,
                         "Invalid procedure call or argument: no element with the key \"" +
                             std::string(key) + "\"");
    return found;
  }

  std::shared_ptr<State> state_;
};

}  // namespace grinzo::rt
