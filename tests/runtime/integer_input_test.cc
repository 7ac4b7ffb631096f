#include "runtime/integer_input.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/fakes/fake_platform.h"

namespace runtime {
namespace {

TEST(ParseInteger, AcceptsSignedDecimalHexadecimalAndBinary) {
  const struct {
    std::string word;
    std::int32_t value;
  } rows[] = {
      {"42", 42},       {"+42", 42},
      {"007", 7},       {"$2A", 42},
      {"$2a", 42},      {"-2147483648", -2147483647 - 1},
      {"2147483647", 2147483647},
      {"$FF", 255},     {"$FFFFFFFF", -1},
      {"$80000000", -2147483647 - 1},
      {"-$10", -16},    {"%11", 3},
      {"%101", 5},      {"$000000000010", 16},
      {"-0", 0},        {std::string(255, '0'), 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.word);
    const auto value = parse_integer(row.word);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(*value, row.value);
  }
}

TEST(ParseInteger, RefusesEverythingElse) {
  for (const char* word :
       {"", "-", "+", "$", "%", "2147483648", "-2147483649", "99999999999",
        "+2147483648", "$100000000", "%12", "1.5", "abc", "1,000", "12abc",
        "1e3", "0x10", "4.5", "$-1", "--1", "$G"}) {
    SCOPED_TRACE(word);
    EXPECT_FALSE(parse_integer(word).has_value());
  }
}

class ReadFromInput : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::reset();
    bind_standard_channels();
  }
  void TearDown() override { io_error = 0; }
  void type(std::initializer_list<std::string> pieces) {
    for (const std::string& piece : pieces) fake::state.reads.push_back(piece);
  }
  // read_integer then end_read_line, as a read statement does.
  std::int32_t read_statement() {
    const std::int32_t value = read_integer(input_channel);
    end_read_line(input_channel);
    return value;
  }
};

TEST_F(ReadFromInput, NumberEndsAtBlankAndTheLineIsDropped) {
  const struct {
    std::string input;
    std::int32_t value;
  } rows[] = {
      {"42\r\n", 42},       {"  42  \r\n", 42}, {"\t42\n", 42},
      {"42 7\r\n", 42},     {"4 2\n", 4},       {"42\r", 42},
      {"\r\n\r\n  \n42\n", 42},  // empty and blank lines are passed over
      {"$10 hex\n", 16},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.input);
    SetUp();
    type({row.input, "99\n"});
    EXPECT_EQ(read_statement(), row.value);
    EXPECT_EQ(io_error, 0);
    EXPECT_EQ(read_statement(), 99);  // the next line is untouched
  }
}

TEST_F(ReadFromInput, LineEndsOfEveryKindEndTheRead) {
  type({"1\r\n2\n3\r4\r\n"});
  EXPECT_EQ(read_statement(), 1);
  EXPECT_EQ(read_statement(), 2);
  EXPECT_EQ(read_statement(), 3);
  EXPECT_EQ(read_statement(), 4);
}

TEST_F(ReadFromInput, ImproperAnswerRecordsInvalidInput) {
  for (const char* input : {"12abc\n", "abc\n", "1.5\n", "-\n", "2147483648\n"}) {
    SCOPED_TRACE(input);
    SetUp();
    type({input});
    EXPECT_EQ(read_integer(input_channel), 0);
    EXPECT_EQ(io_error, 106);
    end_read_line(input_channel);  // does nothing while the error is pending
    EXPECT_EQ(io_error, 106);
  }
}

TEST_F(ReadFromInput, EndOfInputIsInvalidInput) {
  type({"  \n"});
  EXPECT_EQ(read_integer(input_channel), 0);
  EXPECT_EQ(io_error, 106);
}

TEST_F(ReadFromInput, NumberWithoutLineEndAtEndOfInput) {
  type({"42"});
  EXPECT_EQ(read_statement(), 42);
  EXPECT_EQ(io_error, 0);
}

TEST_F(ReadFromInput, LongWordsAndLinesCrossTheBuffer) {
  // 300 zeros: the word keeps 255 of them, the line's rest is dropped.
  type({std::string(300, '0') + "\n5\n"});
  EXPECT_EQ(read_statement(), 0);
  EXPECT_EQ(read_statement(), 5);
  // A number split across two refills, then a line of 600 bytes.
  SetUp();
  type({"1", "23", "\n", std::string(600, 'x') + "\n", "7\n"});
  EXPECT_EQ(read_statement(), 123);
  end_read_line(input_channel);
  EXPECT_EQ(read_statement(), 7);
  EXPECT_EQ(io_error, 0);
}

TEST_F(ReadFromInput, WrongModeAndFailedDevice) {
  EXPECT_EQ(read_integer(output_channel), 0);
  EXPECT_EQ(io_error, 104);
  io_error = 0;
  TextChannel closed;
  bind_channel(closed, "");
  end_read_line(closed);
  EXPECT_EQ(io_error, 103);
  io_error = 0;
  fake::state.fail_next_call = 6;
  EXPECT_EQ(read_integer(input_channel), 0);
  EXPECT_EQ(io_error, 6);  // the device's failure, not "invalid input"
}

}  // namespace
}  // namespace runtime
