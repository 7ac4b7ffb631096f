// Terminal bytes to key events.  The sequences known, with what they mean
// (m is xterm's modifier parameter: 1 + Shift 1 + Alt 2 + Ctrl 4 + Meta 8,
// Meta taken as Alt):
//
//   32..126            the printable character, US keyboard scan codes
//   CR (13)            Enter            DEL (127), BS (8)   Backspace
//   TAB (9)            Tab              NUL (0)             Ctrl-Space
//   1..26 otherwise    Ctrl with the letter (LF, 10, is Ctrl-J, which the
//                      line editor stores); 28..31 Ctrl with \ ] ^ _
//   ESC, then quiet    Esc              ESC <key>           <key> with Alt
//   CSI A B C D        Up Down Right Left   CSI H, CSI F    Home, End
//   CSI E              keypad 5             CSI Z           Shift-Tab
//   CSI 1;m A..H       the same with modifiers
//   CSI 1;m P Q R S    F1..F4 with modifiers (another CSI r;c R is a late
//                      cursor position report and means no key)
//   CSI n ~, CSI n;m ~ 1 Home 2 Ins 3 Del 4 End 5 PgUp 6 PgDn 7 Home
//                      8 End 11..15 F1..F5 17..21 F6..F10 23 F11 24 F12
//   CSI [ A..E         F1..F5 (Linux console)
//   SS3 A..D H F P..S  arrows, Home, End, F1..F4; SS3 m X with modifiers
//   SS3 M j k l m n o  keypad Enter * + , - . /    SS3 p..y keypad 0..9
//   C2..F4 + 1..3 continuation bytes   one key: the code page 437 byte of
//                      that character (128..255), else '?'
//
// Any other CSI sequence is read to its final byte (0x40..0x7E), however
// many parameters it has, and means no key; so do the control strings
// OSC (ESC ]), DCS (ESC P), SOS (ESC X), PM (ESC ^) and APC (ESC _), read
// to their terminator, ST (ESC \) or BEL, or to an ESC that begins
// something else.  These are terminals' answers, which a key never is.
//
// Waiting: a key's bytes come together, so after a short quiet (30 ms) an
// unfinished ESC, ESC [, ESC O, ESC ] ... or UTF-8 character is taken for
// what has arrived.  A sequence or string that is further on is a
// terminal's, and may come in pieces over a slow link: it waits for a
// long quiet (500 ms), and is then dropped as no key.
//
// The one limit on length: a sequence or string that has run to
// kRunawayLimit (4096) bytes without ending is dropped there, and what
// follows is read as keys again, so that one broken sequence cannot
// swallow every key typed after it.
//
// This file finds where each key's bytes end; which event they name, with
// its virtual key and scan code, is looked up in key_table.cc.
#include "platform/posix/key_decoder.h"

#include "platform/posix/code_page.h"
#include "platform/posix/key_table.h"

namespace platform::posix {
namespace {

constexpr std::uint8_t kEscape = 0x1B;
constexpr std::uint8_t kBell = 0x07;

DecodedKey found(InputEvent event, std::size_t consumed) {
  return {DecodedKey::Status::kKey, consumed, event};
}
DecodedKey nothing(std::size_t consumed) {
  return {DecodedKey::Status::kNoKey, consumed, {}};
}
DecodedKey need_more() { return {DecodedKey::Status::kNeedMore, 0, {}}; }

// The end of the bytes so far, `consumed` of them, inside a sequence
// begun at least 3 bytes back: wait for more, until the long quiet or the
// runaway limit.
DecodedKey unfinished(std::size_t consumed, Quiet quiet) {
  if (quiet == Quiet::kLong || consumed >= kRunawayLimit)
    return nothing(consumed);
  return need_more();
}

// A UTF-8 character of more than one byte: one key, with the code page
// byte whose shape it is (a typed e with acute accent is 130, as 130 is
// drawn), else '?'.
DecodedKey decode_utf8(std::span<const std::uint8_t> bytes, Quiet quiet) {
  const std::uint8_t lead = bytes[0];
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  const InputEvent question = text_key('?');
  if (length == 0) return found(question, 1);  // a stray or invalid byte
  char32_t code = lead & (0x7F >> length);
  std::size_t i = 1;
  while (i < length && i < bytes.size()) {
    if (bytes[i] < 0x80 || bytes[i] > 0xBF) return found(question, i);
    code = code << 6 | (bytes[i] & 0x3F);
    ++i;
  }
  if (i < length && quiet == Quiet::kNo) return need_more();
  // The code page's shapes take two or three bytes; a longer form of the
  // same character is not its encoding.
  const bool shortest = length == 2 || (length == 3 && code >= 0x800);
  const std::uint8_t byte = i == length && shortest ? upper_half_byte(code) : 0;
  return found(byte == 0 ? question : text_key(byte), i);
}

// A key that is not an escape sequence: one byte, or one UTF-8 character.
DecodedKey decode_plain(std::span<const std::uint8_t> bytes, Quiet quiet) {
  const std::uint8_t byte = bytes[0];
  if (byte >= 32 && byte <= 126) return found(character_key(byte), 1);
  if (byte == 127) return found(control_key(8), 1);
  if (byte < 32) return found(control_key(byte), 1);
  return decode_utf8(bytes, quiet);
}

// CSI: ESC [ already seen at bytes[0..1].
DecodedKey decode_csi(std::span<const std::uint8_t> bytes, Quiet quiet) {
  if (bytes.size() < 3) {
    if (quiet == Quiet::kNo) return need_more();
    return found(character_key('['), 2);  // (Alt is added by the caller)
  }
  if (bytes[2] == '[') {  // Linux console F1..F5
    if (bytes.size() < 4) return unfinished(3, quiet);
    const std::uint8_t letter = bytes[3];
    if (letter >= 'A' && letter <= 'E')
      return found(function_key(letter - 'A' + 1), 4);
    return nothing(4);
  }
  // Up to two decimal parameters separated by ';' (later ones are read and
  // dropped); private markers (< = > ?) and intermediates make the
  // sequence one this decoder does not know.
  int parameter[2] = {0, 0};
  int index = 0;
  bool any = false;
  bool odd = false;
  std::size_t i = 2;
  for (;; ++i) {
    if (i == kRunawayLimit) return nothing(i);
    if (i == bytes.size()) return unfinished(i, quiet);
    const std::uint8_t b = bytes[i];
    if (b >= '0' && b <= '9') {
      if (index < 2 && parameter[index] < 10000)
        parameter[index] = parameter[index] * 10 + (b - '0');
      any = true;
    } else if (b == ';') {
      ++index;
      any = true;
    } else if ((b >= 0x3C && b <= 0x3F) || (b >= 0x20 && b <= 0x2F)) {
      odd = true;
    } else if (b >= 0x40 && b <= 0x7E) {
      break;
    } else {
      // A control byte breaks the sequence off; ESC [ alone before it is
      // Alt-[.
      if (i == 2) return found(character_key('['), 2);
      return nothing(i);
    }
  }
  const std::uint8_t final = bytes[i];
  const std::size_t consumed = i + 1;
  if (odd) return nothing(consumed);
  const std::uint32_t modifiers = modifier_state(parameter[1]);
  InputEvent event{};
  if (final == '~') {
    if (!tilde_key(parameter[0], event)) return nothing(consumed);
  } else if (final == 'Z') {  // Shift-Tab
    event = control_key('\t');
    event.control_key_state |= kShiftPressed;
  } else {
    // With parameters, only "1;m" names a key; in particular r;c R with a
    // row other than 1 is a cursor position report that came too late.
    if (any && parameter[0] != 1) return nothing(consumed);
    event = letter_key(final);
    if (event.virtual_key_code == 0) return nothing(consumed);
  }
  event.control_key_state |= modifiers;
  return found(event, consumed);
}

// SS3: ESC O already seen at bytes[0..1].
DecodedKey decode_ss3(std::span<const std::uint8_t> bytes, Quiet quiet) {
  std::size_t i = 2;
  int m = 0;
  while (i < bytes.size() && i < 4 && bytes[i] >= '0' && bytes[i] <= '9')
    m = m * 10 + (bytes[i++] - '0');
  if (i == bytes.size()) {
    if (i > 2) return unfinished(i, quiet);
    if (quiet == Quiet::kNo) return need_more();
    return found(character_key('O'), 2);
  }
  const std::uint8_t final = bytes[i];
  const std::size_t consumed = i + 1;
  InputEvent event{};
  if (!keypad_key(final, event)) {
    event = letter_key(final);
    if (event.virtual_key_code == 0) {
      // Not a key: ESC O alone before it is Alt-O.
      if (i == 2 && (final < 0x40 || final > 0x7E))
        return found(character_key('O'), 2);
      return nothing(consumed);
    }
  }
  event.control_key_state |= modifier_state(m);
  return found(event, consumed);
}

bool string_introducer(std::uint8_t byte) {
  return byte == ']' || byte == 'P' || byte == 'X' || byte == '^' ||
         byte == '_';
}

// A control string: ESC and its introducer already seen at bytes[0..1].
// kKey only for the introducer alone, then quiet: Alt with that key.
DecodedKey decode_string(std::span<const std::uint8_t> bytes, Quiet quiet) {
  if (bytes.size() == 2) {
    if (quiet == Quiet::kNo) return need_more();
    return found(character_key(bytes[1]), 2);  // (Alt is added by the caller)
  }
  std::size_t i = 2;
  for (; i < bytes.size() && i < kRunawayLimit; ++i) {
    if (bytes[i] == kBell) return nothing(i + 1);
    if (bytes[i] != kEscape) continue;
    if (i + 1 == bytes.size()) return unfinished(i + 1, quiet);
    // ESC \ is the terminator; ESC before anything else begins something
    // new, and the string ends before it.
    return nothing(bytes[i + 1] == '\\' ? i + 2 : i);
  }
  return unfinished(i, quiet);
}

// An escape sequence or ESC before a key; bytes[0] is ESC.  `prefixed`:
// this ESC follows another, which already stands for Alt.
DecodedKey decode_escape(std::span<const std::uint8_t> bytes, Quiet quiet,
                         bool prefixed) {
  if (bytes.size() == 1) {
    if (quiet == Quiet::kNo) return need_more();
    return found(control_key(kEscape), 1);
  }
  // After ESC ESC only a sequence can follow; anything else makes the
  // second ESC the Esc key, so that ESC ESC is Alt-Esc.
  if (prefixed && bytes[1] != '[' && bytes[1] != 'O' &&
      !string_introducer(bytes[1]))
    return found(control_key(kEscape), 1);
  DecodedKey decoded;
  if (bytes[1] == '[') {
    decoded = decode_csi(bytes, quiet);
  } else if (string_introducer(bytes[1])) {
    decoded = decode_string(bytes, quiet);
  } else if (bytes[1] == 'O') {
    decoded = decode_ss3(bytes, quiet);
  } else if (bytes[1] == kEscape) {
    decoded = decode_escape(bytes.subspan(1), quiet, true);
    if (decoded.status == DecodedKey::Status::kNeedMore) return decoded;
    ++decoded.consumed;
    decoded.event.control_key_state |= kLeftAltPressed;
    return decoded;
  } else {
    decoded = decode_plain(bytes.subspan(1), quiet);
    if (decoded.status == DecodedKey::Status::kNeedMore) return decoded;
    ++decoded.consumed;
    decoded.event.control_key_state |= kLeftAltPressed;
    return decoded;
  }
  // ESC [, ESC O or a string's introducer taken as a key of two bytes is
  // Alt with that key.
  if (decoded.status == DecodedKey::Status::kKey && decoded.consumed == 2 &&
      decoded.event.character != 0)
    decoded.event.control_key_state |= kLeftAltPressed;
  if (prefixed && decoded.status == DecodedKey::Status::kKey)
    decoded.event.control_key_state |= kLeftAltPressed;
  return decoded;
}

}  // namespace
DecodedKey decode_key(std::span<const std::uint8_t> bytes, Quiet quiet) {
  if (bytes.empty()) return need_more();
  if (bytes[0] == kEscape) return decode_escape(bytes, quiet, false);
  return decode_plain(bytes, quiet);
}

}  // namespace platform::posix
