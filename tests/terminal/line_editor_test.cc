#include "terminal/line_editor.h"

#include "runtime/integer_input.h"
#include "tests/terminal/terminal_fixture.h"

namespace terminal {
namespace {

class LineEditor : public TerminalTest {
 protected:
  // Types `keys` and edits one line; gives the line as the reader sees it.
  std::string edit(const std::string& keys) {
    fake::type(keys);
    runtime::TextChannel& in = runtime::input_channel;
    terminal_read_line(in);
    EXPECT_EQ(in.position, 0);
    return std::string(reinterpret_cast<const char*>(in.buffer_ref),
                       static_cast<std::size_t>(in.end));
  }
};

TEST_F(LineEditor, KeysEditTheLineAndItsEcho) {
  struct Row {
    const char* name;
    const char* keys;
    const char* line;
    const char* screen;
  } rows[] = {
      {"plain answer", "16\n", "16", "16"},
      {"backspace at the end", "17{backspace}6\n", "16", "16"},
      {"backspace only at the end", "123{left}{backspace}\n", "123", "123"},
      {"Ctrl-S is backspace", "12{ctrl-s}\n", "1", "1"},
      {"Home, then overwrite", "x6{home}1\n", "16", "16"},
      {"Left twice, Right redraws", "ab{left}{left}{right}c\n", "ac", "ac"},
      {"End redraws to the end", "abc{home}{end}d\n", "abcd", "abcd"},
      {"Esc erases the line", "999{esc}8\n", "8", "8"},
      {"Ctrl-Y erases the line", "99{ctrl-y}7\n", "7", "7"},
      // The erasing backspaces start from the screen's cursor, which Home
      // took to the start: the line empties, its echo does not.
      {"Esc after Home", "12{home}{esc}3\n", "3", "32"},
      {"Ctrl-Z is dropped", "1{ctrl-z}2\n", "12", "12"},
      {"two-part keys are dropped",
       "1{alt-r}{alt-x}{f1}{f12}{up}{down}{ins}{del}{pgup}{kp-slash}2\n", "12",
       "12"},
      {"Enter in the middle keeps the rest", "123{left}{left}\n", "123", "123"},
      {"keypad Enter", "5{kp-enter}", "5", "5"},
      {"tab and bell are stored",
       "1\t\x07"
       "2\n",
       "1\t\x07"
       "2",
       "1\\x092"},
      {"empty line", "\n", "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    start();
    EXPECT_EQ(edit(r.keys), std::string(r.line) + "\r\n");
    EXPECT_EQ(row(1), r.screen);
    EXPECT_EQ(cursor(), "1,2");
    EXPECT_EQ(console_cursor(), "1,2");
  }
}

TEST_F(LineEditor, HoldsAtMost254Characters) {
  for (int typed : {253, 254, 255, 300}) {
    SCOPED_TRACE(typed);
    start();
    const int kept = typed < 254 ? typed : 254;
    EXPECT_EQ(edit(std::string(typed, '7') + "\n"),
              std::string(kept, '7') + "\r\n");
    EXPECT_EQ(fake::console.drawn, std::string(kept, '7'));
  }
  // A full line can still be edited at its end.
  start();
  EXPECT_EQ(edit(std::string(255, '7') + "{backspace}8\n"),
            std::string(253, '7') + "8\r\n");
}

TEST_F(LineEditor, WrappedLineBackspacesOnlyWithinItsRow) {
  start(10, 5);
  write("Enter:");
  fake::type("12345");
  fake::type("{backspace}");  // '5', alone on the second row
  fake::type("{backspace}");  // '4', at the end of the first row
  fake::type("\n");
  runtime::TextChannel& in = runtime::input_channel;
  terminal_read_line(in);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(in.buffer_ref), in.end),
            "123\r\n");
  EXPECT_EQ(row(1), "Enter:1234");  // the '4' stays visible
  EXPECT_EQ(row(2), "");
  EXPECT_EQ(cursor(), "1,3");
}

TEST_F(LineEditor, HomeOnAWrappedLineStopsTheScreenCursorAtColumnOne) {
  start(10, 5);
  write("Enter:");
  EXPECT_EQ(edit("12345{home}X\n"), "X2345\r\n");
  // The edit point went back to the start; the screen's cursor only to
  // column 1 of the second row, where X was drawn.
  EXPECT_EQ(row(1), "Enter:1234");
  EXPECT_EQ(row(2), "X");
}

TEST_F(LineEditor, AnswersAreReadThroughTheEditor) {
  start();
  write("Enter n in [2...2000] :");
  fake::type("  -4{backspace}42 junk\n8\n");
  EXPECT_EQ(runtime::read_integer(runtime::input_channel), -42);
  runtime::end_read_line(runtime::input_channel);
  EXPECT_EQ(runtime::read_integer(runtime::input_channel), 8);
  EXPECT_EQ(runtime::io_error, 0);
  EXPECT_EQ(row(1), "Enter n in [2...2000] :  -42 junk");
  EXPECT_EQ(row(2), "8");
}

TEST_F(LineEditor, WaitsForKeysWithPauses) {
  start();
  fake::console.batches.push_back({fake::keys("5\n"), false});
  EXPECT_EQ(edit(""), "5\r\n");
  EXPECT_GE(fake::console.pauses, 2);
  // Nothing left to type: the simulated user has gone, not a hang.
  EXPECT_THROW(edit(""), fake::KeysExhausted);
}

}  // namespace
}  // namespace terminal
