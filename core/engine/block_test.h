// The generation test on rows of more than one block of words, over
// meet tables: written once over `BlockTest<Block>`, each instruction-set
// file compiles it with its own Block.  Included by the kernel files only,
// with internal linkage on purpose, as kernel_common.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/engine/kernel_common.h"
#include "core/engine/kernels.h"

namespace core::engine {
namespace {  // NOLINT(build/namespaces): see kernel_common.h

// The meet tables of the generation test: `groups` groups of `size` rows;
// entry (g, s) is the meet of rows size * g + i for the bits i of s (all
// elements for s = 0), `stride` words long.
struct MeetTables {
  int size;
  int groups;
  int stride;
  std::uint64_t* base;

  std::uint64_t* entry(int g, int s) const {
    return base + static_cast<std::size_t>((g << size) + s) * stride;
  }
  // Subset of group g among the components in `low` (components 0..63).
  int subset(std::uint64_t low, int g) const {
    return static_cast<int>((low >> (size * g)) & ((1u << size) - 1));
  }
};

// Enough groups that another element rarely survives them: a row drops
// another element from an element's meet when it holds the one and not
// the other, one time in four for random tuples, so a group keeps
// (3/4)^size of the others; about one element in twenty may be left to
// the closer look.
[[maybe_unused]] MeetTables plan_tables(TupleBits& tuple, int k, int n,
                                        int stride) {
  const int size = words_for(n) == 1 ? 4 : kMaxGroupRows;
  double others = n - 1;
  double keep = 1;
  for (int i = 0; i < size; ++i) keep *= 0.75;
  const int available = (k + size - 1) / size;
  int groups = 0;
  while (groups < available && groups < kMaxGroups && others > 0.05) {
    others *= keep;
    ++groups;
  }
  if (groups == 0) groups = 1;
  return {size, groups, stride, tuple.group_meets};
}

// The generation test on the columns and rows, a Block of row words at a
// time.  Block supplies Type, kWords, zero(), load(p), store(p, a),
// both(a, b), either(a, b), without(a, b), element_bit(e) (the bit of
// element e within its block), is_zero(a), and kRanked: whether wide
// rows are tested in the order of the elements' weights (rank_by_weight).
template <class Block>
class BlockTest {
 public:
  using Type = typename Block::Type;

  BlockTest(TupleBits& tuple, int k, int n)
      : tuple_(tuple),
        k_(k),
        n_(n),
        blocks_((words_for(n) + Block::kWords - 1) / Block::kWords),
        tables_(plan_tables(tuple, k, n, blocks_ * Block::kWords)),
        ranked_(Block::kRanked && words_for(n) > 1) {}

  bool separated() {
    if (ranked_ && !rank_by_weight()) return false;
    build_tables();
    switch (tables_.groups) {
      case 1:
        return separated_with<1>();
      case 2:
        return separated_with<2>();
      case 3:
        return separated_with<3>();
      case 4:
        return separated_with<4>();
      case 5:
        return separated_with<5>();
      case 6:
        return separated_with<6>();
      case 7:
        return separated_with<7>();
      default:
        return separated_with<8>();
    }
  }

 private:
  static constexpr int kBlockElements = 64 * Block::kWords;
  static constexpr int kMaxElements = 64 * kRowWords;

  // Wide rows are tested in the order of the elements' weights (the
  // number of components holding them): a column that contains e's holds
  // at least as many, so only elements from the first of e's weight on
  // can; the blocks wholly before it are not read.  The table rows are
  // rewritten in that order (the test reads no other rows after this).
  // False when an element lies in no component.
  bool rank_by_weight() {
    const std::uint64_t* low = tuple_.columns[0];
    const std::uint64_t* high = tuple_.columns[1];
    int first[kRowCapacity + 2] = {};
    for (int e = 0; e < n_; ++e) {
      const int weight = __builtin_popcountll(low[e]) +
                         (k_ > 64 ? __builtin_popcountll(high[e]) : 0);
      if (weight == 0) return false;
      weight_[e] = static_cast<std::uint8_t>(weight);
      ++first[weight + 1];
    }
    for (int w = 1; w <= kRowCapacity + 1; ++w) first[w] += first[w - 1];
    int next[kRowCapacity + 1];
    for (int w = 0; w <= kRowCapacity; ++w) next[w] = first[w];
    for (int e = 0; e < n_; ++e) {
      const int rank = next[weight_[e]]++;
      order_[rank] = static_cast<std::uint16_t>(e);
      from_[rank] = static_cast<std::uint16_t>(first[weight_[e]]);
    }
    const int rows =
        tables_.size * tables_.groups < k_ ? tables_.size * tables_.groups : k_;
    std::uint64_t chunk[64];
    for (int w = 0; w < words_for(n_); ++w) {
      for (int j = 0; j < 64; ++j) {
        const int rank = 64 * w + j;
        chunk[j] = rank < n_ ? low[order_[rank]] : 0;
      }
      transpose64(chunk);
      for (int r = 0; r < rows; ++r) tuple_.row(r)[w] = chunk[r];
    }
    return true;
  }

  void build_tables() {
    for (int g = 0; g < tables_.groups; ++g) {
      std::uint64_t* all = tables_.entry(g, 0);
      for (int w = 0; w < tables_.stride; ++w) all[w] = element_mask(n_, w);
      for (int s = 1; s < (1 << tables_.size); ++s) {
        const int lowest = __builtin_ctz(static_cast<unsigned>(s));
        const std::uint64_t* row = tuple_.row(tables_.size * g + lowest);
        const std::uint64_t* rest = tables_.entry(g, s & (s - 1));
        std::uint64_t* target = tables_.entry(g, s);
        for (int b = 0; b < blocks_; ++b) {
          const int at = b * Block::kWords;
          Block::store(target + at, Block::both(Block::load(rest + at),
                                                Block::load(row + at)));
        }
      }
    }
  }

  // The meet of element e over the tables, block b, without e itself.
  template <int kGroups>
  Type table_meet(const std::uint64_t* const entries[], int e, int b) const {
    const int at = b * Block::kWords;
    Type meet = Block::load(entries[0] + at);
#pragma GCC unroll 8
    for (int g = 1; g < kGroups; ++g) {
      meet = Block::both(meet, Block::load(entries[g] + at));
    }
    if (b == e / kBlockElements)
      meet = Block::without(meet, Block::element_bit(e));
    return meet;
  }

  template <int kGroups>
  bool separated_with() const {
    if (ranked_) return separated_in_rank_order<kGroups>();
    const std::uint64_t* low = tuple_.columns[0];
    const std::uint64_t* high = tuple_.columns[1];
    for (int e = 0; e < n_; ++e) {
      if ((low[e] | (k_ > 64 ? high[e] : 0)) == 0) return false;
      const std::uint64_t* entries[kGroups];
#pragma GCC unroll 8
      for (int g = 0; g < kGroups; ++g) {
        entries[g] = tables_.entry(g, tables_.subset(low[e], g));
      }
      Type any = Block::zero();
      for (int b = 0; b < blocks_; ++b) {
        any = Block::either(any, table_meet<kGroups>(entries, e, b));
      }
      if (!Block::is_zero(any) && !separated_by_rest<kGroups>(entries, e)) {
        return false;
      }
    }
    return true;
  }

  // separated_with for elements ranked by weight: element order_[i] is
  // bit i of the table rows.
  template <int kGroups>
  bool separated_in_rank_order() const {
    const std::uint64_t* low = tuple_.columns[0];
    for (int i = 0; i < n_; ++i) {
      const std::uint64_t* entries[kGroups];
#pragma GCC unroll 8
      for (int g = 0; g < kGroups; ++g) {
        entries[g] = tables_.entry(g, tables_.subset(low[order_[i]], g));
      }
      Type any = Block::zero();
      for (int b = from_[i] / kBlockElements; b < blocks_; ++b) {
        any = Block::either(any, table_meet<kGroups>(entries, i, b));
      }
      if (!Block::is_zero(any) && !separated_by_columns<kGroups>(entries, i)) {
        return false;
      }
    }
    return true;
  }

  // The close look at the ranked element i whose meet over the tables'
  // components still holds others: each is decided from the columns.
  template <int kGroups>
  bool separated_by_columns(const std::uint64_t* const entries[], int i) const {
    const std::uint64_t* low = tuple_.columns[0];
    const std::uint64_t* high = tuple_.columns[1];
    const std::uint64_t low_e = low[order_[i]];
    const std::uint64_t high_e = k_ > 64 ? high[order_[i]] : 0;
    for (int b = from_[i] / kBlockElements; b < blocks_; ++b) {
      alignas(64) std::uint64_t meet[Block::kWords];
      Block::store(meet, table_meet<kGroups>(entries, i, b));
      for (int w = 0; w < Block::kWords; ++w) {
        for (std::uint64_t bits = meet[w]; bits != 0; bits &= bits - 1) {
          const int f =
              order_[b * kBlockElements + 64 * w + __builtin_ctzll(bits)];
          if (((low_e & ~low[f]) | (high_e & ~high[f])) == 0) return false;
        }
      }
    }
    return true;
  }

  // The close look at an element whose meet over the tables' components
  // still holds others: each further component narrows it in turn.  True
  // when it comes down to the element alone.
  template <int kGroups>
  bool separated_by_rest(const std::uint64_t* const entries[], int e) const {
    Type meet[kRowWords / Block::kWords];
    for (int b = 0; b < blocks_; ++b)
      meet[b] = table_meet<kGroups>(entries, e, b);
    const std::uint64_t low = tuple_.columns[0][e];
    const std::uint64_t high = k_ > 64 ? tuple_.columns[1][e] : 0;
    for (int r = tables_.size * kGroups; r < k_; ++r) {
      const std::uint64_t word = r < 64 ? low : high;
      if (((word >> (r % 64)) & 1) == 0) continue;
      Type any = Block::zero();
      for (int b = 0; b < blocks_; ++b) {
        meet[b] = Block::both(meet[b],
                              Block::load(tuple_.row(r) + b * Block::kWords));
        any = Block::either(any, meet[b]);
      }
      if (Block::is_zero(any)) return true;
    }
    return false;
  }

  TupleBits& tuple_;
  const int k_;
  const int n_;
  const int blocks_;
  const MeetTables tables_;
  const bool ranked_;
  // For wide rows: each element's weight, the element of each rank, and
  // the first rank of each rank's weight.
  std::uint8_t weight_[kMaxElements];
  std::uint16_t order_[kMaxElements];
  std::uint16_t from_[kMaxElements];
};

template <class Block>
bool separated_by_blocks(TupleBits& tuple, int k, int n) {
  return BlockTest<Block>(tuple, k, n).separated();
}

}  // namespace
}  // namespace core::engine
