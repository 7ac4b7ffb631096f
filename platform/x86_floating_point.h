// The floating-point set-up both backends make on x86: the processor's
// own state, not the operating system's, so it is shared.
#pragma once

#include <cstdint>

namespace platform {

// x87: pending exceptions cleared, then 64-bit precision, rounding to
// nearest, traps on invalid operation, division by zero and overflow.
// SSE, which carries double arithmetic: the same three traps.
inline void set_x86_floating_point() {
#if defined(__x86_64__) || defined(__i386__)
  const std::uint16_t control_word = 0x1332;
  asm volatile("fnclex\n\tfldcw %0" : : "m"(control_word));
  std::uint32_t mxcsr = 0;
  asm volatile("stmxcsr %0" : "=m"(mxcsr));
  mxcsr &= ~0x3Fu;                                 // clear sticky flags
  mxcsr &= ~((1u << 7) | (1u << 9) | (1u << 10));  // unmask IM, ZM, OM
  asm volatile("ldmxcsr %0" : : "m"(mxcsr));
#endif
}

}  // namespace platform
