// The keyed collection and its safe enumeration.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/runtime/collection.h"

namespace rt = grinzo::rt;

namespace {
using Collection = rt::KeyedCollection<int>;

void add(Collection& c, int value) { c.add(std::to_string(value), std::make_shared<int>(value)); }
std::vector<int> values(const Collection& c) {
  std::vector<int> out;
  for (auto e : c) out.push_back(*e);
  return out;
}
rt::ErrorNumber errorOf(auto&& step) {
  try {
    step();
  } catch (const rt::RuntimeError& e) {
    return e.number();
  }
  return rt::ErrorNumber::Overflow;
}
}  // namespace

TEST(KeyedCollection, KeysAndErrors) {
  Collection c;
  EXPECT_TRUE(values(c).empty());
  for (int i = 1; i <= 3; ++i) add(c, i);
  EXPECT_EQ(*c.item("2"), 2);
  EXPECT_EQ(errorOf([&] { add(c, 2); }), rt::ErrorNumber::DuplicateKey);
  EXPECT_EQ(errorOf([&] { c.remove("7"); }), rt::ErrorNumber::KeyNotFound);
  EXPECT_THROW(c.add("x", nullptr), rt::RuntimeError);
  c.remove("2");
  EXPECT_EQ(errorOf([&] { c.item("2"); }), rt::ErrorNumber::KeyNotFound);
  c.add("2", std::make_shared<int>(20));  // a freed key may be used again, at the end
  EXPECT_EQ(values(c), (std::vector<int>{1, 3, 20}));
}

TEST(KeyedCollection, ChangesDuringEnumeration) {
  Collection c;
  for (int i = 1; i <= 6; ++i) add(c, i);
  std::vector<int> seen;
  for (auto e : c) {
    seen.push_back(*e);
    c.remove(std::to_string(*e));  // the one being visited
    if (*e == 2) c.remove("4");    // one further on
    if (*e == 6) add(c, 7);        // appended: visited too
    EXPECT_EQ(*e, seen.back());    // still usable through the loop variable
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 5, 6, 7}));
  EXPECT_EQ(c.count(), 0);

  for (int i = 1; i <= 3; ++i) add(c, i);
  for (auto e : c) c.clear();  // ends the loop, later additions start afresh
  add(c, 9);
  EXPECT_EQ(values(c), (std::vector<int>{9}));
}

TEST(KeyedCollection, ManyRemovalsKeepOrderAndLookups) {
  // Thousands of add/remove rounds, as a long game does: tombstones are
  // swept without disturbing order, keys or a running enumeration.
  Collection c;
  int next = 1;
  for (; next <= 1000; ++next) add(c, next);
  for (; next <= 21000; ++next) {
    c.remove(std::to_string(next - 1000));
    add(c, next);
  }
  EXPECT_EQ(c.count(), 1000);
  EXPECT_EQ(*c.item("20500"), 20500);
  int expected = next - 1000;
  for (auto e : c) {
    ASSERT_EQ(*e, expected++);
    c.remove(std::to_string(*e));
  }
  EXPECT_EQ(c.count(), 0);
}
