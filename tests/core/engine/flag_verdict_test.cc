// The engine's test on flag tuples of up to 64 elements (one-word rows)
// against the plain test, on every path: tuples close to generating,
// built as antichains of columns and then spoilt or not by one flag, at
// every bit position a tuple can start from, and hand-built edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/engine/dispatch.h"
#include "core/engine/instruction_sets.h"
#include "core/engine/kernels.h"
#include "core/flag_tuple.h"
#include "core/parameters.h"
#include "tests/core/engine/engine_paths.h"

namespace core::engine {
namespace {

// flags[r][e]: element e (from 0) lies in component r (from 0).
using Flags = std::vector<std::vector<bool>>;

bool plain_verdict(const Flags& flags, int n) {
  parameters.k = static_cast<std::int32_t>(flags.size());
  parameters.n = n;
  std::memset(core::flags::store, 0, sizeof core::flags::store);
  for (std::size_t r = 0; r < flags.size(); ++r) {
    for (int e = 0; e < n; ++e) core::flags::store[r][e] = flags[r][e] ? 1 : 0;
  }
  return core::flags::test_tuple_flags();
}

TupleBits tuple_bits;

// The tuple as drawn from bit `first_bit` of the first word, every bit
// around it set, so that a test reading past a row shows.
bool engine_verdict(const Flags& flags, int n, int first_bit, Path path) {
  const int k = static_cast<int>(flags.size());
  std::vector<std::uint64_t> draws((first_bit + k * n) / 64 + 2,
                                   ~std::uint64_t{0});
  for (int r = 0; r < k; ++r) {
    for (int e = 0; e < n; ++e) {
      const int bit = first_bit + r * n + e;
      if (!flags[r][e]) draws[bit / 64] &= ~(std::uint64_t{1} << (bit % 64));
    }
  }
  return kernels_for(path)->flag_generates(draws.data(), first_bit, k, n,
                                           tuple_bits);
}

// Columns that form an antichain: element e in the components of a
// distinct random half of them, so that no column lies in another and
// the tuple generates; then, half the time, one flag flipped, which
// often spoils it.  Needs enough halves of k for n distinct ones.
Flags near_generating(int k, int n, std::mt19937& random) {
  Flags flags(k, std::vector<bool>(n, false));
  std::vector<std::vector<bool>> columns;
  std::vector<int> order(k);
  for (int r = 0; r < k; ++r) order[r] = r;
  while (static_cast<int>(columns.size()) < n) {
    std::shuffle(order.begin(), order.end(), random);
    std::vector<bool> column(k, false);
    for (int i = 0; i < k / 2; ++i) column[order[i]] = true;
    bool known = false;
    for (const auto& other : columns) known = known || other == column;
    if (!known) columns.push_back(column);
  }
  for (int e = 0; e < n; ++e) {
    for (int r = 0; r < k; ++r) flags[r][e] = columns[e][r];
  }
  if (random() % 2 == 0) {
    const int r = static_cast<int>(random() % k);
    const int e = static_cast<int>(random() % n);
    flags[r][e] = !flags[r][e];
  }
  return flags;
}

Flags random_flags(int k, int n, std::mt19937& random) {
  Flags flags(k, std::vector<bool>(n, false));
  for (auto& row : flags) {
    for (int e = 0; e < n; ++e) row[e] = random() % 2 == 1;
  }
  return flags;
}

TEST(FlagVerdict, AgreesOnTuplesNearGenerationAtEveryStartingBit) {
  struct Row {
    int n;
    int k;
  };
  // Every lane width and every count of 64-bit lane vectors; rows that
  // cross words at every starting bit (57..64); k past 64.
  const Row rows[] = {{3, 4},   {5, 6},   {8, 8},   {13, 9},   {16, 10},
                      {17, 12}, {20, 20}, {24, 15}, {25, 14},  {31, 14},
                      {32, 16}, {33, 12}, {40, 16}, {48, 20},  {56, 17},
                      {57, 18}, {58, 30}, {61, 12}, {63, 120}, {64, 24},
                      {64, 64}, {50, 100}};
  std::mt19937 random(20261207);
  int generating = 0;
  int failing = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "n=" << row.n << " k=" << row.k);
    for (int first_bit = 0; first_bit < 64; ++first_bit) {
      SCOPED_TRACE(first_bit);
      for (int t = 0; t < 3; ++t) {
        const Flags flags = t < 2 ? near_generating(row.k, row.n, random)
                                  : random_flags(row.k, row.n, random);
        const bool expected = plain_verdict(flags, row.n);
        (expected ? generating : failing) += 1;
        for (Path path : supported_paths()) {
          SCOPED_TRACE(path_name(path));
          ASSERT_EQ(engine_verdict(flags, row.n, first_bit, path), expected);
        }
      }
    }
  }
  // Both answers occur often enough for the agreement to mean something.
  EXPECT_GT(generating, 1000);
  EXPECT_GT(failing, 1000);
}

// Singletons of n elements in k >= n components, the rest empty.
Flags singletons(int k, int n) {
  Flags flags(k, std::vector<bool>(n, false));
  for (int e = 0; e < n && e < k; ++e) flags[e][e] = true;
  return flags;
}

TEST(FlagVerdict, AgreesOnEdgeTuples) {
  struct Row {
    std::string name;
    int n;
    Flags flags;
    bool expected;
  };
  std::vector<Row> rows;
  for (int n : {3, 16, 17, 24, 25, 32, 33, 57, 60, 64}) {
    const int k = n + 2;
    const std::string at = " n=" + std::to_string(n);
    rows.push_back({"singletons" + at, n, singletons(k, n), true});
    Flags empty = singletons(k, n);
    empty[n - 1][n - 1] = false;
    rows.push_back({"last column empty" + at, n, empty, false});
    Flags inside = singletons(k, n);
    inside[n - 2][n - 1] = true;  // column n-2 inside column n-1 alone
    rows.push_back(
        {"a column inside exactly one other" + at, n, inside, false});
    Flags equal = singletons(k, n);
    equal[0][1] = true;
    equal[1][0] = true;
    rows.push_back({"two equal columns" + at, n, equal, false});
    Flags full = singletons(k, n);
    full[k - 1] = std::vector<bool>(n, true);
    rows.push_back({"singletons and the full set" + at, n, full, true});
  }
  rows.push_back({"k=1, n=1", 1, {{true}}, true});
  rows.push_back({"k=1, n=1, empty", 1, {{false}}, false});
  rows.push_back({"k=2, n=1, held once", 1, {{false}, {true}}, true});
  rows.push_back({"k=1, the full set", 3, {{true, true, true}}, false});
  rows.push_back({"k=2, n=2", 2, {{true, false}, {false, true}}, true});
  rows.push_back({"k=2, n=2, one column inside the other",
                  2,
                  {{true, true}, {false, true}},
                  false});
  rows.push_back(
      {"k=3, n=3, pairs",
       3,
       {{true, true, false}, {false, true, true}, {true, false, true}},
       true});
  rows.push_back(
      {"k=3, n=3, element 3 in none",
       3,
       {{true, false, false}, {false, true, false}, {true, true, false}},
       false});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(plain_verdict(row.flags, row.n), row.expected);
    for (Path path : supported_paths()) {
      SCOPED_TRACE(path_name(path));
      for (int first_bit = 0; first_bit < 64; ++first_bit) {
        EXPECT_EQ(engine_verdict(row.flags, row.n, first_bit, path),
                  row.expected)
            << "from bit " << first_bit;
      }
    }
  }
}

}  // namespace
}  // namespace core::engine
