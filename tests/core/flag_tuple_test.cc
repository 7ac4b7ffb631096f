// The flag store: hand-worked verdicts, agreement with a brute-force
// sublattice closure, and where the filling puts which draws.
#include "core/flag_tuple.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "core/parameters.h"
#include "runtime/random_source.h"

namespace core::flags {
namespace {

using Tuple = std::vector<std::vector<int>>;  // components, elements from 1

// Clears the store and loads `tuple` over {1..n}.
void load(int n, const Tuple& tuple) {
  std::memset(store, 0, sizeof store);
  parameters = {.n = n, .k = static_cast<int>(tuple.size())};
  for (std::size_t r = 0; r < tuple.size(); ++r) {
    for (int x : tuple[r]) store[r][x - 1] = 1;
  }
}

// 22 components over {1..2000}: bit b of e - 1 puts e in component 2b + 1
// when set, 2b when clear, so every element is separated.  `spoil` takes
// 2000 out of component 21, leaving it unseparated from 976 only.
Tuple coded_2000(bool spoil) {
  Tuple tuple(22);
  for (int x = 0; x < 2000; ++x) {
    for (int b = 0; b < 11; ++b) tuple[2 * b + (x >> b & 1)].push_back(x + 1);
  }
  if (spoil) tuple[21].pop_back();
  return tuple;
}

TEST(FlagGenerationTest, AnswersHandWorkedTuples) {
  Tuple singletons_120;
  for (int x = 1; x <= 120; ++x) singletons_120.push_back({x});
  const std::tuple<const char*, int, Tuple, bool> rows[] = {
      {"singletons", 3, {{1}, {2}, {3}}, true},
      {"n = 2, singletons", 2, {{1}, {2}}, true},
      {"one singleton emptied", 3, {{1}, {}, {3}}, false},
      {"1, 2 together", 3, {{1, 2}, {1, 2}, {3}}, false},
      {"pairs, parted by meets", 3, {{1, 2}, {2, 3}, {1, 3}}, true},
      {"singletons and the full set", 3, {{1}, {2}, {3}, {1, 2, 3}}, true},
      {"last element in no component", 3, {{1}, {2}, {1, 2}}, false},
      {"last element with 2 only", 3, {{1}, {2}, {2, 3}}, false},
      {"a chain", 3, {{1}, {1, 2}, {1, 2, 3}}, false},
      {"k = 1, the full set", 3, {{1, 2, 3}}, false},
      {"120 singletons", 120, singletons_120, true},
      {"n = 2000, all separated", 2000, coded_2000(false), true},
      {"n = 2000, only the last element fails", 2000, coded_2000(true), false},
  };
  for (const auto& [name, n, tuple, expected] : rows) {
    SCOPED_TRACE(name);
    load(n, tuple);
    EXPECT_EQ(test_tuple_flags(), expected);
  }
}

// Brute force: do unions and intersections of `sets` give all 2^n subsets?
bool closure_is_powerset(int n, std::vector<unsigned> sets) {
  std::vector<bool> seen(1u << n);
  for (unsigned set : sets) seen[set] = true;
  for (std::size_t i = 0; i < sets.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      for (unsigned set : {sets[i] | sets[j], sets[i] & sets[j]}) {
        if (!seen[set]) sets.push_back(set);
        seen[set] = true;
      }
    }
  }
  return std::find(seen.begin(), seen.end(), false) == seen.end();
}

TEST(FlagGenerationTest, AgreesWithSublatticeClosureOnRandomTuples) {
  std::mt19937 prng(3);
  // Stale flags everywhere, to catch reads beyond rows 1..k, columns 1..n.
  std::generate_n(&store[0][0], sizeof store, [&] { return prng() & 1; });
  int generating = 0;
  for (int trial = 0; trial < 6000; ++trial) {
    const int n = 3 + trial % 3, k = 3 + trial / 3 % 8;
    std::vector<unsigned> sets(k);
    for (int r = 0; r < k; ++r) {
      sets[r] = prng() & ((1u << n) - 1);
      for (int x = 0; x < n; ++x) store[r][x] = sets[r] >> x & 1;
    }
    parameters = {.n = n, .k = k};
    const bool expected = closure_is_powerset(n, sets);
    generating += expected;
    ASSERT_EQ(test_tuple_flags(), expected) << "trial " << trial;
  }
  EXPECT_GT(generating, 500);  // both verdicts well represented
  EXPECT_LT(generating, 5500);
}

TEST(FlagTupleTest, FillsRowByRowAndRefusesShapesOutsideTheStore) {
  constexpr std::uint8_t kSentinel = 0xA5;
  constexpr int kTail = 16;  // draws compared after the filling
  const std::tuple<int, int, bool> shapes[] = {
      // n, k, fits
      {3, 3, true},      {5, 1, true},   {7, 120, true},  {2000, 3, true},
      {2000, 120, true}, {0, 3, false},  {-1, 3, false},  {2001, 3, false},
      {3, 0, false},     {3, -1, false}, {3, 121, false},
  };
  for (const auto& [n, k, fits] : shapes) {
    SCOPED_TRACE(testing::Message() << "n " << n << ", k " << k);
    // Two tuples' worth of fresh draws, then the tail.
    const int per_tuple = fits ? k * n : 0;
    std::vector<int> draws(2 * per_tuple + kTail);
    runtime::random_state = {.seed = 1234567};
    for (int& draw : draws) draw = runtime::random_below(2);
    runtime::random_state = {.seed = 1234567};
    std::memset(store, kSentinel, sizeof store);
    parameters = {.n = n, .k = k};
    fill_tuple();
    fill_tuple();
    int wrong = 0;
    for (int r = 0; r < kMaxComponents; ++r) {
      for (int x = 0; x < kMaxElements; ++x) {
        const bool inside = fits && r < k && x < n;
        const int draw = per_tuple + r * n + x;
        wrong += store[r][x] != (inside ? draws[draw] : kSentinel);
      }
    }
    EXPECT_EQ(wrong, 0);
    for (int i = 2 * per_tuple; i < 2 * per_tuple + kTail; ++i) {
      EXPECT_EQ(runtime::random_below(2), draws[i]) << "draw " << i;
    }
    if (fits) continue;
    load(3, {{1}, {2}, {3}});
    parameters = {.n = n, .k = k};
    EXPECT_FALSE(test_tuple_flags());
  }
}

}  // namespace
}  // namespace core::flags
