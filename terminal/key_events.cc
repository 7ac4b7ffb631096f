// Key events: which console events give keys, the pending key that
// key_waiting holds for read_key, and the codes of two-part keys.
#include "terminal/key_events.h"

#include "platform/console.h"
#include "runtime/text_channel.h"
#include "terminal/key_codes.h"

namespace terminal {

KeyState key_state;

namespace {

constexpr std::uint8_t kVkReturn = 0x0D;
constexpr std::uint8_t kVkShift = 0x10;
constexpr std::uint8_t kVkControl = 0x11;
constexpr std::uint8_t kVkMenu = 0x12;  // Alt
constexpr std::uint8_t kVkCapital = 0x14;
constexpr std::uint8_t kVkNumpad0 = 0x60;
constexpr std::uint8_t kVkNumpad9 = 0x69;
constexpr std::uint8_t kVkNumlock = 0x90;
constexpr std::uint8_t kVkScroll = 0x91;

constexpr std::uint32_t kAltHeld =
    platform::kRightAltPressed | platform::kLeftAltPressed;
constexpr std::uint32_t kCtrlHeld =
    platform::kRightCtrlPressed | platform::kLeftCtrlPressed;

bool lone_modifier(std::uint8_t virtual_key) {
  return virtual_key == kVkShift || virtual_key == kVkControl ||
         virtual_key == kVkMenu || virtual_key == kVkCapital ||
         virtual_key == kVkNumlock || virtual_key == kVkScroll;
}

bool keypad_digit(std::uint8_t virtual_key) {
  return virtual_key >= kVkNumpad0 && virtual_key <= kVkNumpad9;
}

// A range of scan codes that one modifier class maps to scan + offset.
struct Mapping {
  std::uint16_t first_scan;
  std::uint16_t last_scan;
  std::int16_t offset;
};

constexpr Mapping kAltCodes[] = {
    {2, 13, 118}, {28, 28, 138}, {53, 53, 111}, {59, 68, 45}, {71, 73, 80},
    {75, 75, 80}, {77, 77, 80},  {79, 83, 80},  {87, 88, 52},
};
constexpr Mapping kShiftCodes[] = {{59, 68, 25}, {87, 88, 48}};
constexpr Mapping kPlainCodes[] = {{87, 88, 46}};
constexpr Mapping kCtrlRanges[] = {
    {15, 15, 133}, {53, 53, 96}, {55, 55, 95}, {59, 68, 35}, {87, 88, 50},
};
// Ctrl with the keys of scan codes 71 to 83 (the cursor block and the
// keypad); keypad + (78) keeps its own code.
constexpr std::uint16_t kFirstKeypadScan = 71;  // Home
constexpr std::uint16_t kLastKeypadScan = 83;   // Del
constexpr std::uint8_t kCtrlKeypad[kLastKeypadScan - kFirstKeypadScan + 1] = {
    119, 141, 132, 142, 115, 143, 116, 78, 117, 145, 118, 146, 147};

template <std::size_t N>
std::uint16_t look_up(const Mapping (&table)[N], std::uint16_t scan) {
  for (const Mapping& m : table)
    if (scan >= m.first_scan && scan <= m.last_scan)
      return static_cast<std::uint16_t>(scan + m.offset);
  return scan;  // a scan code the class does not list is its own code
}

// Classifies a key press into the pending key (step by step as a console
// program sees it); false when the event gives no key.
bool take_press(const platform::InputEvent& event) {
  const auto virtual_key = static_cast<std::uint8_t>(event.virtual_key_code);
  if (lone_modifier(virtual_key)) return false;
  const std::uint32_t state = event.control_key_state;
  if (event.character != 0 &&
      (state & (platform::kEnhancedKey | platform::kLeftAltPressed)) == 0) {
    key_state.pending_key = event.character;
    key_state.extended_pending = false;
  } else if (event.character == key::kEnter &&
             event.virtual_key_code == kVkReturn) {
    key_state.pending_key = key::kEnter;
    key_state.extended_pending = false;
  } else {
    key_state.pending_key =
        extended_code(event.virtual_scan_code, state, event.virtual_key_code);
    key_state.extended_pending = true;
  }
  if (keypad_digit(virtual_key) && (state & kAltHeld) != 0) {
    // Part of an Alt-keypad entry: the value is delivered on Alt's release.
    key_state.pending_key = 0;
    key_state.extended_pending = false;
    return false;
  }
  return true;
}

bool take_release(const platform::InputEvent& event) {
  const auto virtual_key = static_cast<std::uint8_t>(event.virtual_key_code);
  if (virtual_key != kVkMenu || !key_state.alt_entry_active ||
      key_state.alt_entry_value == 0)
    return false;
  key_state.pending_key = key_state.alt_entry_value;
  key_state.extended_pending = false;
  key_state.alt_entry_active = false;
  key_state.alt_entry_value = 0;
  return true;
}

}  // namespace

std::uint8_t extended_code(std::uint16_t scan_code,
                           std::uint32_t control_key_state,
                           std::uint16_t virtual_key_code) {
  std::uint16_t code = scan_code;
  if ((control_key_state & kAltHeld) != 0) {
    if (virtual_key_code >= kVkNumpad0 && virtual_key_code <= kVkNumpad9) {
      key_state.alt_entry_active = true;
      key_state.alt_entry_value = static_cast<std::uint8_t>(
          key_state.alt_entry_value * 10 + (virtual_key_code - kVkNumpad0));
    }
    code = look_up(kAltCodes, scan_code);
  } else if ((control_key_state & kCtrlHeld) != 0) {
    code = scan_code >= kFirstKeypadScan && scan_code <= kLastKeypadScan
               ? kCtrlKeypad[scan_code - kFirstKeypadScan]
               : look_up(kCtrlRanges, scan_code);
  } else if ((control_key_state & platform::kShiftPressed) != 0) {
    code = look_up(kShiftCodes, scan_code);
  } else {
    code = look_up(kPlainCodes, scan_code);
  }
  return static_cast<std::uint8_t>(code);
}

bool key_waiting() {
  if (key_state.pending_key != 0) return true;
  const platform::Handle input = runtime::input_channel.handle;
  std::uint32_t waiting = 0;
  // A failed count (input that is no console) is no key waiting.
  if (!platform::count_input_events(input, waiting)) return false;
  while (waiting > 0) {
    platform::InputEvent event{};
    if (!platform::read_input_event(input, event)) return false;
    if (event.event_type == platform::kKeyEvent &&
        (event.key_down ? take_press(event) : take_release(event)))
      return true;
    if (!platform::count_input_events(input, waiting)) return false;
  }
  return false;
}

std::uint8_t read_key() {
  do {
    platform::pause_for(1);
  } while (!key_waiting());
  if (key_state.extended_pending) {
    key_state.extended_pending = false;
    return key::kTwoPart;
  }
  const std::uint8_t key = key_state.pending_key;
  key_state.pending_key = 0;
  return key;
}

}  // namespace terminal
