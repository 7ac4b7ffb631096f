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
#include "platform/posix/key_decoder.h"

#include "platform/posix/code_page.h"

namespace platform::posix {
namespace {

constexpr std::uint8_t kEscape = 0x1B;
constexpr std::uint8_t kBell = 0x07;

// Virtual key codes (Windows names).
enum : std::uint16_t {
  kVkBack = 0x08,
  kVkTab = 0x09,
  kVkClear = 0x0C,
  kVkReturn = 0x0D,
  kVkEscape = 0x1B,
  kVkSpace = 0x20,
  kVkPrior = 0x21,
  kVkNext = 0x22,
  kVkEnd = 0x23,
  kVkHome = 0x24,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
  kVkInsert = 0x2D,
  kVkDelete = 0x2E,
  kVkNumpad0 = 0x60,
  kVkMultiply = 0x6A,
  kVkAdd = 0x6B,
  kVkSeparator = 0x6C,
  kVkSubtract = 0x6D,
  kVkDecimal = 0x6E,
  kVkDivide = 0x6F,
  kVkF1 = 0x70,
  kVkOem1 = 0xBA,       // ; :
  kVkOemPlus = 0xBB,    // = +
  kVkOemComma = 0xBC,   // , <
  kVkOemMinus = 0xBD,   // - _
  kVkOemPeriod = 0xBE,  // . >
  kVkOem2 = 0xBF,       // / ?
  kVkOem3 = 0xC0,       // ` ~
  kVkOem4 = 0xDB,       // [ {
  kVkOem5 = 0xDC,       // \ |
  kVkOem6 = 0xDD,       // ] }
  kVkOem7 = 0xDE,       // ' "
};

InputEvent key(std::uint16_t virtual_key, std::uint16_t scan,
               std::uint8_t character, std::uint32_t state = 0) {
  return InputEvent{kKeyEvent, true, virtual_key, scan, character, state};
}

// Set 1 scan codes of the letters a..z.
constexpr std::uint8_t kLetterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23,
                                          36, 37, 38, 50, 49, 24, 25, 16, 19,
                                          31, 20, 22, 47, 17, 45, 21, 44};

struct Symbol {
  char character;
  std::uint16_t virtual_key;
  std::uint8_t scan;
  bool shifted;
};

constexpr Symbol kSymbols[] = {
    {' ', kVkSpace, 57, false},    {'!', '1', 2, true},
    {'@', '2', 3, true},           {'#', '3', 4, true},
    {'$', '4', 5, true},           {'%', '5', 6, true},
    {'^', '6', 7, true},           {'&', '7', 8, true},
    {'*', '8', 9, true},           {'(', '9', 10, true},
    {')', '0', 11, true},          {'-', kVkOemMinus, 12, false},
    {'_', kVkOemMinus, 12, true},  {'=', kVkOemPlus, 13, false},
    {'+', kVkOemPlus, 13, true},   {'[', kVkOem4, 26, false},
    {'{', kVkOem4, 26, true},      {']', kVkOem6, 27, false},
    {'}', kVkOem6, 27, true},      {';', kVkOem1, 39, false},
    {':', kVkOem1, 39, true},      {'\'', kVkOem7, 40, false},
    {'"', kVkOem7, 40, true},      {'`', kVkOem3, 41, false},
    {'~', kVkOem3, 41, true},      {'\\', kVkOem5, 43, false},
    {'|', kVkOem5, 43, true},      {',', kVkOemComma, 51, false},
    {'<', kVkOemComma, 51, true},  {'.', kVkOemPeriod, 52, false},
    {'>', kVkOemPeriod, 52, true}, {'/', kVkOem2, 53, false},
    {'?', kVkOem2, 53, true},
};

// The control bytes that are not Ctrl with a letter.
InputEvent control_key(std::uint8_t byte) {
  switch (byte) {
    case 0:
      return key(kVkSpace, 57, 0, kLeftCtrlPressed);
    case 8:
      return key(kVkBack, 14, 8);
    case 9:
      return key(kVkTab, 15, 9);
    case 13:
      return key(kVkReturn, 28, 13);
    case 28:
      return key(kVkOem5, 43, 28, kLeftCtrlPressed);
    case 29:
      return key(kVkOem6, 27, 29, kLeftCtrlPressed);
    case 30:
      return key('6', 7, 30, kLeftCtrlPressed | kShiftPressed);
    case 31:
      return key(kVkOemMinus, 12, 31, kLeftCtrlPressed | kShiftPressed);
    default:  // 1..26: Ctrl with a letter
      return key(static_cast<std::uint16_t>('A' + byte - 1),
                 kLetterScan[byte - 1], byte, kLeftCtrlPressed);
  }
}

// The modifier bits of xterm's parameter m (1 for none).
std::uint32_t modifier_state(int m) {
  if (m < 2 || m > 16) return 0;
  const int bits = m - 1;
  std::uint32_t state = 0;
  if (bits & 1) state |= kShiftPressed;
  if (bits & (2 | 8)) state |= kLeftAltPressed;
  if (bits & 4) state |= kLeftCtrlPressed;
  return state;
}

// The keys named by a letter after CSI or SS3: arrows, Home, End, keypad 5,
// F1..F4.  Character 0 marks a letter that names none of them.
InputEvent letter_key(std::uint8_t final) {
  switch (final) {
    case 'A':
      return key(kVkUp, 72, 0, kEnhancedKey);
    case 'B':
      return key(kVkDown, 80, 0, kEnhancedKey);
    case 'C':
      return key(kVkRight, 77, 0, kEnhancedKey);
    case 'D':
      return key(kVkLeft, 75, 0, kEnhancedKey);
    case 'H':
      return key(kVkHome, 71, 0, kEnhancedKey);
    case 'F':
      return key(kVkEnd, 79, 0, kEnhancedKey);
    case 'E':
      return key(kVkClear, 76, 0);
    case 'P':
    case 'Q':
    case 'R':
    case 'S':
      return key(static_cast<std::uint16_t>(kVkF1 + final - 'P'),
                 static_cast<std::uint16_t>(59 + final - 'P'), 0);
    default:
      return key(0, 0, 0);
  }
}

// The keys of CSI n ~.
bool tilde_key(int n, InputEvent& event) {
  switch (n) {
    case 1:
    case 7:
      event = key(kVkHome, 71, 0, kEnhancedKey);
      return true;
    case 2:
      event = key(kVkInsert, 82, 0, kEnhancedKey);
      return true;
    case 3:
      event = key(kVkDelete, 83, 0, kEnhancedKey);
      return true;
    case 4:
    case 8:
      event = key(kVkEnd, 79, 0, kEnhancedKey);
      return true;
    case 5:
      event = key(kVkPrior, 73, 0, kEnhancedKey);
      return true;
    case 6:
      event = key(kVkNext, 81, 0, kEnhancedKey);
      return true;
    case 23:
    case 24:
      event = key(static_cast<std::uint16_t>(kVkF1 + 10 + n - 23),
                  static_cast<std::uint16_t>(87 + n - 23), 0);
      return true;
    default:
      break;
  }
  // F1..F5 are 11..15 and F6..F10 are 17..21: 16 was skipped long ago.
  int function = 0;
  if (n >= 11 && n <= 15) function = n - 10;
  if (n >= 17 && n <= 21) function = n - 11;
  if (function == 0) return false;
  event = key(static_cast<std::uint16_t>(kVkF1 + function - 1),
              static_cast<std::uint16_t>(58 + function), 0);
  return true;
}

// The application keypad keys of SS3 M and SS3 j..y.
bool keypad_key(std::uint8_t final, InputEvent& event) {
  // Scan codes of keypad 0..9, the keys that double as Ins, End, Down, ...
  static constexpr std::uint8_t kDigitScan[10] = {82, 79, 80, 81, 75,
                                                  76, 77, 71, 72, 73};
  if (final >= 'p' && final <= 'y') {
    const int digit = final - 'p';
    event = key(static_cast<std::uint16_t>(kVkNumpad0 + digit),
                kDigitScan[digit], static_cast<std::uint8_t>('0' + digit));
    return true;
  }
  switch (final) {
    case 'M':
      event = key(kVkReturn, 28, 13, kEnhancedKey);
      return true;
    case 'j':
      event = key(kVkMultiply, 55, '*');
      return true;
    case 'k':
      event = key(kVkAdd, 78, '+');
      return true;
    case 'l':
      event = key(kVkSeparator, 83, ',');
      return true;
    case 'm':
      event = key(kVkSubtract, 74, '-');
      return true;
    case 'n':
      event = key(kVkDecimal, 83, '.');
      return true;
    case 'o':
      event = key(kVkDivide, 53, '/', kEnhancedKey);
      return true;
    default:
      return false;
  }
}

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
  const InputEvent question = key(0, 0, '?');
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
  return found(byte == 0 ? question : key(0, 0, byte), i);
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
      return found(key(static_cast<std::uint16_t>(kVkF1 + letter - 'A'),
                       static_cast<std::uint16_t>(59 + letter - 'A'), 0),
                   4);
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
  } else if (final == 'Z') {
    event = key(kVkTab, 15, 9, kShiftPressed);
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
    return found(key(kVkEscape, 1, 27), 1);
  }
  // After ESC ESC only a sequence can follow; anything else makes the
  // second ESC the Esc key, so that ESC ESC is Alt-Esc.
  if (prefixed && bytes[1] != '[' && bytes[1] != 'O' &&
      !string_introducer(bytes[1]))
    return found(key(kVkEscape, 1, 27), 1);
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

InputEvent character_key(std::uint8_t character) {
  if (character >= 'a' && character <= 'z')
    return key(static_cast<std::uint16_t>(character - 'a' + 'A'),
               kLetterScan[character - 'a'], character);
  if (character >= 'A' && character <= 'Z')
    return key(character, kLetterScan[character - 'A'], character,
               kShiftPressed);
  if (character >= '1' && character <= '9')
    return key(character, static_cast<std::uint16_t>(character - '0' + 1),
               character);
  if (character == '0') return key('0', 11, '0');
  for (const Symbol& symbol : kSymbols)
    if (symbol.character == static_cast<char>(character))
      return key(symbol.virtual_key, symbol.scan, character,
                 symbol.shifted ? kShiftPressed : 0);
  return key(0, 0, character);
}

DecodedKey decode_key(std::span<const std::uint8_t> bytes, Quiet quiet) {
  if (bytes.empty()) return need_more();
  if (bytes[0] == kEscape) return decode_escape(bytes, quiet, false);
  return decode_plain(bytes, quiet);
}

}  // namespace platform::posix
