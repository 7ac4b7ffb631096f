// The console operations of the Windows backend: input records turned
// into events, handles that are no console refused at once, and every
// operation on a real console (wine's, without a window), checked by
// reading the console back through its own calls.
#include "platform/console.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/standard_io.h"
#include "platform/windows/input_record.h"
#include "tests/platform/windows/real_console.h"

namespace {

using platform::Handle;

Handle handle_of(HANDLE native) { return reinterpret_cast<Handle>(native); }

INPUT_RECORD key_record(BOOL down, WORD virtual_key, WORD scan, CHAR character,
                        DWORD state) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent = {down, 1, virtual_key, scan, {}, state};
  record.Event.KeyEvent.uChar.AsciiChar = character;
  return record;
}

void expect_event(const platform::InputEvent& actual,
                  const platform::InputEvent& expected) {
  EXPECT_EQ(actual.event_type, expected.event_type);
  EXPECT_EQ(actual.key_down, expected.key_down);
  EXPECT_EQ(actual.virtual_key_code, expected.virtual_key_code);
  EXPECT_EQ(actual.virtual_scan_code, expected.virtual_scan_code);
  EXPECT_EQ(actual.character, expected.character);
  EXPECT_EQ(actual.control_key_state, expected.control_key_state);
}

TEST(InputRecord, KeyEventsKeepTheFieldsTheKeysRead) {
  struct Row {
    const char* name;
    INPUT_RECORD record;
    platform::InputEvent expected;
  } rows[] = {
      {"r pressed",
       key_record(TRUE, 'R', 19, 'r', 0),
       {1, true, 'R', 19, 'r', 0}},
      {"r released",
       key_record(FALSE, 'R', 19, 'r', 0),
       {1, false, 'R', 19, 'r', 0}},
      // Any non-zero BOOL is true.
      {"press reported as 2",
       key_record(2, 'R', 19, 'r', 0),
       {1, true, 'R', 19, 'r', 0}},
      // CHAR is signed: code page bytes from 128 up keep their value.
      {"e acute of code page 437",
       key_record(TRUE, 0xDE, 40, '\x82', 0),
       {1, true, 0xDE, 40, 0x82, 0}},
      {"byte 255",
       key_record(TRUE, 0xDE, 40, '\xFF', 0x10),
       {1, true, 0xDE, 40, 0xFF, 0x10}},
      // Keypad / with left Alt and Num Lock on: every flag and all 16 bits
      // of the codes pass.
      {"left Alt keypad slash",
       key_record(TRUE, 0x16F, 0x135, '/', 0x0122),
       {1, true, 0x16F, 0x135, '/', 0x0122}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    expect_event(platform::input_event_from(row.record), row.expected);
  }
}

TEST(InputRecord, OtherKindsKeepOnlyTheirType) {
  // Each of these fills the union that a key event would be read from.
  INPUT_RECORD mouse{};
  mouse.EventType = MOUSE_EVENT;
  mouse.Event.MouseEvent = {
      {3, 4}, FROM_LEFT_1ST_BUTTON_PRESSED, LEFT_ALT_PRESSED, DOUBLE_CLICK};
  INPUT_RECORD focus{};
  focus.EventType = FOCUS_EVENT;
  focus.Event.FocusEvent.bSetFocus = TRUE;
  INPUT_RECORD size{};
  size.EventType = WINDOW_BUFFER_SIZE_EVENT;
  size.Event.WindowBufferSizeEvent.dwSize = {80, 25};
  INPUT_RECORD menu{};
  menu.EventType = MENU_EVENT;
  menu.Event.MenuEvent.dwCommandId = 0x1234;
  const struct {
    const char* name;
    INPUT_RECORD record;
    std::uint16_t type;
  } rows[] = {{"mouse", mouse, 2},
              {"focus", focus, 0x10},
              {"buffer size", size, 4},
              {"menu", menu, 8}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    expect_event(platform::input_event_from(row.record),
                 {row.type, false, 0, 0, 0, 0});
  }
}

// A pipe holding bytes that a console read must not take.
struct FilledPipe {
  HANDLE reader = nullptr;
  HANDLE writer = nullptr;
  FilledPipe() {
    CreatePipe(&reader, &writer, nullptr, 0);
    DWORD written = 0;
    WriteFile(writer, "16\r\n", 4, &written, nullptr);
  }
  ~FilledPipe() {
    CloseHandle(reader);
    CloseHandle(writer);
  }
};

TEST(NoConsole, NeitherScreenNorInputIsFoundAndNothingWaits) {
  real_console::detach();
  EXPECT_EQ(platform::open_console_screen(), platform::kNoHandle);

  FilledPipe pipe;
  char folder[MAX_PATH], path[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "wct", 0, path);
  const HANDLE file = CreateFileA(
      path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  const HANDLE null_device =
      CreateFileA("NUL", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const struct {
    const char* name;
    HANDLE handle;
  } rows[] = {{"pipe with bytes", pipe.reader},
              {"pipe's writing end", pipe.writer},
              {"disk file", file},
              {"NUL", null_device}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    platform::ScreenInfo info{{1, 2}, {3, 4}, 5};
    EXPECT_FALSE(platform::query_screen(handle_of(row.handle), info));
    EXPECT_EQ(info.size.x, 1);  // untouched
    EXPECT_EQ(info.cursor.y, 4);
    EXPECT_EQ(info.attributes, 5);
    std::uint32_t count = 77;
    EXPECT_FALSE(platform::count_input_events(handle_of(row.handle), count));
    EXPECT_EQ(count, 77u);
    // Fails at once rather than waiting for an event that never comes.
    platform::InputEvent event{};
    EXPECT_FALSE(platform::read_input_event(handle_of(row.handle), event));
  }
  // The bytes are still there for the standard read.
  std::uint8_t bytes[8];
  std::uint32_t got = 0;
  ASSERT_TRUE(platform::read_file(handle_of(pipe.reader), bytes, 8, got));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), got), "16\r\n");
  CloseHandle(file);
  CloseHandle(null_device);
}

// Each test starts on an 80 x 25 console of blanks, cursor at the top left.
class RealConsole : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(real_console::attach())
        << "no console could be made (under wine: is the prefix's graphics "
           "driver \"null\"?)";
    screen_ = real_console::open_screen();
    input_ = real_console::open_input();
    ASSERT_NE(screen_, INVALID_HANDLE_VALUE);
    ASSERT_NE(input_, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(real_console::reset(screen_, input_, 80, 25));
  }
  void TearDown() override {
    if (screen_ != INVALID_HANDLE_VALUE) CloseHandle(screen_);
    if (input_ != INVALID_HANDLE_VALUE) CloseHandle(input_);
  }
  Handle screen() const { return handle_of(screen_); }
  Handle input() const { return handle_of(input_); }
  char character_at(int x, int y) const {
    return real_console::cell(screen_, x, y).Char.AsciiChar;
  }
  WORD attribute_at(int x, int y) const {
    return real_console::cell(screen_, x, y).Attributes;
  }

  HANDLE screen_ = INVALID_HANDLE_VALUE;
  HANDLE input_ = INVALID_HANDLE_VALUE;
};

TEST_F(RealConsole, TheOpenedScreenReportsSizeCursorAndColours) {
  ASSERT_TRUE(SetConsoleCursorPosition(screen_, COORD{5, 7}));
  ASSERT_TRUE(SetConsoleTextAttribute(screen_, 0x1E));
  const Handle opened = platform::open_console_screen();
  ASSERT_NE(opened, platform::kNoHandle);
  platform::ScreenInfo info{};
  ASSERT_TRUE(platform::query_screen(opened, info));
  EXPECT_EQ(info.size.x, 80);
  EXPECT_EQ(info.size.y, 25);
  EXPECT_EQ(info.cursor.x, 5);
  EXPECT_EQ(info.cursor.y, 7);
  EXPECT_EQ(info.attributes, 0x1E);
  CloseHandle(reinterpret_cast<HANDLE>(opened));
}

TEST_F(RealConsole, WriteCellDrawsOneCellAndLeavesTheCursor) {
  ASSERT_TRUE(SetConsoleCursorPosition(screen_, COORD{40, 12}));
  const struct {
    int x, y;
    std::uint8_t character;
    std::uint16_t attribute;
  } rows[] = {
      {0, 0, 'A', 0x07},    {79, 0, 0x01, 0x1E}, {0, 24, 0x09, 0x70},
      {79, 24, 0x82, 0x4F}, {1, 1, 0xB0, 0x07},  {2, 1, 0xFF, 0x07},
      {3, 1, 0x7F, 0x0A},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.x) + "," + std::to_string(row.y));
    EXPECT_TRUE(platform::write_cell(
        screen(),
        {static_cast<std::int16_t>(row.x), static_cast<std::int16_t>(row.y)},
        row.character, row.attribute));
    EXPECT_EQ(static_cast<std::uint8_t>(character_at(row.x, row.y)),
              row.character);
    EXPECT_EQ(attribute_at(row.x, row.y), row.attribute);
  }
  // The neighbours of a cell are untouched, and so is the cursor.
  EXPECT_EQ(character_at(1, 0), ' ');
  EXPECT_EQ(character_at(78, 0), ' ');
  EXPECT_EQ(character_at(0, 23), ' ');
  EXPECT_EQ(attribute_at(1, 0), 7);
  platform::ScreenInfo info{};
  ASSERT_TRUE(platform::query_screen(screen(), info));
  EXPECT_EQ(info.cursor.x, 40);
  EXPECT_EQ(info.cursor.y, 12);
}

TEST_F(RealConsole, ScrollMovesWhatFallsInsideTheClipAndFillsTheRest) {
  // Row y holds 'a' + y at both ends.
  for (int y = 0; y < 25; ++y)
    for (std::int16_t x : {0, 79})
      platform::write_cell(screen(), {x, static_cast<std::int16_t>(y)},
                           static_cast<std::uint8_t>('a' + y), 7);
  // The terminal layer's one use: the whole screen up a row.
  const platform::CellRectangle whole{0, 0, 79, 24};
  EXPECT_TRUE(
      platform::scroll_screen(screen(), whole, whole, {0, -1}, ' ', 0x1E));
  for (int y = 0; y < 24; ++y) {
    SCOPED_TRACE(y);
    EXPECT_EQ(character_at(0, y), 'a' + y + 1);
    EXPECT_EQ(character_at(79, y), 'a' + y + 1);
  }
  EXPECT_EQ(character_at(0, 24), ' ');
  EXPECT_EQ(character_at(79, 24), ' ');
  EXPECT_EQ(attribute_at(0, 24), 0x1E);
  EXPECT_EQ(attribute_at(79, 23), 7);

  // Rows 2 to 4 moved to row 0, inside a clip of rows 1 to 4: row 0 is
  // outside the clip and keeps its cells; rows 3 and 4, uncovered, are
  // filled; row 5 is outside both.
  ASSERT_TRUE(real_console::reset(screen_, input_, 80, 25));
  for (int y = 0; y < 6; ++y)
    platform::write_cell(screen(), {0, static_cast<std::int16_t>(y)},
                         static_cast<std::uint8_t>('a' + y), 7);
  EXPECT_TRUE(platform::scroll_screen(screen(), {0, 2, 79, 4}, {0, 1, 79, 4},
                                      {0, 0}, '#', 0x2F));
  const char expected[] = "ade##f";
  for (int y = 0; y < 6; ++y) {
    SCOPED_TRACE(y);
    EXPECT_EQ(character_at(0, y), expected[y]);
  }
  EXPECT_EQ(attribute_at(0, 3), 0x2F);
  EXPECT_EQ(attribute_at(0, 2), 7);
}

TEST_F(RealConsole, SetCursorMovesTheConsolesCursor) {
  const platform::CellPosition cells[] = {{79, 24}, {0, 24}, {0, 0}, {33, 9}};
  for (const platform::CellPosition& cell : cells) {
    SCOPED_TRACE(std::to_string(cell.x) + "," + std::to_string(cell.y));
    EXPECT_TRUE(platform::set_cursor(screen(), cell));
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(screen_, &info));
    EXPECT_EQ(info.dwCursorPosition.X, cell.x);
    EXPECT_EQ(info.dwCursorPosition.Y, cell.y);
  }
}

TEST_F(RealConsole, InputEventsAreCountedAndReadInOrder) {
  std::uint32_t count = 99;
  ASSERT_TRUE(platform::count_input_events(input(), count));
  EXPECT_EQ(count, 0u);
  INPUT_RECORD queued[3] = {key_record(TRUE, 'R', 19, 'r', LEFT_ALT_PRESSED),
                            {},
                            key_record(FALSE, 'R', 19, 'r', LEFT_ALT_PRESSED)};
  queued[1].EventType = FOCUS_EVENT;
  queued[1].Event.FocusEvent.bSetFocus = TRUE;
  DWORD written = 0;
  ASSERT_TRUE(WriteConsoleInputA(input_, queued, 3, &written));
  ASSERT_EQ(written, 3u);
  ASSERT_TRUE(platform::count_input_events(input(), count));
  EXPECT_EQ(count, 3u);
  const platform::InputEvent expected[3] = {
      {1, true, 'R', 19, 'r', LEFT_ALT_PRESSED},
      {0x10, false, 0, 0, 0, 0},
      {1, false, 'R', 19, 'r', LEFT_ALT_PRESSED}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    platform::InputEvent event{};
    ASSERT_TRUE(platform::read_input_event(input(), event));
    expect_event(event, expected[i]);
  }
  ASSERT_TRUE(platform::count_input_events(input(), count));
  EXPECT_EQ(count, 0u);
}

}  // namespace
