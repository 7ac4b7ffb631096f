// The key bytes that read_key gives and the programs act on, defined here
// once.  A key is one byte, its character, or a two-part key: kTwoPart,
// then a code made from the key's scan code by its modifiers (see
// extended_code in key_events.h).
#pragma once

#include <cstdint>

namespace terminal::key {

// The first byte of a two-part key.
inline constexpr std::uint8_t kTwoPart = 0;

// Keys of one byte: control characters.
inline constexpr std::uint8_t kBackspace = 8;  // also Ctrl-H
inline constexpr std::uint8_t kEnter = 13;     // also Ctrl-M
inline constexpr std::uint8_t kCtrlS = 19;
inline constexpr std::uint8_t kCtrlY = 25;
inline constexpr std::uint8_t kCtrlZ = 26;
inline constexpr std::uint8_t kEscape = 27;

// Second bytes of two-part keys.
inline constexpr std::uint8_t kAltR = 19;
inline constexpr std::uint8_t kHome = 71;
inline constexpr std::uint8_t kLeft = 75;
inline constexpr std::uint8_t kRight = 77;
inline constexpr std::uint8_t kEnd = 79;

}  // namespace terminal::key
