#include "runtime/text_channel.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/fakes/fake_platform.h"

namespace runtime {
namespace {

class TextOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::reset();
    bind_standard_channels();
  }
  void TearDown() override { io_error = 0; }
  std::string& written() { return fake::state.written[fake::kOutput]; }
  int device_writes() { return fake::state.write_calls[fake::kOutput]; }
};

TEST_F(TextOutput, EveryStatementIsDeliveredAtItsEnd) {
  end_write_line(output_channel);
  EXPECT_EQ(written(), "\r\n");
  write_string(output_channel, 0, "Enter n in [2...");
  write_integer(output_channel, 0, 2000);
  write_string(output_channel, 0, "] :");
  EXPECT_EQ(written(), "\r\n");  // nothing before the statement ends
  end_write(output_channel);
  EXPECT_EQ(written(), "\r\nEnter n in [2...2000] :");
  EXPECT_EQ(device_writes(), 2);
}

TEST_F(TextOutput, TextLongerThanTheBufferGoesOutIn256BytePieces) {
  write_string(output_channel, 0, std::string(150, 'a'));
  write_string(output_channel, 0, std::string(150, 'b'));
  EXPECT_EQ(written().size(), 256u);
  end_write(output_channel);
  EXPECT_EQ(written(), std::string(150, 'a') + std::string(150, 'b'));
  EXPECT_EQ(device_writes(), 2);
  // A buffer filled exactly is not delivered until the statement ends.
  SetUp();
  write_string(output_channel, 0, std::string(255, 'c'));
  write_char(output_channel, 0, 'd');
  EXPECT_EQ(written().size(), 255u);  // the byte waits for room first
  end_write(output_channel);
  EXPECT_EQ(written(), std::string(255, 'c') + "d");
}

TEST_F(TextOutput, WidthPadsOnTheLeftAndNeverCuts) {
  write_string(output_channel, 5, "ab");
  write_string(output_channel, 15, "12345678901234567");
  write_string(output_channel, 0, "");
  write_integer(output_channel, 4, -7);
  write_char(output_channel, 3, 'x');
  write_real(output_channel, 15, 3, 12.345);
  write_string(output_channel, 300, "z");  // wider than the buffer
  end_write(output_channel);
  EXPECT_EQ(written(), "   ab12345678901234567  -7  x" + std::string(9, ' ') +
                           "12.345" + std::string(299, ' ') + "z");
}

TEST_F(TextOutput, WrongModeRecordsAnErrorAndWritesNothing) {
  write_string(input_channel, 0, "x");
  EXPECT_EQ(io_error, 105);
  io_error = 0;
  TextChannel closed;
  bind_channel(closed, "");
  write_integer(closed, 0, 1);
  EXPECT_EQ(io_error, 103);
  // The first error stays; the rest of the statement adds nothing, but the
  // statement's end still delivers what was waiting.
  write_string(output_channel, 0, "lost");
  end_write_line(output_channel);
  EXPECT_EQ(written(), "");
  end_write(output_channel);
  EXPECT_EQ(written(), "");
  EXPECT_EQ(io_error, 103);
}

TEST_F(TextOutput, DeviceFailuresAreMappedAndTheBytesDropped) {
  const struct {
    std::uint32_t system_code;
    std::uint16_t io_code;
  } rows[] = {{6, 6}, {5, 5}, {19, 150}, {29, 160}, {31, 162},
              {32, 5}, {109, 109}, {112, 112}, {18, 18}, {33, 33}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.system_code);
    SetUp();
    fake::state.fail_next_call = row.system_code;
    write_string(output_channel, 0, "abc");
    end_write_line(output_channel);
    EXPECT_EQ(io_error, row.io_code);
    EXPECT_EQ(output_channel.position, 0);
    io_error = 0;
    end_write(output_channel);
    EXPECT_EQ(written(), "");
  }
  SetUp();
  fake::state.accept_limit = 2;
  write_string(output_channel, 0, "abc");
  end_write(output_channel);
  EXPECT_EQ(io_error, 101);
}

TEST_F(TextOutput, OpeningAndClosing) {
  // Closing delivers what waits; a standard handle is never released.
  write_string(output_channel, 0, "tail");
  close_channel(output_channel);
  EXPECT_EQ(written(), "tail");
  EXPECT_EQ(fake::state.closed, 0);
  EXPECT_EQ(output_channel.mode, ChannelMode::kClosed);
  close_channel(output_channel);
  EXPECT_EQ(io_error, 103);
  io_error = 0;
  // Nothing here opens files by name: the default open fails and the
  // channel stays closed.
  TextChannel named;
  bind_channel(named, "results.txt");
  EXPECT_STREQ(named.name, "results.txt");
  open_for_output(named);
  EXPECT_EQ(io_error, 2);
  EXPECT_EQ(named.mode, ChannelMode::kClosed);
  io_error = 0;
  // Reopening closes first, releasing a handle that is not a standard one.
  open_standard_channel(named, ChannelMode::kOutput, 7);
  write_string(named, 0, "last");
  open_for_input(named);
  EXPECT_EQ(fake::state.written[7], "last");
  EXPECT_EQ(fake::state.closed, 1);
  EXPECT_EQ(named.handle, platform::kNoHandle);
}

}  // namespace
}  // namespace runtime
