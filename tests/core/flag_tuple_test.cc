// Tests of the flag store: verdicts worked out by hand, agreement with a
// brute-force sublattice closure for n = 3..5, and which draws the filling
// takes and where it puts them.
#include "core/flag_tuple.h"

#include <gtest/gtest.h>

#include <bitset>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/parameters.h"
#include "runtime/random_source.h"

namespace core::flags {
namespace {

using Component = std::vector<int>;  // elements, counted from 1

constexpr std::uint8_t kSentinel = 0xA5;

// Clears the whole store, then writes `components` as rows 1..k of a tuple
// over {1..n}.
void load_tuple(int n, const std::vector<Component>& components) {
  std::memset(store, 0, sizeof store);
  parameters.n = n;
  parameters.k = static_cast<std::int32_t>(components.size());
  for (std::size_t r = 0; r < components.size(); ++r) {
    for (int x : components[r]) store[r][x - 1] = 1;
  }
}

std::vector<Component> singletons(int n) {
  std::vector<Component> tuple;
  for (int x = 1; x <= n; ++x) tuple.push_back({x});
  return tuple;
}

// A tuple of 14 components over {1..2000}: element e lies in the components
// of the e-th 7-element subset of {1..14}.  No pattern contains another, so
// every element is separated.  With `spoil_last`, element 2000 instead gets
// element 1's pattern less one component, so only element 2000 is not
// separated (from element 1).
std::vector<Component> patterned_2000(bool spoil_last) {
  std::vector<unsigned> patterns;
  for (unsigned bits = 0; patterns.size() < 2000; ++bits) {
    if (std::bitset<14>(bits).count() == 7) patterns.push_back(bits);
  }
  if (spoil_last) patterns[1999] = patterns[0] & (patterns[0] - 1);
  std::vector<Component> tuple(14);
  for (int e = 1; e <= 2000; ++e) {
    for (int r = 0; r < 14; ++r) {
      if ((patterns[e - 1] >> r) & 1) tuple[r].push_back(e);
    }
  }
  return tuple;
}

TEST(FlagGenerationTest, AnswersHandWorkedTuples) {
  struct Row {
    std::string name;
    int n;
    std::vector<Component> components;
    bool expected;
  };
  const Row rows[] = {
      {"{1} {2} {3}", 3, {{1}, {2}, {3}}, true},
      {"{1,2} {1,2} {3}: 1 and 2 always together",
       3,
       {{1, 2}, {1, 2}, {3}},
       false},
      {"{1,2} {2,3} {1,3}: pairwise meets separate",
       3,
       {{1, 2}, {2, 3}, {1, 3}},
       true},
      {"{1} {2} {3} plus the full set", 3, {{1}, {2}, {3}, {1, 2, 3}}, true},
      {"{1} {2} {3} plus the empty set", 3, {{1}, {2}, {3}, {}}, true},
      {"{1} {3} {1,3}: 2 in no component", 3, {{1}, {3}, {1, 3}}, false},
      {"{1} {2} {1,2}: 3, the last, in no component",
       3,
       {{1}, {2}, {1, 2}},
       false},
      {"{1} {2} {2,3}: only 3, the last, unseparated",
       3,
       {{1}, {2}, {2, 3}},
       false},
      {"{1} {1,2} {1,2,3}: a chain", 3, {{1}, {1, 2}, {1, 2, 3}}, false},
      {"three full sets", 3, {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}, false},
      {"n = 120, k = 120 singletons", 120, singletons(120), true},
      {"n = 2000, distinct 7-of-14 patterns", 2000, patterned_2000(false),
       true},
      {"n = 2000, only element 2000 unseparated", 2000, patterned_2000(true),
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    load_tuple(row.n, row.components);
    EXPECT_EQ(test_tuple_flags(), row.expected);
  }
}

TEST(FlagGenerationTest, AnswersFalseForShapesOutsideTheStore) {
  struct Row {
    std::int32_t n;
    std::int32_t k;
    bool expected;
  };
  const Row rows[] = {
      {3, 3, true},  // the generating tuple as loaded
      {0, 3, false},    {-1, 3, false},
      {2001, 3, false},  // one column past the table
      {3, 0, false},    {3, -1, false},
      {3, 121, false},  // one row past the table
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("n " + std::to_string(row.n) + ", k " + std::to_string(row.k));
    load_tuple(3, singletons(3));
    parameters.n = row.n;
    parameters.k = row.k;
    EXPECT_EQ(test_tuple_flags(), row.expected);
  }
}

// True when closing `components` (subsets of {1..n} as bit masks) under
// union and intersection gives all 2^n subsets.  No constants are added:
// once every singleton is in the closure, meets of two of them give the
// empty set and their join the full set, so this is the same as asking for
// every singleton.
bool closure_is_powerset(int n, const std::vector<std::uint32_t>& components) {
  std::vector<bool> seen(std::size_t{1} << n, false);
  std::vector<std::uint32_t> members;
  auto add = [&](std::uint32_t set) {
    if (!seen[set]) {
      seen[set] = true;
      members.push_back(set);
    }
  };
  for (std::uint32_t set : components) add(set);
  // Every pair (i, j <= i) is joined and met once; members found on the
  // way are appended and get their turn as i.
  for (std::size_t i = 0; i < members.size(); ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      add(members[i] | members[j]);
      add(members[i] & members[j]);
    }
  }
  return members.size() == seen.size();
}

TEST(FlagGenerationTest, AgreesWithSublatticeClosureOnRandomTuples) {
  std::uint64_t prng = 0x2545F4914F6CDD1Du;
  auto next_bits = [&prng] {
    prng ^= prng << 13;
    prng ^= prng >> 7;
    prng ^= prng << 17;
    return static_cast<std::uint32_t>(prng >> 32);
  };
  // Stale flags everywhere, so reading outside rows 1..k or columns 1..n
  // would change verdicts.
  for (auto& row : store) {
    for (auto& flag : row) flag = next_bits() & 1;
  }
  int generating = 0;
  int failing = 0;
  for (int trial = 0; trial < 6000; ++trial) {
    const int n = 3 + trial % 3;
    const int k = 3 + (trial / 3) % 8;
    std::vector<std::uint32_t> components(k);
    for (int r = 0; r < k; ++r) {
      components[r] = next_bits() & ((1u << n) - 1);
      for (int x = 1; x <= n; ++x)
        store[r][x - 1] = (components[r] >> (x - 1)) & 1;
    }
    parameters.n = n;
    parameters.k = k;
    const bool expected = closure_is_powerset(n, components);
    SCOPED_TRACE("trial " + std::to_string(trial) + ", n " + std::to_string(n) +
                 ", k " + std::to_string(k));
    ASSERT_EQ(test_tuple_flags(), expected);
    if (expected) {
      ++generating;
    } else {
      ++failing;
    }
  }
  // Both verdicts must be well represented for the comparison to mean much.
  EXPECT_GT(generating, 500);
  EXPECT_GT(failing, 500);
}

void restart_random_source(std::uint32_t seed) {
  runtime::random_state = runtime::RandomState{};
  runtime::random_state.seed = seed;
}

// The first `count` results of random_below(2) after a fresh start.
std::vector<std::int32_t> fresh_coins(std::uint32_t seed, int count) {
  restart_random_source(seed);
  std::vector<std::int32_t> draws;
  for (int i = 0; i < count; ++i) draws.push_back(runtime::random_below(2));
  return draws;
}

TEST(FlagFillTest, FillsRowByRowFromConsecutiveDraws) {
  constexpr std::uint32_t kSeed = 1234567;
  struct Row {
    std::int32_t n;
    std::int32_t k;
  };
  const Row rows[] = {{3, 3}, {5, 1}, {7, 120}, {2000, 3}};
  for (const Row& row : rows) {
    SCOPED_TRACE("n " + std::to_string(row.n) + ", k " + std::to_string(row.k));
    const int per_tuple = row.k * row.n;
    // Two tuples and the draw after them.
    const std::vector<std::int32_t> draws =
        fresh_coins(kSeed, 2 * per_tuple + 1);
    parameters.n = row.n;
    parameters.k = row.k;
    restart_random_source(kSeed);
    for (int tuple = 0; tuple < 2; ++tuple) {
      SCOPED_TRACE("tuple " + std::to_string(tuple + 1));
      fill_tuple();
      int mismatches = 0;
      for (int r = 1; r <= row.k; ++r) {
        for (int x = 1; x <= row.n; ++x) {
          const int draw = tuple * per_tuple + (r - 1) * row.n + x - 1;
          if (store[r - 1][x - 1] != draws[draw]) ++mismatches;
        }
      }
      EXPECT_EQ(mismatches, 0);
    }
    // Exactly k * n draws per tuple.
    EXPECT_EQ(runtime::random_below(2), draws[2 * per_tuple]);
  }
}

TEST(FlagFillTest, WritesNothingOutsideRowsOneToKAndColumnsOneToN) {
  constexpr std::uint32_t kSeed = 99;
  struct Row {
    std::int32_t n;
    std::int32_t k;
    bool fills;
  };
  const Row rows[] = {
      {3, 1, true},                         // k = 1: row 1 only
      {5, 4, true},     {2000, 120, true},  // the whole table
      {0, 3, false},    {-1, 3, false},
      {2001, 3, false},  // one column past the table
      {3, 0, false},    {3, -1, false},
      {3, 121, false},  // one row past the table
  };
  const std::vector<std::int32_t> first_draws = fresh_coins(kSeed, 16);
  for (const Row& row : rows) {
    SCOPED_TRACE("n " + std::to_string(row.n) + ", k " + std::to_string(row.k));
    std::memset(store, kSentinel, sizeof store);
    parameters.n = row.n;
    parameters.k = row.k;
    restart_random_source(kSeed);
    fill_tuple();
    int touched_outside = 0;
    for (int r = 1; r <= kMaxComponents; ++r) {
      for (int x = 1; x <= kMaxElements; ++x) {
        const bool inside = row.fills && r <= row.k && x <= row.n;
        if (!inside && store[r - 1][x - 1] != kSentinel) ++touched_outside;
      }
    }
    EXPECT_EQ(touched_outside, 0);
    if (!row.fills) {
      // Nothing drawn either: the source still gives its first values.
      std::vector<std::int32_t> next;
      for (int i = 0; i < 16; ++i) next.push_back(runtime::random_below(2));
      EXPECT_EQ(next, first_draws);
    }
  }
}

}  // namespace
}  // namespace core::flags
