// The bulk verdicts (many small packed tuples at once: the screens of the
// lazy draws and the tiny tuples) against the path's own test of one
// tuple, which the verdict test holds to the plain operations: tuple by
// tuple, for every shape a path tests in bulk, with series of every
// length up to a few vectors, so that partly filled vectors occur.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "core/engine/dispatch.h"
#include "core/engine/instruction_sets.h"
#include "core/engine/kernels.h"
#include "core/engine/tuple_bits.h"
#include "tests/core/engine/engine_paths.h"

namespace core::engine {
namespace {

// A tuple's rows as drawn, each bit set with chance `density`, and now and
// then a row repeated, so that verdicts of both kinds occur.
void fill_rows(std::mt19937& random, double density, std::uint8_t* rows, int k,
               int bytes) {
  std::bernoulli_distribution bit(density);
  std::bernoulli_distribution repeat(0.1);
  for (int r = 0; r < k; ++r) {
    for (int b = 0; b < bytes; ++b) {
      std::uint8_t byte = 0;
      for (int e = 0; e < 8; ++e) byte |= bit(random) ? 1 << e : 0;
      rows[r * bytes + b] =
          r > 0 && repeat(random) ? rows[(r - 1) * bytes + b] : byte;
    }
  }
}

TEST(BulkVerdicts, EqualTheTestOfEachTuple) {
  auto tuple = std::make_unique<TupleBits>();
  std::mt19937 random(20261207);
  int bulk_shapes = 0;
  int generating = 0;
  int failing = 0;
  for (Path path : supported_paths()) {
    const Kernels& kernels = *kernels_for(path);
    for (int bytes = 1; bytes <= 2; ++bytes) {
      for (int k = 1; k <= 64; ++k) {
        SCOPED_TRACE(testing::Message() << path_name(path) << ", k " << k
                                        << ", " << bytes << " bytes");
        const int tuples = 1 + static_cast<int>(random() % 40);
        const std::size_t size = static_cast<std::size_t>(k) * bytes;
        std::vector<std::uint8_t> draws(size * tuples + 64);
        for (int t = 0; t < tuples; ++t) {
          const double density = 0.3 + 0.1 * (t % 5);
          fill_rows(random, density, &draws[size * t], k, bytes);
        }
        std::vector<std::uint8_t> verdicts(tuples + 4, 2);
        if (kernels.packed_verdicts(draws.data(), tuples, k, bytes,
                                    verdicts.data()) == 0) {
          continue;
        }
        ++bulk_shapes;
        for (int t = 0; t < tuples; ++t) {
          const bool one =
              kernels.packed_generates(&draws[size * t], k, bytes, *tuple);
          ASSERT_EQ(verdicts[t], one ? 1 : 0) << "tuple " << t;
          ++(one ? generating : failing);
        }
      }
    }
  }
  // Every path screens first bytes of up to 64 rows in bulk.
  EXPECT_GE(bulk_shapes, 64 * static_cast<int>(supported_paths().size()));
  EXPECT_GT(generating, 100);
  EXPECT_GT(failing, 100);
}

}  // namespace
}  // namespace core::engine
