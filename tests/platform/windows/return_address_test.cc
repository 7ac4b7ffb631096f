// The walk of the failure report on Windows, through the unwind tables:
// return addresses start with the caller and lead outwards, each inside
// the routine that made the call, and offsets count from the executable's
// load address.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/process.h"

namespace {

constexpr int kCapacity = 64;
std::uintptr_t addresses[kCapacity];
int captured = 0;
int capacity = kCapacity;

// Three routines that keep their frames; the empty statement after each
// call keeps the call from being the routine's last instruction.
[[gnu::noinline]] void capture() {
  captured = platform::capture_return_addresses(addresses, capacity);
  asm volatile("" ::: "memory");
}
[[gnu::noinline]] void middle() {
  capture();
  asm volatile("" ::: "memory");
}
[[gnu::noinline]] void outer() {
  middle();
  asm volatile("" ::: "memory");
}

std::uintptr_t address_of(void (*routine)()) {
  return reinterpret_cast<std::uintptr_t>(routine);
}

TEST(ReturnAddresses, LeadOutwardsFromTheCaller) {
  capacity = kCapacity;
  outer();
  // The test body, gtest's own routines, main, the C runtime's start-up.
  ASSERT_GE(captured, 5);
  // Each address points just after a call: the byte before is the call.
  EXPECT_EQ(platform::enclosing_routine(addresses[0] - 1), address_of(capture));
  EXPECT_EQ(platform::enclosing_routine(addresses[1] - 1), address_of(middle));
  EXPECT_EQ(platform::enclosing_routine(addresses[2] - 1), address_of(outer));
}

TEST(ReturnAddresses, StopAtTheCapacity) {
  capacity = kCapacity;
  outer();
  const std::uintptr_t first = addresses[0];
  for (int limit : {0, 1, 2}) {
    SCOPED_TRACE(limit);
    addresses[0] = 0;
    capacity = limit;
    outer();
    EXPECT_EQ(captured, limit);
    if (limit > 0) {
      EXPECT_EQ(addresses[0], first);
    }
  }
}

TEST(ReturnAddresses, AnAddressOutsideTheCodeHasNoRoutine) {
  int on_the_stack = 0;
  EXPECT_EQ(platform::enclosing_routine(
                reinterpret_cast<std::uintptr_t>(&on_the_stack)),
            0u);
}

TEST(ModuleOffset, CountsFromTheExecutablesLoadAddress) {
  const auto* header =
      reinterpret_cast<const IMAGE_DOS_HEADER*>(GetModuleHandleW(nullptr));
  const auto* image = reinterpret_cast<const IMAGE_NT_HEADERS64*>(
      reinterpret_cast<const std::uint8_t*>(header) + header->e_lfanew);
  EXPECT_EQ(platform::module_offset(reinterpret_cast<std::uintptr_t>(header)),
            0u);
  // The entry point as the image's header gives it: an offset already.
  const std::uintptr_t entry = reinterpret_cast<std::uintptr_t>(header) +
                               image->OptionalHeader.AddressOfEntryPoint;
  EXPECT_EQ(platform::module_offset(entry),
            image->OptionalHeader.AddressOfEntryPoint);
  EXPECT_LT(platform::module_offset(address_of(capture)),
            image->OptionalHeader.SizeOfImage);
}

}  // namespace
