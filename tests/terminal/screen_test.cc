#include "terminal/screen.h"

#include "terminal/line_editor.h"
#include "tests/terminal/terminal_fixture.h"

namespace terminal {
namespace {

using DrawingTest = TerminalTest;

TEST_F(DrawingTest, ControlBytesMoveTheCursorOrAreDrawnAsOneCell) {
  struct Row {
    const char* name;
    std::string text;
    std::string first_row;
    std::string second_row;
    std::string cursor;
  } rows[] = {
      {"bell draws nothing",
       "ab\x07"
       "c",
       "abc", "", "4,1"},
      {"backspace at column 1", "\x08x", "x", "", "2,1"},
      {"backspace erases nothing", "ab\x08", "ab", "", "2,1"},
      {"backspace then overwrite", "ab\x08X", "aX", "", "3,1"},
      {"tab is one cell", "a\tb", "a\\x09b", "", "4,1"},
      {"line feed keeps the column", "ab\ncd", "ab", "  cd", "5,2"},
      {"carriage return", "abc\rX", "Xbc", "", "2,1"},
      {"other controls are cells", std::string("\x0c\x00\x1b", 3),
       "\\x0C\\x00\\x1B", "", "4,1"},
      {"high bytes are cells", "\xb0\xff", "\\xB0\\xFF", "", "3,1"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    start();
    write(r.text);
    EXPECT_EQ(row(1), r.first_row);
    EXPECT_EQ(row(2), r.second_row);
    EXPECT_EQ(cursor(), r.cursor);
    EXPECT_EQ(console_cursor(), r.cursor);
  }
}

TEST_F(DrawingTest, RowFilledToTheLastColumnWrapsAtOnce) {
  start(10, 5);
  write("abcdefghij");
  EXPECT_EQ(row(1), "abcdefghij");
  EXPECT_EQ(cursor(), "1,2");
  // So a line as wide as the screen, then CR LF, leaves an empty row.
  write("\r\nk");
  EXPECT_EQ(row(2), "");
  EXPECT_EQ(row(3), "k");
  // One column more or less.
  start(10, 5);
  write("abcdefghijk");
  EXPECT_EQ(row(2), "k");
  start(10, 5);
  write("abcdefghi");
  EXPECT_EQ(cursor(), "10,1");
}

TEST_F(DrawingTest, LineFeedOnTheBottomRowScrollsTheWindow) {
  start(20, 3);
  write("one\r\ntwo\r\nthree");
  EXPECT_EQ(fake::console.scrolls, 0);
  write("\r\nfour");
  EXPECT_EQ(fake::console.scrolls, 1);
  EXPECT_EQ(row(1), "two");
  EXPECT_EQ(row(2), "three");
  EXPECT_EQ(row(3), "four");
  EXPECT_EQ(cursor(), "5,3");
  // The row brought in is blank in the text attribute.
  for (int x = 4; x < 20; ++x) {
    EXPECT_EQ(fake::cell_at(x, 2).character, ' ');
    EXPECT_EQ(fake::cell_at(x, 2).attribute, 7);
  }
}

TEST_F(DrawingTest, LastCellOfTheScreenScrollsAsSoonAsItIsWritten) {
  start(5, 2, 1, 2);
  write("12345");
  EXPECT_EQ(row(1), "12345");
  EXPECT_EQ(row(2), "");
  EXPECT_EQ(cursor(), "1,2");
}

TEST_F(DrawingTest, TextStartsAtTheConsoleCursorInItsAttribute) {
  start(80, 25, 5, 10);
  fake::console.attribute = 0x1E;  // read at start-up only: no effect now
  write("x");
  EXPECT_EQ(row(10), "    x");
  EXPECT_EQ(fake::cell_at(4, 9).attribute, 7);
}

TEST_F(DrawingTest, OneCellWritePerCharacterAndOneCursorMovePerStatement) {
  start();
  const int moves = fake::console.cursor_moves;
  write("hello\r\n");
  EXPECT_EQ(fake::console.cell_writes, 5);
  EXPECT_EQ(fake::console.drawn, "hello");
  EXPECT_EQ(fake::console.cursor_moves, moves + 1);
  EXPECT_EQ(console_cursor(), "1,2");
}

TEST_F(DrawingTest, FailedConsoleCallsLeaveTheLayerAsIfTheyHadWorked) {
  start();
  fake::console.fail_next_call = true;
  write("ab");
  EXPECT_EQ(row(1), " b");
  EXPECT_EQ(cursor(), "3,1");
  start(10, 2, 1, 2);
  fake::console.fail_next_call = true;  // the cell
  write("a");
  fake::console.fail_next_call = true;  // the scroll
  write("\n");
  EXPECT_EQ(cursor(), "2,2");
  EXPECT_EQ(runtime::io_error, 0);
}

using ChangingScreen = TerminalTest;

// A window resized, or a shell's lines written during a stop: the layer
// takes the size and cursor again and draws on from there, wrapping and
// scrolling at the new edges.
TEST_F(ChangingScreen, DrawingFollowsTheNewSizeAndCursor) {
  struct Row {
    const char* name;
    int width, height;    // after the change
    int column, row;      // the console's cursor after it, 1-based
    std::string text;     // written after the change
    int row_checked;      // 1-based
    std::string checked;  // what that row holds then
    std::string cursor;
    int scrolls;
  } rows[] = {
      {"grown: no scroll until the new bottom", 80, 35, 1, 25,
       "a\r\nb\r\nc\r\n", 27, "c", "1,28", 0},
      {"grown wider: wraps at the new edge", 100, 25, 1, 25,
       std::string(90, 'w'), 25, std::string(90, 'w'), "91,25", 0},
      {"shrunk: wraps and scrolls at the new edges", 40, 10, 1, 10,
       std::string(45, 'x') + "\r\n", 9, "xxxxx", "1,10", 2},
      {"continued: the same size, the cursor below a shell's lines", 80, 25, 1,
       20, "echo", 20, "echo", "5,20", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    start(80, 25, 1, 25);
    write("before\r\n");  // scrolls once
    const int scrolls = fake::console.scrolls;
    fake::resize_console(r.width, r.height);
    fake::console.cursor = {static_cast<std::int16_t>(r.column - 1),
                            static_cast<std::int16_t>(r.row - 1)};
    write(r.text);
    EXPECT_EQ(terminal_state.window_max_x, r.width);
    EXPECT_EQ(terminal_state.window_max_y, r.height);
    EXPECT_EQ(row(r.row_checked), r.checked);
    EXPECT_EQ(cursor(), r.cursor);
    EXPECT_EQ(console_cursor(), r.cursor);
    EXPECT_EQ(fake::console.scrolls - scrolls, r.scrolls);
  }
}

// While the screen holds still, the console's cursor is read once, at
// start-up: the layer's own cursor is the truth, as before.
TEST_F(ChangingScreen, AScreenThatHoldsStillIsNotAskedAgain) {
  start(80, 25, 1, 1);
  const int queries = fake::console.queries_left;
  fake::console.cursor = {0, 9};  // someone else moved it
  write("ab");
  EXPECT_EQ(fake::console.queries_left, queries);
  EXPECT_EQ(row(1), "ab");
  EXPECT_EQ(cursor(), "3,1");
}

// A change during a key wait is followed before the key is echoed.
TEST_F(ChangingScreen, TheLineEditorEchoesWhereTheCursorNowStands) {
  start(80, 25, 1, 1);
  fake::type("12");
  fake::console.on_keys_exhausted = [] {
    fake::console.on_keys_exhausted = nullptr;
    fake::console.cursor = {0, 19};
    fake::console.changed = true;
    fake::type("3\n");
  };
  runtime::TextChannel& in = runtime::input_channel;
  terminal_read_line(in);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(in.buffer_ref),
                        static_cast<std::size_t>(in.end)),
            "123\r\n");
  EXPECT_EQ(row(1), "12");
  EXPECT_EQ(row(20), "3");
  EXPECT_EQ(cursor(), "1,21");
}

}  // namespace
}  // namespace terminal
