#include "terminal/key_events.h"

#include <vector>

#include "tests/terminal/terminal_fixture.h"

namespace terminal {
namespace {

using platform::InputEvent;
constexpr std::uint32_t kLeftAlt = platform::kLeftAltPressed;
constexpr std::uint32_t kRightAlt = platform::kRightAltPressed;
constexpr std::uint32_t kCtrl = platform::kLeftCtrlPressed;
constexpr std::uint32_t kRightCtrl = platform::kRightCtrlPressed;
constexpr std::uint32_t kShift = platform::kShiftPressed;
constexpr std::uint32_t kEnhanced = platform::kEnhancedKey;

InputEvent press(std::uint16_t virtual_key, std::uint16_t scan,
                 std::uint8_t character, std::uint32_t state = 0) {
  return {platform::kKeyEvent, true, virtual_key, scan, character, state};
}
InputEvent release(std::uint16_t virtual_key) {
  return {platform::kKeyEvent, false, virtual_key, 0, 0, 0};
}

class KeyEvents : public TerminalTest {
 protected:
  // Queues `events`, then reads every key byte they give.
  std::vector<int> read_all(const std::vector<InputEvent>& events) {
    start();
    for (const InputEvent& e : events) fake::console.queue.push_back(e);
    std::vector<int> bytes;
    while (key_waiting()) bytes.push_back(read_key());
    EXPECT_TRUE(fake::console.queue.empty());
    return bytes;
  }
};

using Bytes = std::vector<int>;

TEST_F(KeyEvents, KeysGiveOneByteOrTwo) {
  struct Row {
    const char* name;
    std::vector<InputEvent> events;
    Bytes bytes;
  } rows[] = {
      {"r", {press('R', 19, 'r')}, {114}},
      {"Shift-R", {press('R', 19, 'R', kShift)}, {82}},
      {"left Alt-R", {press('R', 19, 'r', kLeftAlt)}, {0, 19}},
      {"left Alt-Shift-R", {press('R', 19, 'R', kLeftAlt | kShift)}, {0, 19}},
      {"AltGr R with its character",
       {press('R', 19, 'r', kRightAlt | kCtrl)},
       {114}},
      {"right Alt-R without character",
       {press('R', 19, 0, kRightAlt)},
       {0, 19}},
      {"Ctrl-S", {press('S', 31, 19, kCtrl)}, {19}},
      {"right Ctrl-S", {press('S', 31, 19, kRightCtrl)}, {19}},
      {"Enter", {press(13, 28, 13)}, {13}},
      {"keypad Enter", {press(13, 28, 13, kEnhanced)}, {13}},
      {"Alt-Enter", {press(13, 28, 13, kLeftAlt)}, {13}},
      {"Alt-keypad Enter", {press(13, 28, 13, kLeftAlt | kEnhanced)}, {13}},
      {"keypad /", {press(0x6F, 53, '/', kEnhanced)}, {0, 53}},
      {"Esc", {press(0x1B, 1, 27)}, {27}},
      {"Home", {press(0x24, 71, 0, kEnhanced)}, {0, 71}},
      {"two keys in a row",
       {press('1', 2, '1'), press(0x25, 75, 0)},
       {'1', 0, 75}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(read_all(r.events), r.bytes);
  }
}

TEST_F(KeyEvents, TwoPartCodesFollowTheModifierClass) {
  struct Row {
    std::uint16_t scan;
    std::uint32_t state;
    int code;
  } rows[] = {
      // clang-format off
      // Alt: the top row, Enter, keypad /, F1-F10, the cursor block, F11-12
      {2, kLeftAlt, 120},   {13, kLeftAlt, 131},  {28, kLeftAlt, 166},
      {53, kLeftAlt, 164},  {59, kLeftAlt, 104},  {68, kLeftAlt, 113},
      {71, kLeftAlt, 151},  {72, kLeftAlt, 152},  {73, kLeftAlt, 153},
      {75, kLeftAlt, 155},  {77, kLeftAlt, 157},  {79, kLeftAlt, 159},
      {83, kLeftAlt, 163},  {87, kLeftAlt, 139},  {88, kLeftAlt, 140},
      {16, kLeftAlt, 16},   {50, kLeftAlt, 50},   {74, kLeftAlt, 74},
      // Alt wins over Ctrl and Shift
      {59, kLeftAlt | kCtrl | kShift, 104},
      // Ctrl: Tab, keypad / and *, F1-F10, 71..83, F11-F12
      {15, kCtrl, 148},     {53, kCtrl, 149},     {55, kCtrl, 150},
      {59, kCtrl, 94},      {68, kCtrl, 103},     {71, kCtrl, 119},
      {72, kCtrl, 141},     {73, kCtrl, 132},     {74, kCtrl, 142},
      {75, kCtrl, 115},     {76, kCtrl, 143},     {77, kCtrl, 116},
      {78, kCtrl, 78},      {79, kCtrl, 117},     {80, kCtrl, 145},
      {81, kCtrl, 118},     {82, kCtrl, 146},     {83, kCtrl, 147},
      {87, kCtrl, 137},     {88, kCtrl, 138},     {70, kCtrl, 70},
      {84, kCtrl | kShift, 84},
      // Shift: F1-F10, F11-F12
      {59, kShift, 84},     {68, kShift, 93},     {87, kShift, 135},
      {88, kShift, 136},    {71, kShift, 71},
      // none
      {59, 0, 59},          {68, 0, 68},          {87, 0, 133},
      {88, 0, 134},         {82, kEnhanced, 82},
      // the low byte of a larger scan code
      {0x100 + 59, 0, 59},
      // clang-format on
  };
  start();
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message()
                 << "scan " << r.scan << " state " << r.state);
    EXPECT_EQ(extended_code(r.scan, r.state, 0), r.code);
  }
}

TEST_F(KeyEvents, LoneModifiersReleasesAndOtherEventsGiveNoKey) {
  const InputEvent mouse{2, true, 0, 0, 0, 0};
  const InputEvent focus{0x10, true, 0, 0, 0, 0};
  std::vector<InputEvent> nothing = {
      press(0x10, 42, 0),
      press(0x11, 29, 0, kCtrl),
      press(0x12, 56, 0, kLeftAlt),
      press(0x14, 58, 0),
      press(0x90, 69, 0),
      press(0x91, 70, 0),
      press(0x0110, 42, 0),  // only the low byte of the key code counts
      release('R'),
      release(0x12),
      mouse,
      focus};
  EXPECT_EQ(read_all(nothing), Bytes{});
  // A key behind them is found in the same call.
  nothing.push_back(press('R', 19, 'r'));
  EXPECT_EQ(read_all(nothing), Bytes{114});
}

TEST_F(KeyEvents, AltKeypadEntryGivesItsValueOnAltRelease) {
  const auto digit = [](int d, std::uint32_t state, std::uint8_t character) {
    static constexpr std::uint16_t kScan[10] = {82, 79, 80, 81, 75,
                                                76, 77, 71, 72, 73};
    return press(static_cast<std::uint16_t>(0x60 + d), kScan[d], character,
                 state);
  };
  struct Row {
    const char* name;
    std::vector<InputEvent> events;
    Bytes bytes;
  } rows[] = {
      {"6 5",
       {digit(6, kLeftAlt, 0), digit(5, kLeftAlt, 0), release(0x12)},
       {65}},
      {"3 0 0 is 300 mod 256",
       {digit(3, kLeftAlt, 0), digit(0, kLeftAlt, 0), digit(0, kLeftAlt, 0),
        release(0x12)},
       {44}},
      {"right Alt with a character adds nothing",
       {digit(6, kRightAlt, '6'), digit(5, kLeftAlt, 0), release(0x12)},
       {5}},
      {"right Alt without a character adds",
       {digit(6, kRightAlt, 0), digit(5, kRightAlt, 0), release(0x12)},
       {65}},
      {"value 0 gives nothing and goes on",
       {digit(0, kLeftAlt, 0), release(0x12), digit(7, kLeftAlt, 0),
        release(0x12)},
       {7}},
      {"digits without Alt are keys", {digit(7, 0, '7')}, {'7'}},
      {"another release does not end it",
       {digit(9, kLeftAlt, 0), release(0x10), release(0x12)},
       {9}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(read_all(r.events), r.bytes);
  }
}

TEST_F(KeyEvents, KeyWaitingTwiceConsumesOneKey) {
  start();
  fake::type("ab");
  EXPECT_TRUE(key_waiting());
  EXPECT_TRUE(key_waiting());
  EXPECT_EQ(fake::console.queue.size(), 1u);  // 'b' stays queued
  EXPECT_EQ(read_key(), 'a');
  EXPECT_EQ(read_key(), 'b');
  EXPECT_FALSE(key_waiting());
  // A held two-part key answers without asking the console.
  fake::type("{f1}");
  EXPECT_EQ(read_key(), 0);
  const int counts = fake::console.counts;
  EXPECT_TRUE(key_waiting());
  EXPECT_EQ(fake::console.counts, counts);
  EXPECT_EQ(read_key(), 59);
}

TEST_F(KeyEvents, InputThatIsNoConsoleHasNoKeyWaiting) {
  start();
  fake::console.input_is_console = false;
  fake::type("r");
  EXPECT_FALSE(key_waiting());
  start();
  fake::type("r");
  fake::console.fail_next_call = true;
  EXPECT_FALSE(key_waiting());
}

}  // namespace
}  // namespace terminal
