// The packed store: hand-worked verdicts, agreement with a brute-force
// sublattice closure, and where the filling puts which draws.
#include "core/packed_tuple.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <tuple>
#include <vector>

#include "core/parameters.h"
#include "runtime/random_source.h"

namespace core::packed {
namespace {

using Tuple = std::vector<std::vector<int>>;  // components, elements from 1

// Clears the store and loads `tuple` over {1..n}, element 1 the top bit.
void load(int n, const Tuple& tuple) {
  std::memset(store, 0, sizeof store);
  parameters = {
      .n = n, .k = static_cast<int>(tuple.size()), .byte_count = n / 8};
  for (std::size_t r = 0; r < tuple.size(); ++r) {
    for (int x : tuple[r]) store[r][(x - 1) / 8] |= 0x80 >> (x - 1) % 8;
  }
}

Tuple singletons(int n) {
  Tuple tuple;
  for (int x = 1; x <= n; ++x) tuple.push_back({x});
  return tuple;
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

TEST(PackedGenerationTest, AnswersHandWorkedTuples) {
  const std::vector<int> full = {1, 2, 3, 4, 5, 6, 7, 8};
  Tuple emptied = singletons(8), with_full = singletons(8), complements;
  Tuple late = singletons(16);
  emptied[4].clear();
  with_full.push_back(full);
  late[0].push_back(16);
  for (int x = 0; x < 8; ++x) {
    complements.push_back(full);
    complements.back().erase(complements.back().begin() + x);
  }
  const std::tuple<const char*, int, Tuple, int> rows[] = {
      {"singletons", 8, singletons(8), 1},
      {"one singleton emptied", 8, emptied, 0},
      {"1, 2 together", 8, {{1, 2}, {1, 2, 3}, {4}, {5}, {6}, {7}, {8}}, 0},
      {"singletons and the full set", 8, with_full, 1},
      {"complements of singletons", 8, complements, 1},
      {"k = 1, {1}", 8, {{1}}, 0},
      {"k = 1, the full set", 8, {full}, 0},
      {"last element in no component", 16, singletons(15), 0},
      {"1 always with 16, of a later column", 16, late, 0},
      {"120 singletons", 120, singletons(120), 1},
      {"n = 2000, all separated", 2000, coded_2000(false), 1},
      {"n = 2000, only the last element fails", 2000, coded_2000(true), 0},
  };
  for (const auto& [name, n, tuple, expected] : rows) {
    SCOPED_TRACE(name);
    load(n, tuple);
    EXPECT_EQ(test_tuple_packed(), expected);
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

TEST(PackedGenerationTest, AgreesWithSublatticeClosureOnRandomTuples) {
  std::mt19937 prng(8);
  // Stale bytes everywhere: reading beyond rows 1..k or column 1 would show.
  std::generate_n(&store[0][0], sizeof store, std::ref(prng));
  int generating = 0;
  for (int trial = 0; trial < 4000; ++trial) {
    const int k = 1 + trial % 28;
    std::vector<unsigned> sets(k);
    for (int r = 0; r < k; ++r) store[r][0] = sets[r] = prng() & 0xFF;
    parameters = {.n = 8, .k = k, .byte_count = 1};
    const bool expected = closure_is_powerset(8, sets);
    generating += expected;
    ASSERT_EQ(test_tuple_packed(), expected ? 1 : 0) << "trial " << trial;
  }
  EXPECT_GT(generating, 500);  // both verdicts well represented
  EXPECT_LT(generating, 3500);
}

TEST(PackedTupleTest, FillsRowByRowAndRefusesShapesOutsideTheStore) {
  constexpr std::uint8_t kSentinel = 0xA5;
  const std::tuple<int, int, bool> shapes[] = {
      // k, byte count, fits
      {1, 1, true},     {8, 1, true},    {3, 3, true},    {2, 250, true},
      {120, 250, true}, {8, 0, false},   {8, -1, false},  {0, 1, false},
      {-1, 1, false},   {121, 1, false}, {8, 251, false},
  };
  for (const auto& [k, bytes, fits] : shapes) {
    SCOPED_TRACE(testing::Message() << k << " x " << bytes);
    // Two tuples' worth of fresh draws, then the draw after them.
    const int per_tuple = fits ? k * bytes : 0;
    std::vector<int> draws(2 * per_tuple + 1);
    runtime::random_state = {.seed = 1234567};
    for (int& draw : draws) draw = runtime::random_below(256);
    runtime::random_state = {.seed = 1234567};
    std::memset(store, kSentinel, sizeof store);
    parameters = {.n = 8 * bytes, .k = k, .byte_count = bytes};
    fill_tuple();
    fill_tuple();
    int wrong = 0;
    for (int r = 0; r < kMaxComponents; ++r) {
      for (int q = 0; q < kMaxBytes; ++q) {
        const bool inside = fits && r < k && q < bytes;
        const int draw = per_tuple + r * bytes + q;
        wrong += store[r][q] != (inside ? draws[draw] : kSentinel);
      }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(runtime::random_below(256), draws.back());
    if (fits) continue;
    load(8, singletons(8));
    parameters = {.n = 8 * bytes, .k = k, .byte_count = bytes};
    EXPECT_EQ(test_tuple_packed(), 0);
  }
}

}  // namespace
}  // namespace core::packed
