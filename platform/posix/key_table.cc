// Key tables: the event each key of a US PC keyboard gives, and the keys
// that terminal bytes and sequence pieces name.
#include "platform/posix/key_table.h"

namespace platform::posix {
namespace {

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

InputEvent text_key(std::uint8_t character) { return key(0, 0, character); }

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
    case 27:
      return key(kVkEscape, 1, 27);
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

InputEvent function_key(int number) {
  // F11 and F12 came later, and their scan codes follow other keys'.
  const int scan = number <= 10 ? 58 + number : 87 + number - 11;
  return key(static_cast<std::uint16_t>(kVkF1 + number - 1),
             static_cast<std::uint16_t>(scan), 0);
}

std::uint32_t modifier_state(int m) {
  if (m < 2 || m > 16) return 0;
  const int bits = m - 1;
  std::uint32_t state = 0;
  if (bits & 1) state |= kShiftPressed;
  if (bits & (2 | 8)) state |= kLeftAltPressed;
  if (bits & 4) state |= kLeftCtrlPressed;
  return state;
}

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
      return function_key(final - 'P' + 1);
    default:
      return key(0, 0, 0);
  }
}

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
      event = function_key(n - 12);
      return true;
    default:
      break;
  }
  // F1..F5 are 11..15 and F6..F10 are 17..21: 16 was skipped long ago.
  int function = 0;
  if (n >= 11 && n <= 15) function = n - 10;
  if (n >= 17 && n <= 21) function = n - 11;
  if (function == 0) return false;
  event = function_key(function);
  return true;
}

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

}  // namespace platform::posix
