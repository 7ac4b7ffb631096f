// The engine's generation test against the plain algorithms, on every
// path: hand-built tuples with known verdicts (equal columns, an empty
// column, a full component, k = 1, a failure at the last element, a
// separation that only a high component makes) and random tuples of many
// shapes, taken from the plain stores.
#include <gtest/gtest.h>

#include <bitset>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/engine/dispatch.h"
#include "core/engine/kernels.h"
#include "core/engine/tuple_bits.h"
#include "core/flag_tuple.h"
#include "core/packed_tuple.h"
#include "core/parameters.h"
#include "runtime/random_source.h"
#include "tests/core/engine/engine_paths.h"

namespace core::engine {
namespace {

using Component = std::vector<int>;  // elements, counted from 1

// Writes `components` over {1..n} into the plain store of the variant.
void load_plain(bool packed, int n, const std::vector<Component>& components) {
  parameters.n = n;
  parameters.k = static_cast<std::int32_t>(components.size());
  parameters.byte_count = n / 8;
  if (packed) {
    std::memset(core::packed::store, 0, sizeof core::packed::store);
  } else {
    std::memset(core::flags::store, 0, sizeof core::flags::store);
  }
  for (std::size_t r = 0; r < components.size(); ++r) {
    for (int x : components[r]) {
      if (packed) {
        core::packed::store[r][(x - 1) / 8] |=
            core::packed::kMask[(x - 1) % 8 + 1];
      } else {
        core::flags::store[r][x - 1] = 1;
      }
    }
  }
}

bool plain_verdict(bool packed) {
  return packed ? core::packed::test_tuple_packed() == 1
                : core::flags::test_tuple_flags();
}

// The tuple store of the kernels under test.
TupleBits tuple_bits;

// The engine's verdict on the tuple in the plain store, on `path`: the
// store laid out as the engine keeps a tuple as drawn (rows of bytes back
// to back, or rows of n bits back to back), with room read past the end.
bool engine_verdict(bool packed, Path path) {
  const Path before = selected_path();
  select_path(path);
  const int k = parameters.k;
  const int n = parameters.n;
  bool verdict;
  if (packed) {
    const int bytes = parameters.byte_count;
    std::vector<std::uint8_t> draws(static_cast<std::size_t>(k) * bytes + 64);
    for (int r = 0; r < k; ++r) {
      std::memcpy(&draws[static_cast<std::size_t>(r) * bytes],
                  core::packed::store[r], static_cast<std::size_t>(bytes));
    }
    verdict = kernels().packed_generates(draws.data(), k, bytes, tuple_bits);
  } else {
    std::vector<std::uint64_t> draws(static_cast<std::size_t>(k) * n / 64 + 2);
    for (int r = 0; r < k; ++r) {
      for (int x = 0; x < n; ++x) {
        if (core::flags::store[r][x] == 0) continue;
        const std::size_t bit = static_cast<std::size_t>(r) * n + x;
        draws[bit / 64] |= std::uint64_t{1} << (bit % 64);
      }
    }
    verdict = kernels().flag_generates(draws.data(), 0, k, n, tuple_bits);
  }
  select_path(before);
  return verdict;
}

std::vector<Component> singletons(int n) {
  std::vector<Component> tuple;
  for (int x = 1; x <= n; ++x) tuple.push_back({x});
  return tuple;
}

Component all_of(int n) {
  Component all;
  for (int x = 1; x <= n; ++x) all.push_back(x);
  return all;
}

// 2000 elements over components 1..14 (and 120 components in all): element
// e lies in the components of the e-th 7-element subset of {1..14}, so no
// column contains another.  `last` reshapes element 2000: "spoil" gives it
// element 1's column less one component, so that only element 2000 fails;
// "high" trades one of element 1's components for component 120, so that
// only a component past the first hundred separates the two; "superset"
// gives it element 1's column and component 120, so element 1 fails.
std::vector<Component> patterned_2000(const std::string& last) {
  std::vector<unsigned> patterns;
  for (unsigned bits = 0; patterns.size() < 2000; ++bits) {
    if (std::bitset<14>(bits).count() == 7) patterns.push_back(bits);
  }
  std::vector<Component> tuple(120);
  for (int e = 1; e <= 2000; ++e) {
    unsigned pattern = patterns[e - 1];
    bool high = false;
    if (e == 2000 && last == "spoil") pattern = patterns[0] & (patterns[0] - 1);
    if (e == 2000 && last == "high") {
      pattern = patterns[0] & (patterns[0] - 1);
      high = true;
    }
    if (e == 2000 && last == "superset") {
      pattern = patterns[0];
      high = true;
    }
    for (int r = 0; r < 14; ++r) {
      if ((pattern >> r) & 1) tuple[r].push_back(e);
    }
    if (high) tuple[119].push_back(e);
  }
  return tuple;
}

TEST(EngineVerdict, AgreesOnHandBuiltTuples) {
  struct Row {
    std::string name;
    bool packed;
    int n;
    std::vector<Component> components;
    bool expected;
  };
  std::vector<Row> rows = {
      {"{1} {2} {3}", false, 3, {{1}, {2}, {3}}, true},
      {"{1,2} {1,2} {3}: equal columns",
       false,
       3,
       {{1, 2}, {1, 2}, {3}},
       false},
      {"{1,2} {2,3} {1,3}", false, 3, {{1, 2}, {2, 3}, {1, 3}}, true},
      {"{1} {2} {3} and the full set",
       false,
       3,
       {{1}, {2}, {3}, {1, 2, 3}},
       true},
      {"{1} {3} {1,3}: an empty column", false, 3, {{1}, {3}, {1, 3}}, false},
      {"k = 1, the full set", false, 3, {{1, 2, 3}}, false},
      {"k = 1, n = 1", false, 1, {{1}}, true},
      {"k = 1, n = 1, empty", false, 1, {{}}, false},
      {"singletons, n = 8", true, 8, singletons(8), true},
      {"singletons and the full set, n = 8", true, 8, {}, true},
      {"singletons, one emptied", true, 8, {}, false},
      {"k = 1, packed", true, 8, {all_of(8)}, false},
      {"singletons, n = 64", true, 64, singletons(64), true},
      {"singletons, n = 65", false, 65, singletons(65), true},
      {"singletons, n = 72", true, 72, singletons(72), true},
      {"singletons, n = 120", false, 120, singletons(120), true},
  };
  rows[9].components = singletons(8);
  rows[9].components.push_back(all_of(8));
  rows[10].components = singletons(8);
  rows[10].components[4].clear();
  // 120 components: 8 singletons and 112 empty ones, then element 8 in
  // none.
  std::vector<Component> padded = singletons(8);
  padded.resize(120);
  rows.push_back({"singletons among 120 components", true, 8, padded, true});
  padded[7].clear();
  rows.push_back({"element 8 in none of 120", false, 8, padded, false});
  for (bool packed : {true, false}) {
    rows.push_back({"patterned 2000", packed, 2000, patterned_2000(""), true});
    rows.push_back({"patterned 2000, last element fails", packed, 2000,
                    patterned_2000("spoil"), false});
    rows.push_back({"patterned 2000, separated by component 120", packed, 2000,
                    patterned_2000("high"), true});
    rows.push_back({"patterned 2000, element 1 below the last", packed, 2000,
                    patterned_2000("superset"), false});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    load_plain(row.packed, row.n, row.components);
    EXPECT_EQ(plain_verdict(row.packed), row.expected);
    for (Path path : supported_paths()) {
      SCOPED_TRACE(path_name(path));
      EXPECT_EQ(engine_verdict(row.packed, path), row.expected);
    }
  }
}

// Tuples of 2000 elements over k components given by their columns: bit
// r of columns[e] (rows 0..63) and of high[e] (rows 64..), element e + 1.
std::vector<Component> from_columns(int k,
                                    const std::vector<std::uint64_t>& columns,
                                    const std::vector<std::uint64_t>& high) {
  std::vector<Component> tuple(k);
  for (std::size_t e = 0; e < columns.size(); ++e) {
    for (int r = 0; r < k; ++r) {
      const std::uint64_t word = r < 64 ? columns[e] : high[e];
      if ((word >> (r % 64)) & 1) tuple[r].push_back(static_cast<int>(e) + 1);
    }
  }
  return tuple;
}

// Wide tuples whose verdict turns on one pair of elements in a random
// tuple that generates: columns equal, one column a row more than
// another (apart in both orders of the elements), two columns told apart
// only by rows past those the tables narrow with, an empty column first
// or last.  The elements' weights (rows holding them) order the portable
// test's look at the others, so the pairs have equal and unequal weights.
TEST(EngineVerdict, AgreesOnWideTuplesDecidedByOnePair) {
  runtime::random_state = runtime::RandomState{};
  runtime::random_state.seed = 8086;
  const int n = 2000;
  std::vector<std::uint64_t> base(n);
  std::vector<std::uint64_t> base_high(n);
  for (int e = 0; e < n; ++e) {
    for (int r = 0; r < 64; ++r) {
      base[e] |= static_cast<std::uint64_t>(runtime::random_below(2)) << r;
      base_high[e] |= static_cast<std::uint64_t>(runtime::random_below(2)) << r;
    }
  }
  struct Row {
    std::string name;
    int k;
    // Changes the columns (low and high words).
    void (*change)(std::vector<std::uint64_t>&, std::vector<std::uint64_t>&);
    bool expected;
  };
  const Row rows[] = {
      {"random, k = 64", 64, [](auto&, auto&) {}, true},
      {"random, k = 120", 120, [](auto&, auto&) {}, true},
      {"element 1999 as element 5", 64, [](auto& c, auto&) { c[1999] = c[5]; },
       false},
      {"element 5 as element 1999", 64, [](auto& c, auto&) { c[5] = c[1999]; },
       false},
      {"element 1500 holds 7 and a row more", 64,
       [](auto& c, auto&) { c[1500] = c[7] | (~c[7] & (0 - ~c[7])); }, false},
      {"element 7 holds 1500 and a row more", 64,
       [](auto& c, auto&) { c[7] = c[1500] | (~c[1500] & (0 - ~c[1500])); },
       false},
      {"element 3 is 1990 less its last row", 64,
       [](auto& c, auto&) {
         const std::uint64_t last = std::uint64_t{1}
                                    << (63 - __builtin_clzll(c[1990]));
         c[3] = c[1990] & ~last;
       },
       false},
      {"elements 8 and 900 apart only by rows 60 and 61", 64,
       [](auto& c, auto&) {
         c[8] = (c[8] | (std::uint64_t{1} << 60)) & ~(std::uint64_t{1} << 61);
         c[900] = (c[8] & ~(std::uint64_t{1} << 60)) | (std::uint64_t{1} << 61);
       },
       true},
      {"elements 8 and 900 apart only by row 100", 120,
       [](auto& c, auto& h) {
         c[900] = c[8];
         h[8] |= std::uint64_t{1} << 36;
         h[900] = h[8] & ~(std::uint64_t{1} << 36);
       },
       false},
      {"elements 8 and 900 apart only by rows 100 and 101", 120,
       [](auto& c, auto& h) {
         c[900] = c[8];
         h[8] = (h[8] | (std::uint64_t{1} << 36)) & ~(std::uint64_t{1} << 37);
         h[900] = (h[8] & ~(std::uint64_t{1} << 36)) | (std::uint64_t{1} << 37);
       },
       true},
      {"element 1 in no component", 64, [](auto& c, auto&) { c[0] = 0; },
       false},
      {"element 2000 in no component", 120,
       [](auto& c, auto& h) {
         c[1999] = 0;
         h[1999] = 0;
       },
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::uint64_t> columns = base;
    std::vector<std::uint64_t> high = base_high;
    row.change(columns, high);
    load_plain(true, n, from_columns(row.k, columns, high));
    EXPECT_EQ(plain_verdict(true), row.expected);
    for (Path path : supported_paths()) {
      SCOPED_TRACE(path_name(path));
      EXPECT_EQ(engine_verdict(true, path), row.expected);
    }
  }
}

TEST(EngineVerdict, AgreesOnRandomTuplesOfManyShapes) {
  struct Row {
    bool packed;
    int n;
    int k;
    int tuples;
  };
  const Row rows[] = {
      {true, 8, 1, 100},    {true, 8, 3, 300},     {true, 8, 8, 300},
      {true, 16, 8, 300},   {true, 16, 12, 300},   {true, 24, 10, 200},
      {true, 32, 16, 200},  {true, 64, 16, 200},   {true, 64, 22, 200},
      {true, 72, 16, 100},  {true, 128, 24, 60},   {true, 256, 28, 30},
      {true, 512, 32, 10},  {true, 1024, 120, 4},  {true, 2000, 34, 4},
      {true, 2000, 120, 3}, {false, 1, 1, 50},     {false, 3, 3, 300},
      {false, 5, 120, 50},  {false, 20, 20, 300},  {false, 40, 16, 200},
      {false, 56, 17, 200}, {false, 57, 17, 100},  {false, 64, 64, 50},
      {false, 65, 24, 50},  {false, 100, 7, 100},  {false, 200, 24, 30},
      {false, 600, 30, 6},  {false, 2000, 120, 1}, {true, 72, 70, 20},
  };
  int generating = 0;
  int failing = 0;
  std::uint32_t seed = 4711;
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << (row.packed ? "packed" : "flags")
                                    << " n=" << row.n << " k=" << row.k);
    runtime::random_state = runtime::RandomState{};
    runtime::random_state.seed = seed++;
    parameters.n = row.n;
    parameters.k = row.k;
    parameters.byte_count = row.n / 8;
    for (int t = 0; t < row.tuples; ++t) {
      if (row.packed) {
        core::packed::fill_tuple();
      } else {
        core::flags::fill_tuple();
      }
      const bool expected = plain_verdict(row.packed);
      (expected ? generating : failing) += 1;
      for (Path path : supported_paths()) {
        SCOPED_TRACE(path_name(path));
        ASSERT_EQ(engine_verdict(row.packed, path), expected) << "tuple " << t;
      }
    }
  }
  // Both answers occur often enough for the agreement to mean something.
  EXPECT_GT(generating, 200);
  EXPECT_GT(failing, 200);
}

}  // namespace
}  // namespace core::engine
