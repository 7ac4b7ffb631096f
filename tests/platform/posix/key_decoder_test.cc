#include "platform/posix/key_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/code_page.h"

namespace platform::posix {
namespace {

using Status = DecodedKey::Status;

constexpr std::uint32_t kAlt = kLeftAltPressed;
constexpr std::uint32_t kCtrl = kLeftCtrlPressed;
constexpr std::uint32_t kShift = kShiftPressed;
constexpr std::uint32_t kEnh = kEnhancedKey;

// A decoded key as text, for readable comparisons: "vk/scan/char/state".
std::string shown(const InputEvent& e) {
  return std::to_string(e.virtual_key_code) + "/" +
         std::to_string(e.virtual_scan_code) + "/" +
         std::to_string(e.character) + "/" +
         std::to_string(e.control_key_state);
}
std::string shown(std::uint16_t vk, std::uint16_t scan, int character,
                  std::uint32_t state) {
  return shown(InputEvent{kKeyEvent, true, vk, scan,
                          static_cast<std::uint8_t>(character), state});
}

DecodedKey decode(const std::string& bytes, Quiet quiet = Quiet::kNo) {
  return decode_key(
      {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
      quiet);
}

struct KeyRow {
  const char* name;
  std::string bytes;
  std::size_t consumed;
  std::string key;  // shown(...) of the expected event
};

void check_keys(const std::vector<KeyRow>& rows) {
  for (const KeyRow& r : rows) {
    SCOPED_TRACE(r.name);
    const DecodedKey d = decode(r.bytes);
    ASSERT_EQ(d.status, Status::kKey);
    EXPECT_EQ(d.consumed, r.consumed);
    EXPECT_EQ(shown(d.event), r.key);
    EXPECT_TRUE(d.event.key_down);
    EXPECT_EQ(d.event.event_type, kKeyEvent);
  }
}

TEST(KeyDecoder, SingleBytes) {
  check_keys({
      {"r", "r", 1, shown('R', 19, 'r', 0)},
      {"R", "R", 1, shown('R', 19, 'R', kShift)},
      {"digit 0", "0", 1, shown('0', 11, '0', 0)},
      {"digit 7", "7", 1, shown('7', 8, '7', 0)},
      {"space", " ", 1, shown(0x20, 57, ' ', 0)},
      {"dollar", "$", 1, shown('4', 5, '$', kShift)},
      {"percent", "%", 1, shown('5', 6, '%', kShift)},
      {"minus", "-", 1, shown(0xBD, 12, '-', 0)},
      {"tilde", "~", 1, shown(0xC0, 41, '~', kShift)},
      {"only the first byte", "ab", 1, shown('A', 30, 'a', 0)},
      {"CR is Enter", "\r", 1, shown(13, 28, 13, 0)},
      {"LF is Ctrl-J, not Enter", "\n", 1, shown('J', 36, 10, kCtrl)},
      {"DEL is Backspace", "\x7f", 1, shown(8, 14, 8, 0)},
      {"BS is Backspace", "\b", 1, shown(8, 14, 8, 0)},
      {"Tab", "\t", 1, shown(9, 15, 9, 0)},
      {"Ctrl-S", "\x13", 1, shown('S', 31, 19, kCtrl)},
      {"Ctrl-A", "\x01", 1, shown('A', 30, 1, kCtrl)},
      {"Ctrl-Z", "\x1a", 1, shown('Z', 44, 26, kCtrl)},
      {"Ctrl-Space", std::string(1, '\0'), 1, shown(0x20, 57, 0, kCtrl)},
      {"Ctrl-backslash", "\x1c", 1, shown(0xDC, 43, 28, kCtrl)},
      {"Ctrl-underscore", "\x1f", 1, shown(0xBD, 12, 31, kCtrl | kShift)},
      {"e acute is its code page byte", "\xc3\xa9", 2, shown(0, 0, 130, 0)},
      {"pound sign", "\xc2\xa3", 2, shown(0, 0, 156, 0)},
      {"one half", "\xc2\xbd", 2, shown(0, 0, 171, 0)},
      {"no-break space", "\xc2\xa0", 2, shown(0, 0, 255, 0)},
      {"light shade, three bytes", "\xe2\x96\x91", 3, shown(0, 0, 176, 0)},
      {"euro sign, not in the code page", "\xe2\x82\xac!", 3,
       shown(0, 0, '?', 0)},
      {"smiley, a low shape, not typed as byte 1", "\xe2\x98\xba", 3,
       shown(0, 0, '?', 0)},
      {"e acute written too long", "\xe0\x83\xa9", 3, shown(0, 0, '?', 0)},
      {"UTF-8 of four bytes", "\xf0\x9f\x98\x80", 4, shown(0, 0, '?', 0)},
      {"e acute in four bytes", "\xf0\x80\x83\xa9", 4, shown(0, 0, '?', 0)},
      {"stray continuation byte", "\x80", 1, shown(0, 0, '?', 0)},
      {"lead byte cut off", "\xc3z", 1, shown(0, 0, '?', 0)},
      {"invalid lead byte", "\xff", 1, shown(0, 0, '?', 0)},
  });
}

TEST(KeyDecoder, EscapeBeforeAKeyIsAlt) {
  check_keys({
      {"Alt-r", "\x1br", 2, shown('R', 19, 'r', kAlt)},
      {"Alt-R", "\x1bR", 2, shown('R', 19, 'R', kAlt | kShift)},
      {"Alt-x", "\x1bx", 2, shown('X', 45, 'x', kAlt)},
      {"Alt-1",
       "\x1b"
       "1",
       2, shown('1', 2, '1', kAlt)},
      {"Alt-Enter", "\x1b\r", 2, shown(13, 28, 13, kAlt)},
      {"Alt-Backspace", "\x1b\x7f", 2, shown(8, 14, 8, kAlt)},
      {"Alt-Ctrl-R", "\x1b\x12", 2, shown('R', 19, 18, kAlt | kCtrl)},
      {"Alt with UTF-8", "\x1b\xc3\xa9", 3, shown(0, 0, 130, kAlt)},
      {"Alt-Up as ESC before a sequence", "\x1b\x1b[A", 4,
       shown(0x26, 72, 0, kEnh | kAlt)},
  });
}

TEST(KeyDecoder, CsiAndSs3Sequences) {
  check_keys({
      {"Up", "\x1b[A", 3, shown(0x26, 72, 0, kEnh)},
      {"Down", "\x1b[B", 3, shown(0x28, 80, 0, kEnh)},
      {"Right", "\x1b[C", 3, shown(0x27, 77, 0, kEnh)},
      {"Left", "\x1b[D", 3, shown(0x25, 75, 0, kEnh)},
      {"Home CSI H", "\x1b[H", 3, shown(0x24, 71, 0, kEnh)},
      {"Home CSI 1~", "\x1b[1~", 4, shown(0x24, 71, 0, kEnh)},
      {"Home CSI 7~", "\x1b[7~", 4, shown(0x24, 71, 0, kEnh)},
      {"Home SS3 H", "\x1bOH", 3, shown(0x24, 71, 0, kEnh)},
      {"End CSI F", "\x1b[F", 3, shown(0x23, 79, 0, kEnh)},
      {"End CSI 4~", "\x1b[4~", 4, shown(0x23, 79, 0, kEnh)},
      {"End SS3 F", "\x1bOF", 3, shown(0x23, 79, 0, kEnh)},
      {"Ins", "\x1b[2~", 4, shown(0x2D, 82, 0, kEnh)},
      {"Del", "\x1b[3~", 4, shown(0x2E, 83, 0, kEnh)},
      {"PgUp", "\x1b[5~", 4, shown(0x21, 73, 0, kEnh)},
      {"PgDn", "\x1b[6~", 4, shown(0x22, 81, 0, kEnh)},
      {"F1 SS3 P", "\x1bOP", 3, shown(0x70, 59, 0, 0)},
      {"F4 SS3 S", "\x1bOS", 3, shown(0x73, 62, 0, 0)},
      {"F1 CSI 11~", "\x1b[11~", 5, shown(0x70, 59, 0, 0)},
      {"F5 CSI 15~", "\x1b[15~", 5, shown(0x74, 63, 0, 0)},
      {"F6 CSI 17~", "\x1b[17~", 5, shown(0x75, 64, 0, 0)},
      {"F10 CSI 21~", "\x1b[21~", 5, shown(0x79, 68, 0, 0)},
      {"F11 CSI 23~", "\x1b[23~", 5, shown(0x7A, 87, 0, 0)},
      {"F12 CSI 24~", "\x1b[24~", 5, shown(0x7B, 88, 0, 0)},
      {"F1 Linux console", "\x1b[[A", 4, shown(0x70, 59, 0, 0)},
      {"F5 Linux console", "\x1b[[E", 4, shown(0x74, 63, 0, 0)},
      {"Shift-Tab", "\x1b[Z", 3, shown(9, 15, 9, kShift)},
      {"keypad 5", "\x1b[E", 3, shown(0x0C, 76, 0, 0)},
      {"Shift-Up", "\x1b[1;2A", 6, shown(0x26, 72, 0, kEnh | kShift)},
      {"Alt-Up", "\x1b[1;3A", 6, shown(0x26, 72, 0, kEnh | kAlt)},
      {"Ctrl-Home", "\x1b[1;5H", 6, shown(0x24, 71, 0, kEnh | kCtrl)},
      {"Ctrl-Alt-Shift-End", "\x1b[1;8F", 6,
       shown(0x23, 79, 0, kEnh | kCtrl | kAlt | kShift)},
      {"Meta-Left is Alt", "\x1b[1;9D", 6, shown(0x25, 75, 0, kEnh | kAlt)},
      {"Ctrl-Del", "\x1b[3;5~", 6, shown(0x2E, 83, 0, kEnh | kCtrl)},
      {"Shift-F1", "\x1b[1;2P", 6, shown(0x70, 59, 0, kShift)},
      {"Ctrl-F3", "\x1b[1;5R", 6, shown(0x72, 61, 0, kCtrl)},
      {"Alt-F12", "\x1b[24;3~", 7, shown(0x7B, 88, 0, kAlt)},
      {"Ctrl-F1 SS3 with modifier", "\x1bO5P", 4, shown(0x70, 59, 0, kCtrl)},
      {"keypad Enter", "\x1bOM", 3, shown(13, 28, 13, kEnh)},
      {"keypad /", "\x1bOo", 3, shown(0x6F, 53, '/', kEnh)},
      {"keypad *", "\x1bOj", 3, shown(0x6A, 55, '*', 0)},
      {"keypad 0", "\x1bOp", 3, shown(0x60, 82, '0', 0)},
      {"keypad 9", "\x1bOy", 3, shown(0x69, 73, '9', 0)},
      {"a key right behind", "\x1b[Ax", 3, shown(0x26, 72, 0, kEnh)},
  });
}

TEST(KeyDecoder, UnknownSequencesAndLateReportsGiveNoKey) {
  struct Row {
    const char* name;
    std::string bytes;
    std::size_t consumed;
  } rows[] = {
      {"cursor position report", "\x1b[24;1R", 7},
      {"unknown tilde number", "\x1b[16~", 5},
      {"bracketed paste start", "\x1b[200~", 6},
      {"private marker", "\x1b[?1;2c", 7},
      {"unknown final", "\x1b[5u", 4},
      {"unknown SS3 final", "\x1bOz", 3},
      {"unknown Linux console key", "\x1b[[Z", 4},
      {"control byte inside", "\x1b[1;\x01", 4},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const DecodedKey d = decode(r.bytes);
    EXPECT_EQ(d.status, Status::kNoKey);
    EXPECT_EQ(d.consumed, r.consumed);
  }
}

// Terminals' answers of any length, and control strings, are read whole
// and give no key; only a runaway one is cut, at the limit.
TEST(KeyDecoder, LongSequencesAndStringsAreReadWhole) {
  const std::string params(3000, '1');
  const std::string runaway_csi = "\x1b[" + std::string(5000, ';') + "A";
  const std::string runaway_osc = "\x1b]" + std::string(5000, 'a') + "\x07";
  struct Row {
    const char* name;
    std::string bytes;
    std::size_t consumed;
  } rows[] = {
      {"device attributes answer", "\x1b[?64;1;2;6;9;15;16;17;18;21;22;28c8",
       35},
      {"CSI of 20 bytes", "\x1b[1;2;3;4;5;6;7;8;9m8", 20},
      {"CSI of 3000 parameter bytes", "\x1b[" + params + "m8", 3003},
      {"CSI at the limit", "\x1b[" + std::string(4093, '1') + "m8", 4096},
      {"CSI past the limit is cut", runaway_csi, 4096},
      {"OSC ended by BEL",
       "\x1b]11;rgb:ffff/ffff/ffff\x07"
       "8",
       24},
      {"OSC ended by ST",
       "\x1b]0;title\x1b\\"
       "8",
       11},
      {"OSC ended by another sequence", "\x1b]0;t\x1b[A", 5},
      {"OSC of 3000 bytes",
       "\x1b]" + params +
           "\x07"
           "8",
       3003},
      {"OSC past the limit is cut", runaway_osc, 4096},
      {"DCS",
       "\x1bP1$r0m\x1b\\"
       "8",
       9},
      {"SOS",
       "\x1bXsos\x1b\\"
       "8",
       7},
      {"PM",
       "\x1b^pm\x07"
       "8",
       5},
      {"APC",
       "\x1b_apc\x1b\\"
       "8",
       7},
      {"Alt with OSC",
       "\x1b\x1b]0;t\x07"
       "8",
       7},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const DecodedKey d = decode(r.bytes);
    EXPECT_EQ(d.status, Status::kNoKey);
    EXPECT_EQ(d.consumed, r.consumed);
  }
  // After a runaway sequence is cut, what follows is read afresh.
  const DecodedKey after =
      decode(runaway_osc.substr(kRunawayLimit), Quiet::kLong);
  EXPECT_EQ(after.status, Status::kKey);
  EXPECT_EQ(after.event.character, 'a');
}

// A key's bytes come together: after a short quiet what has arrived is
// the key.  A sequence that has gone further is a terminal's answer, which
// may come in pieces: it waits for the long quiet, and means no key.
TEST(KeyDecoder, UnfinishedSequencesWaitForTheirQuiet) {
  struct Row {
    const char* name;
    std::string bytes;
    Quiet taken_at;
    Status status;
    std::size_t consumed;
    std::string key;  // when a key
  } rows[] = {
      {"lone ESC is Esc", "\x1b", Quiet::kShort, Status::kKey, 1,
       shown(0x1B, 1, 27, 0)},
      {"ESC [ is Alt-[", "\x1b[", Quiet::kShort, Status::kKey, 2,
       shown(0xDB, 26, '[', kAlt)},
      {"ESC O is Alt-O", "\x1bO", Quiet::kShort, Status::kKey, 2,
       shown('O', 24, 'O', kAlt | kShift)},
      {"ESC ] is Alt-]", "\x1b]", Quiet::kShort, Status::kKey, 2,
       shown(0xDD, 27, ']', kAlt)},
      {"ESC P is Alt-P", "\x1bP", Quiet::kShort, Status::kKey, 2,
       shown('P', 25, 'P', kAlt | kShift)},
      {"ESC _ is Alt-_", "\x1b_", Quiet::kShort, Status::kKey, 2,
       shown(0xBD, 12, '_', kAlt | kShift)},
      {"ESC ESC is Alt-Esc", "\x1b\x1b", Quiet::kShort, Status::kKey, 2,
       shown(0x1B, 1, 27, kAlt)},
      {"UTF-8 cut short", "\xe2\x82", Quiet::kShort, Status::kKey, 2,
       shown(0, 0, '?', 0)},
      {"Alt with UTF-8 cut short", "\x1b\xe2", Quiet::kShort, Status::kKey, 2,
       shown(0, 0, '?', kAlt)},
      {"CSI with parameters", "\x1b[1;5", Quiet::kLong, Status::kNoKey, 5, ""},
      {"a report cut short", "\x1b[24;", Quiet::kLong, Status::kNoKey, 5, ""},
      {"SS3 with modifier", "\x1bO5", Quiet::kLong, Status::kNoKey, 3, ""},
      {"Linux console prefix", "\x1b[[", Quiet::kLong, Status::kNoKey, 3, ""},
      {"OSC without its end", "\x1b]11;rgb:ff", Quiet::kLong, Status::kNoKey,
       11, ""},
      {"OSC with half its ST", "\x1b]0;t\x1b", Quiet::kLong, Status::kNoKey, 6,
       ""},
      {"DCS without its end", "\x1bP1$r", Quiet::kLong, Status::kNoKey, 5, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    for (Quiet quiet : {Quiet::kNo, Quiet::kShort, Quiet::kLong}) {
      const DecodedKey d = decode(r.bytes, quiet);
      if (quiet < r.taken_at) {
        EXPECT_EQ(d.status, Status::kNeedMore);
        EXPECT_EQ(d.consumed, 0u);
        continue;
      }
      EXPECT_EQ(d.status, r.status);
      EXPECT_EQ(d.consumed, r.consumed);
      if (r.status == Status::kKey) {
        EXPECT_EQ(shown(d.event), r.key);
      }
    }
  }
}

// Alt-R arriving in pieces gives the same key as in one read, and ESC
// alone stays the Esc key only once the line is quiet.
TEST(KeyDecoder, KeysSplitAcrossReadsDecodeAsWhole) {
  struct Row {
    const char* name;
    std::vector<std::string> pieces;  // arrivals, the line quiet after all
    std::vector<std::string> keys;
  } rows[] = {
      {"Alt-R in two reads", {"\x1b", "r"}, {shown('R', 19, 'r', kAlt)}},
      {"Up in three reads", {"\x1b", "[", "A"}, {shown(0x26, 72, 0, kEnh)}},
      {"Ctrl-Home in pieces",
       {"\x1b[1", ";5", "H"},
       {shown(0x24, 71, 0, kEnh | kCtrl)}},
      {"Esc, then quiet, then r",
       {"\x1b", "", "r"},
       {shown(0x1B, 1, 27, 0), shown('R', 19, 'r', 0)}},
      {"two keys in one read",
       {"r\x1br"},
       {shown('R', 19, 'r', 0), shown('R', 19, 'r', kAlt)}},
      {"UTF-8 in two reads", {"\xe2", "\x82\xac"}, {shown(0, 0, '?', 0)}},
      {"a report in pieces, a short quiet between",
       {"\x1b[2", "", "4;", "", "1R", "7"},
       {shown('7', 8, '7', 0)}},
      {"OSC in pieces, a short quiet between",
       {"\x1b]11;rgb:", "", "ffff/ffff", "", "/ffff\x07", "8"},
       {shown('8', 9, '8', 0)}},
      {"DA answer in pieces, then a key",
       {"\x1b[?64;1;2;6;", "9;15;16;17;18;21", ";22;28c1"},
       {shown('1', 2, '1', 0)}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string buffer;
    std::vector<std::string> keys;
    // Each piece arrives, the decoder takes what it can; an empty piece
    // stands for a short quiet, and the end for a long one.
    for (std::size_t i = 0; i <= r.pieces.size(); ++i) {
      const Quiet quiet = i == r.pieces.size()  ? Quiet::kLong
                          : r.pieces[i].empty() ? Quiet::kShort
                                                : Quiet::kNo;
      if (i < r.pieces.size()) buffer += r.pieces[i];
      while (!buffer.empty()) {
        const DecodedKey d = decode(buffer, quiet);
        if (d.status == Status::kNeedMore) break;
        if (d.status == Status::kKey) keys.push_back(shown(d.event));
        buffer.erase(0, d.consumed);
      }
    }
    EXPECT_EQ(keys, r.keys);
    EXPECT_EQ(buffer, "");
  }
}

// What the screen draws for a byte of the upper half reads back, typed,
// as that byte.
TEST(KeyDecoder, TypedShapesOfTheUpperHalfGiveTheirBytes) {
  for (int byte = 128; byte < 256; ++byte) {
    SCOPED_TRACE(byte);
    const std::string typed(glyph(static_cast<std::uint8_t>(byte)));
    const DecodedKey d = decode(typed);
    ASSERT_EQ(d.status, Status::kKey);
    EXPECT_EQ(d.consumed, typed.size());
    EXPECT_EQ(d.event.character, byte);
  }
}

TEST(KeyDecoder, EveryByteStringDecodesWithinItsLength) {
  // Any input, however odd, is consumed a bounded piece at a time.
  for (int first = 0; first < 256; ++first)
    for (int second = 0; second < 256; ++second) {
      const std::string bytes = {static_cast<char>(first),
                                 static_cast<char>(second), '[', '1'};
      const DecodedKey d = decode(bytes, Quiet::kLong);
      ASSERT_NE(d.status, Status::kNeedMore) << first << " " << second;
      ASSERT_GE(d.consumed, 1u);
      ASSERT_LE(d.consumed, bytes.size());
    }
}

}  // namespace
}  // namespace platform::posix
