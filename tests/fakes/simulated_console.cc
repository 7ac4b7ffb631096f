// The simulated console; see simulated_console.h.  The operations follow
// the Windows console calls they stand for: the scroll moves and clips a
// rectangle, and keys are handed out one event at a time.
#include "tests/fakes/simulated_console.h"

#include <cstdio>
#include <stdexcept>

#include "platform/standard_io.h"

namespace fake {

ConsoleState console;
void (*console_setup)() = nullptr;

namespace {

// Runs the session's setup before the first operation.
void set_up_once() {
  if (console_setup == nullptr) return;
  void (*setup)() = console_setup;
  console_setup = nullptr;
  setup();
}

// Consumes the failure switch; true when this call must fail.
bool failing() {
  set_up_once();
  if (!console.fail_next_call) return false;
  console.fail_next_call = false;
  return true;
}

bool on_screen(platform::CellPosition cell) {
  return cell.x >= 0 && cell.y >= 0 && cell.x < console.width &&
         cell.y < console.height;
}

platform::InputEvent key(std::uint16_t virtual_key, std::uint16_t scan,
                         std::uint8_t character, std::uint32_t state = 0) {
  return {platform::kKeyEvent, true, virtual_key, scan, character, state};
}

constexpr std::uint8_t kLetterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23,
                                          36, 37, 38, 50, 49, 24, 25, 16, 19,
                                          31, 20, 22, 47, 17, 45, 21, 44};

platform::InputEvent named_key(std::string_view name) {
  using namespace platform;
  if (name == "esc") return key(0x1B, 1, 27);
  if (name == "enter") return key(0x0D, 28, 13);
  if (name == "backspace") return key(0x08, 14, 8);
  if (name == "tab") return key(0x09, 15, 9);
  if (name == "home") return key(0x24, 71, 0, kEnhancedKey);
  if (name == "up") return key(0x26, 72, 0, kEnhancedKey);
  if (name == "pgup") return key(0x21, 73, 0, kEnhancedKey);
  if (name == "left") return key(0x25, 75, 0, kEnhancedKey);
  if (name == "right") return key(0x27, 77, 0, kEnhancedKey);
  if (name == "end") return key(0x23, 79, 0, kEnhancedKey);
  if (name == "down") return key(0x28, 80, 0, kEnhancedKey);
  if (name == "pgdn") return key(0x22, 81, 0, kEnhancedKey);
  if (name == "ins") return key(0x2D, 82, 0, kEnhancedKey);
  if (name == "del") return key(0x2E, 83, 0, kEnhancedKey);
  if (name == "kp-enter") return key(0x0D, 28, 13, kEnhancedKey);
  if (name == "kp-slash") return key(0x6F, 53, '/', kEnhancedKey);
  if (name.size() >= 2 && name[0] == 'f') {
    const int number = std::stoi(std::string(name.substr(1)));
    const std::uint16_t scan =
        static_cast<std::uint16_t>(number <= 10 ? 58 + number : 76 + number);
    return key(static_cast<std::uint16_t>(0x70 + number - 1), scan, 0);
  }
  const auto with = [&](std::string_view prefix) {
    return name.starts_with(prefix) && name.size() == prefix.size() + 1;
  };
  if (with("alt-")) {
    InputEvent e = character_key(name.back());
    e.control_key_state |= kLeftAltPressed;
    return e;
  }
  if (with("altgr-")) {  // Windows reports AltGr as right Alt and left Ctrl
    InputEvent e = character_key(name.back());
    e.control_key_state |= kRightAltPressed | kLeftCtrlPressed;
    return e;
  }
  if (with("ctrl-")) {
    InputEvent e = character_key(name.back());
    e.character = static_cast<std::uint8_t>(name.back() & 0x1F);
    e.control_key_state = kLeftCtrlPressed;
    return e;
  }
  throw std::invalid_argument("unknown key {" + std::string(name) + "}");
}

// Hands out the next batch when the program is ready for it.
void release_batches() {
  if (!console.queue.empty()) {
    console.idle_looks = 0;
    return;
  }
  console.idle_looks = console.paused_since_look ? console.idle_looks + 1 : 0;
  const bool waiting = console.idle_looks >= 2;
  if (!console.batches.empty() &&
      (console.batches.front().while_computing || waiting)) {
    for (const platform::InputEvent& e : console.batches.front().events)
      console.queue.push_back(e);
    console.batches.pop_front();
    console.idle_looks = 0;
    return;
  }
  if (waiting && console.batches.empty()) {
    if (console.on_keys_exhausted == nullptr) throw KeysExhausted{};
    console.on_keys_exhausted();
  }
}

}  // namespace

void reset_console(int width, int height) {
  console = ConsoleState{};
  console.width = width;
  console.height = height;
  console.cells.assign(static_cast<std::size_t>(width) * height, ScreenCell{});
}

void resize_console(int width, int height) {
  std::vector<ScreenCell> cells(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height && y < console.height; ++y)
    for (int x = 0; x < width && x < console.width; ++x)
      cells[static_cast<std::size_t>(y) * width + x] = cell_at(x, y);
  console.cells = cells;
  console.width = width;
  console.height = height;
  console.changed = true;
}

ScreenCell& cell_at(int x, int y) {
  return console.cells.at(static_cast<std::size_t>(y) * console.width + x);
}

std::string row_text(int y) {
  std::string text;
  for (int x = 0; x < console.width; ++x) {
    const std::uint8_t c = cell_at(x, y).character;
    if (c >= 32 && c < 127) {
      text += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

std::string screen_text() {
  int last = console.height - 1;
  while (last >= 0 && row_text(last).empty()) --last;
  std::string text;
  for (int y = 0; y <= last; ++y) text += row_text(y) + "\n";
  return text;
}

platform::InputEvent character_key(char c) {
  using platform::kShiftPressed;
  if (c >= 'a' && c <= 'z')
    return key(static_cast<std::uint16_t>(c - 'a' + 'A'), kLetterScan[c - 'a'],
               static_cast<std::uint8_t>(c));
  if (c >= 'A' && c <= 'Z')
    return key(static_cast<std::uint16_t>(c), kLetterScan[c - 'A'],
               static_cast<std::uint8_t>(c), kShiftPressed);
  if (c >= '1' && c <= '9')
    return key(static_cast<std::uint16_t>(c),
               static_cast<std::uint16_t>(c - '0' + 1),
               static_cast<std::uint8_t>(c));
  struct Symbol {
    char c;
    std::uint16_t virtual_key;
    std::uint16_t scan;
    std::uint32_t state;
  };
  static constexpr Symbol kSymbols[] = {
      {'0', '0', 11, 0},
      {' ', 0x20, 57, 0},
      {'-', 0xBD, 12, 0},
      {'+', 0xBB, 13, kShiftPressed},
      {'=', 0xBB, 13, 0},
      {'$', '4', 5, kShiftPressed},
      {'%', '5', 6, kShiftPressed},
      {'.', 0xBE, 52, 0},
      {',', 0xBC, 51, 0},
      {'/', 0xBF, 53, 0},
      {'!', '1', 2, kShiftPressed},
      {'#', '3', 4, kShiftPressed},
      {'*', '8', 9, kShiftPressed},
      {';', 0xBA, 39, 0},
  };
  for (const Symbol& s : kSymbols)
    if (s.c == c)
      return key(s.virtual_key, s.scan, static_cast<std::uint8_t>(c), s.state);
  return key(0, 0, static_cast<std::uint8_t>(c));
}

std::vector<platform::InputEvent> keys(std::string_view script) {
  std::vector<platform::InputEvent> events;
  for (std::size_t i = 0; i < script.size(); ++i) {
    const char c = script[i];
    if (c == '{') {
      const std::size_t close = script.find('}', i);
      if (close == std::string_view::npos)
        throw std::invalid_argument("unclosed { in key script");
      events.push_back(named_key(script.substr(i + 1, close - i - 1)));
      i = close;
    } else if (c == '\n') {
      events.push_back(named_key("enter"));
    } else {
      events.push_back(character_key(c));
    }
  }
  return events;
}

void type(std::string_view script) {
  for (const platform::InputEvent& e : keys(script)) console.queue.push_back(e);
}

}  // namespace fake

namespace platform {

Handle open_console_screen() {
  if (fake::failing() || !fake::console.screen_opens) return kNoHandle;
  return fake::kConsoleScreen;
}

bool query_screen(Handle screen, ScreenInfo& info) {
  if (fake::failing()) return false;
  fake::ConsoleState& c = fake::console;
  const bool console_screen =
      (screen == standard_handle(StandardHandle::kOutput) &&
       c.output_is_console) ||
      (screen == fake::kConsoleScreen && c.screen_answers);
  if (!console_screen || c.queries_left <= 0) return false;
  --c.queries_left;
  info.size = {static_cast<std::int16_t>(c.width),
               static_cast<std::int16_t>(c.height)};
  info.cursor = c.cursor;
  info.attributes = c.attribute;
  return true;
}

bool screen_changed(Handle) {
  const bool changed = fake::console.changed;
  fake::console.changed = false;
  return changed;
}

bool write_cell(Handle, CellPosition cell, std::uint8_t character,
                std::uint16_t attribute) {
  ++fake::console.cell_writes;
  if (fake::failing() || !fake::on_screen(cell)) return false;
  fake::cell_at(cell.x, cell.y) = {character, attribute};
  fake::console.drawn += static_cast<char>(character);
  return true;
}

bool scroll_screen(Handle, const CellRectangle& move, const CellRectangle& clip,
                   CellPosition destination, std::uint8_t fill_character,
                   std::uint16_t fill_attribute) {
  ++fake::console.scrolls;
  if (fake::failing()) return false;
  fake::ConsoleState& c = fake::console;
  const auto in = [](const CellRectangle& r, int x, int y) {
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
  };
  const std::vector<fake::ScreenCell> before = c.cells;
  std::vector<bool> covered(before.size(), false);
  const int dx = destination.x - move.left;
  const int dy = destination.y - move.top;
  for (int y = move.top; y <= move.bottom; ++y)
    for (int x = move.left; x <= move.right; ++x) {
      const int tx = x + dx, ty = y + dy;
      if (!in(clip, tx, ty) ||
          !fake::on_screen(
              {static_cast<std::int16_t>(tx), static_cast<std::int16_t>(ty)}))
        continue;
      fake::cell_at(tx, ty) = before[static_cast<std::size_t>(y) * c.width + x];
      covered[static_cast<std::size_t>(ty) * c.width + tx] = true;
    }
  // The cells the move left behind, inside the clip, take the fill.
  for (int y = move.top; y <= move.bottom; ++y)
    for (int x = move.left; x <= move.right; ++x)
      if (in(clip, x, y) && !covered[static_cast<std::size_t>(y) * c.width + x])
        fake::cell_at(x, y) = {fill_character, fill_attribute};
  return true;
}

bool set_cursor(Handle, CellPosition cell) {
  ++fake::console.cursor_moves;
  if (fake::failing() || !fake::on_screen(cell)) return false;
  fake::console.cursor = cell;
  return true;
}

bool count_input_events(Handle input, std::uint32_t& count) {
  ++fake::console.counts;
  if (fake::failing()) return false;
  fake::ConsoleState& c = fake::console;
  if (!c.input_is_console || input != standard_handle(StandardHandle::kInput))
    return false;
  fake::release_batches();
  c.paused_since_look = false;
  count = static_cast<std::uint32_t>(c.queue.size());
  return true;
}

bool read_input_event(Handle input, InputEvent& event) {
  if (fake::failing()) return false;
  fake::ConsoleState& c = fake::console;
  if (!c.input_is_console || input != standard_handle(StandardHandle::kInput) ||
      c.queue.empty())
    return false;
  event = c.queue.front();
  c.queue.pop_front();
  return true;
}

void pause_for(std::uint32_t) {
  fake::set_up_once();
  ++fake::console.pauses;
  fake::console.paused_since_look = true;
}

void release_console() {
  fake::set_up_once();
  ++fake::console.releases;
  if (fake::console.on_release != nullptr) fake::console.on_release();
}

}  // namespace platform
