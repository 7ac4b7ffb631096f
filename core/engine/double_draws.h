// Draws formed in double precision, for the paths without 64-bit vector
// multiplies.  A draw's sum is the three table entries (power / m as
// doubles) times the block's offsets, added onto a constant that fixes
// the binary point: sums start at 1.5 * 2^23 and stay below 2^24, where
// the spacing of doubles is 2^-29, so the low 29 bits of a sum are its
// fraction.  Included by kernel files only; internal linkage, as in
// kernel_common.h.
#pragma once

#include <cfloat>
#include <cstdint>
#include <limits>

namespace core::engine {
namespace {  // NOLINT(build/namespaces): one copy per instruction set

constexpr double kBinaryPoint = 12582912.0;
constexpr int kFractionBits = 29;
// A sum lies within 2.2 grid units of the exact one: half a unit for each
// of the three additions and for the constant, 2^-34 per table entry and
// as much per product rounded on its own (none where it is fused), and
// the extended steps' few units of 2^-64.
constexpr std::int64_t kMarginUnits = 4;

static_assert(std::numeric_limits<double>::is_iec559 && FLT_EVAL_METHOD == 0,
              "the fast draws need IEEE 754 doubles evaluated as doubles");
#ifdef __FAST_MATH__
#error "the fast draws need every addition rounded as written"
#endif

// The grid unit 2^-29 as a double, for margins folded into the constant.
constexpr double kGridUnit = 1.0 / (std::uint64_t{1} << kFractionBits);

}  // namespace
}  // namespace core::engine
