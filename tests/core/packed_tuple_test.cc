// Tests of the packed store: verdicts worked out by hand, agreement with a
// brute-force sublattice closure on n = 8, and which draws the filling
// takes and where it puts them.
#include "core/packed_tuple.h"

#include <gtest/gtest.h>

#include <bitset>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/parameters.h"
#include "runtime/random_source.h"

namespace core::packed {
namespace {

using Component = std::vector<int>;  // elements, counted from 1

constexpr std::uint8_t kSentinel = 0xA5;

// Clears the whole store, then writes `components` as rows 1..k of a tuple
// over {1..n}; element x is bit 7 - (x-1)%8 of byte (x-1)/8.
void load_tuple(int n, const std::vector<Component>& components) {
  std::memset(store, 0, sizeof store);
  parameters.n = n;
  parameters.k = static_cast<std::int32_t>(components.size());
  parameters.byte_count = n / 8;
  for (std::size_t r = 0; r < components.size(); ++r) {
    for (int x : components[r]) {
      store[r][(x - 1) / 8] |= static_cast<std::uint8_t>(0x80 >> (x - 1) % 8);
    }
  }
}

std::vector<Component> singletons(int n) {
  std::vector<Component> tuple;
  for (int x = 1; x <= n; ++x) tuple.push_back({x});
  return tuple;
}

Component all_but(int n, int missing) {
  Component set;
  for (int x = 1; x <= n; ++x) {
    if (x != missing) set.push_back(x);
  }
  return set;
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

TEST(PackedGenerationTest, AnswersHandWorkedTuples) {
  std::vector<Component> one_emptied = singletons(8);
  one_emptied[4].clear();
  std::vector<Component> with_full_set = singletons(8);
  with_full_set.push_back(all_but(8, 0));
  std::vector<Component> complements;
  for (int x = 1; x <= 8; ++x) complements.push_back(all_but(8, x));
  std::vector<Component> seven_complements(complements.begin(),
                                           complements.end() - 1);
  // Singletons 1..14, then 15 and 16 sharing {15, 16} while {15} holds
  // 15 alone: every element is separated except 16, the last one.
  std::vector<Component> last_fails(singletons(14));
  last_fails.push_back({15, 16});
  last_fails.push_back({15});
  std::vector<Component> last_separated = last_fails;
  last_separated.push_back({16});
  std::vector<Component> last_in_none(singletons(15));

  struct Row {
    std::string name;
    int n;
    std::vector<Component> components;
    std::int32_t expected;
  };
  const Row rows[] = {
      {"singletons", 8, singletons(8), 1},
      {"singletons with {5} emptied", 8, one_emptied, 0},
      {"1 and 2 always together",
       8,
       {{1, 2}, {1, 2, 3}, {3}, {4}, {5}, {6}, {7}, {8}},
       0},
      {"1 and 2 in no component", 8, {{3}, {4}, {5}, {6}, {7}, {8}}, 0},
      {"singletons plus the full set", 8, with_full_set, 1},
      {"all eight complements of a singleton", 8, complements, 1},
      {"seven complements: 8 is in all of them", 8, seven_complements, 0},
      {"k = 1, {1}", 8, {{1}}, 0},
      {"k = 1, the full set", 8, {all_but(8, 0)}, 0},
      {"k = 1, empty", 8, {{}}, 0},
      {"n = 16, only element 16 unseparated", 16, last_fails, 0},
      {"n = 16, element 16 separated by {16}", 16, last_separated, 1},
      {"n = 16, only element 16 in no component", 16, last_in_none, 0},
      {"n = 120, k = 120 singletons", 120, singletons(120), 1},
      {"n = 2000, distinct 7-of-14 patterns", 2000, patterned_2000(false), 1},
      {"n = 2000, only element 2000 unseparated", 2000, patterned_2000(true),
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    load_tuple(row.n, row.components);
    EXPECT_EQ(test_tuple_packed(), row.expected);
  }
}

TEST(PackedGenerationTest, AnswersZeroForShapesOutsideTheStore) {
  struct Row {
    std::int32_t k;
    std::int32_t byte_count;
    std::int32_t expected;
  };
  const Row rows[] = {
      {8, 1, 1},                             // the generating tuple as loaded
      {8, 0, 0},                             // n = 0
      {8, -1, 0},                            // n = -8
      {0, 1, 0},   {-1, 1, 0}, {121, 1, 0},  // one row past the table
      {8, 251, 0},                           // one column past the table
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("k " + std::to_string(row.k) + ", byte count " +
                 std::to_string(row.byte_count));
    load_tuple(8, singletons(8));
    parameters.k = row.k;
    parameters.byte_count = row.byte_count;
    EXPECT_EQ(test_tuple_packed(), row.expected);
  }
}

// True when closing `components` under union and intersection gives all 256
// subsets of {1..8}.  No constants are added: once every singleton is in
// the closure, meets of two of them give the empty set and their join the
// full set, so this is the same as asking for every singleton.
bool closure_is_powerset(const std::vector<std::uint8_t>& components) {
  std::bitset<256> seen;
  std::vector<std::uint8_t> members;
  auto add = [&](std::uint8_t set) {
    if (!seen[set]) {
      seen[set] = true;
      members.push_back(set);
    }
  };
  for (std::uint8_t set : components) add(set);
  // Every pair (i, j <= i) is joined and met once; members found on the
  // way are appended and get their turn as i.
  for (std::size_t i = 0; i < members.size(); ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      add(members[i] | members[j]);
      add(members[i] & members[j]);
    }
  }
  return seen.all();
}

TEST(PackedGenerationTest, AgreesWithSublatticeClosureOnRandomTuples) {
  std::uint64_t prng = 0x9E3779B97F4A7C15u;
  auto next_byte = [&prng] {
    prng ^= prng << 13;
    prng ^= prng >> 7;
    prng ^= prng << 17;
    return static_cast<std::uint8_t>(prng >> 32);
  };
  // Stale bytes everywhere, so reading outside rows 1..k or column 1
  // would change verdicts.
  for (auto& row : store) {
    for (auto& byte : row) byte = next_byte();
  }
  parameters.n = 8;
  parameters.byte_count = 1;
  int generating = 0;
  int failing = 0;
  for (int trial = 0; trial < 4000; ++trial) {
    const int k = 1 + trial % 28;
    std::vector<std::uint8_t> components(k);
    for (int r = 0; r < k; ++r) {
      components[r] = next_byte();
      store[r][0] = components[r];
    }
    parameters.k = k;
    const bool expected = closure_is_powerset(components);
    SCOPED_TRACE("trial " + std::to_string(trial) + ", k " + std::to_string(k));
    ASSERT_EQ(test_tuple_packed(), expected ? 1 : 0);
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

// The first `count` results of random_below(256) after a fresh start.
std::vector<std::int32_t> fresh_bytes(std::uint32_t seed, int count) {
  restart_random_source(seed);
  std::vector<std::int32_t> draws;
  for (int i = 0; i < count; ++i) draws.push_back(runtime::random_below(256));
  return draws;
}

TEST(PackedFillTest, FillsRowByRowFromConsecutiveDraws) {
  constexpr std::uint32_t kSeed = 1234567;
  struct Row {
    std::int32_t n;
    std::int32_t k;
  };
  const Row rows[] = {{8, 1}, {8, 7}, {8, 120}, {24, 3}, {2000, 2}};
  for (const Row& row : rows) {
    SCOPED_TRACE("n " + std::to_string(row.n) + ", k " + std::to_string(row.k));
    const int byte_count = row.n / 8;
    const int per_tuple = row.k * byte_count;
    // Two tuples and the draw after them.
    const std::vector<std::int32_t> draws =
        fresh_bytes(kSeed, 2 * per_tuple + 1);
    parameters.n = row.n;
    parameters.k = row.k;
    parameters.byte_count = byte_count;
    restart_random_source(kSeed);
    for (int tuple = 0; tuple < 2; ++tuple) {
      SCOPED_TRACE("tuple " + std::to_string(tuple + 1));
      fill_tuple();
      int mismatches = 0;
      for (int r = 1; r <= row.k; ++r) {
        for (int q = 1; q <= byte_count; ++q) {
          const int draw = tuple * per_tuple + (r - 1) * byte_count + q - 1;
          if (store[r - 1][q - 1] != draws[draw]) ++mismatches;
        }
      }
      EXPECT_EQ(mismatches, 0);
    }
    // Exactly k * n/8 draws per tuple.
    EXPECT_EQ(runtime::random_below(256), draws[2 * per_tuple]);
  }
}

TEST(PackedFillTest, WritesNothingOutsideRowsOneToKAndColumnsOneToByteCount) {
  constexpr std::uint32_t kSeed = 99;
  struct Row {
    std::int32_t k;
    std::int32_t byte_count;
    bool fills;
  };
  const Row rows[] = {
      {1, 1, true},                       // k = 1: row 1 only
      {3, 2, true},    {120, 250, true},  // the whole table
      {5, 0, false},                      // n = 0
      {5, -1, false},                     // n = -8
      {0, 1, false},   {-2, 1, false},
      {121, 1, false},  // one row past the table
      {1, 251, false},  // one column past the table
  };
  const std::vector<std::int32_t> first_draws = fresh_bytes(kSeed, 4);
  for (const Row& row : rows) {
    SCOPED_TRACE("k " + std::to_string(row.k) + ", byte count " +
                 std::to_string(row.byte_count));
    std::memset(store, kSentinel, sizeof store);
    parameters.n = row.byte_count * 8;
    parameters.k = row.k;
    parameters.byte_count = row.byte_count;
    restart_random_source(kSeed);
    fill_tuple();
    int touched_outside = 0;
    for (int r = 1; r <= kMaxComponents; ++r) {
      for (int q = 1; q <= kMaxBytes; ++q) {
        const bool inside = row.fills && r <= row.k && q <= row.byte_count;
        if (!inside && store[r - 1][q - 1] != kSentinel) ++touched_outside;
      }
    }
    EXPECT_EQ(touched_outside, 0);
    if (!row.fills) {
      // Nothing drawn either: the source still gives its first values.
      std::vector<std::int32_t> next;
      for (int i = 0; i < 4; ++i) next.push_back(runtime::random_below(256));
      EXPECT_EQ(next, first_draws);
    }
  }
}

}  // namespace
}  // namespace core::packed
