// The generation test of the AVX-512 path (generation_avx512.cc), for the
// path's table of kernels in kernels_avx512.cc.  The contracts are those of
// the same entries in kernels.h.
#pragma once

#include <cstdint>

#include "core/engine/kernels.h"

namespace core::engine::avx512 {

bool packed_generates(const std::uint8_t* draws, int k, int byte_count,
                      TupleBits& tuple);
bool flag_generates(const std::uint64_t* draws, int first_bit, int k, int n,
                    TupleBits& tuple);
int packed_verdicts(const std::uint8_t* first, int tuples, int k,
                    int byte_count, std::uint8_t* verdicts);

}  // namespace core::engine::avx512
