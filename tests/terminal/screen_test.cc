#include "terminal/screen.h"

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

}  // namespace
}  // namespace terminal
