// The tests' own console; see real_console.h.
#include "tests/platform/windows/real_console.h"

#include <cstdio>
#include <vector>

namespace real_console {
namespace {

bool attached = false;

HANDLE open_shared(const char* name) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileA(name, GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                     OPEN_EXISTING, 0, nullptr);
}

std::vector<CHAR_INFO> row(HANDLE screen, int y, int width) {
  std::vector<CHAR_INFO> cells(static_cast<std::size_t>(width));
  SMALL_RECT area{0, static_cast<SHORT>(y), static_cast<SHORT>(width - 1),
                  static_cast<SHORT>(y)};
  ReadConsoleOutputA(screen, cells.data(), COORD{static_cast<SHORT>(width), 1},
                     COORD{0, 0}, &area);
  return cells;
}

std::string row_text(const std::vector<CHAR_INFO>& cells) {
  std::string text;
  for (const CHAR_INFO& cell : cells) {
    const auto c = static_cast<unsigned char>(cell.Char.AsciiChar);
    if (c >= 32 && c < 127) {
      text += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

INPUT_RECORD key_record(bool down, WORD virtual_key, char character,
                        DWORD state) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  KEY_EVENT_RECORD& key = record.Event.KeyEvent;
  key.bKeyDown = down;
  key.wRepeatCount = 1;
  key.wVirtualKeyCode = virtual_key;
  key.wVirtualScanCode =
      static_cast<WORD>(MapVirtualKeyA(virtual_key, MAPVK_VK_TO_VSC));
  key.uChar.AsciiChar = character;
  key.dwControlKeyState = state;
  return record;
}

}  // namespace

bool attach() {
  if (attached) return true;
  // AllocConsole points the standard handles at the new console; the
  // runner reads the test output from the ones it gave.
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  FreeConsole();
  attached = AllocConsole() != FALSE;
  SetStdHandle(STD_INPUT_HANDLE, input);
  SetStdHandle(STD_OUTPUT_HANDLE, output);
  SetStdHandle(STD_ERROR_HANDLE, error);
  return attached;
}

void detach() {
  FreeConsole();
  attached = false;
}

HANDLE open_screen() { return open_shared("CONOUT$"); }

HANDLE open_input() { return open_shared("CONIN$"); }

bool reset(HANDLE screen, HANDLE input, int width, int height, int x, int y) {
  // The window must fit inside the buffer: shrink it first, then grow it
  // back as far as the new buffer allows.
  SMALL_RECT tiny{0, 0, 0, 0};
  SetConsoleWindowInfo(screen, TRUE, &tiny);
  if (!SetConsoleScreenBufferSize(
          screen, COORD{static_cast<SHORT>(width), static_cast<SHORT>(height)}))
    return false;
  SMALL_RECT window{0, 0, static_cast<SHORT>((width < 80 ? width : 80) - 1),
                    static_cast<SHORT>((height < 25 ? height : 25) - 1)};
  SetConsoleWindowInfo(screen, TRUE, &window);
  const DWORD cells = static_cast<DWORD>(width) * static_cast<DWORD>(height);
  DWORD done = 0;
  return FillConsoleOutputCharacterA(screen, ' ', cells, COORD{0, 0}, &done) &&
         FillConsoleOutputAttribute(screen, 7, cells, COORD{0, 0}, &done) &&
         SetConsoleTextAttribute(screen, 7) &&
         SetConsoleCursorPosition(
             screen, COORD{static_cast<SHORT>(x), static_cast<SHORT>(y)}) &&
         FlushConsoleInputBuffer(input);
}

CHAR_INFO cell(HANDLE screen, int x, int y) {
  CHAR_INFO found{};
  SMALL_RECT area{static_cast<SHORT>(x), static_cast<SHORT>(y),
                  static_cast<SHORT>(x), static_cast<SHORT>(y)};
  ReadConsoleOutputA(screen, &found, COORD{1, 1}, COORD{0, 0}, &area);
  return found;
}

std::string screen_text(HANDLE screen) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(screen, &info)) return "";
  std::vector<std::string> rows;
  for (int y = 0; y < info.dwSize.Y; ++y)
    rows.push_back(row_text(row(screen, y, info.dwSize.X)));
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  std::string text;
  for (const std::string& r : rows) text += r + "\n";
  return text + "[cursor " + std::to_string(info.dwCursorPosition.X + 1) + "," +
         std::to_string(info.dwCursorPosition.Y + 1) + "]\n";
}

std::string text_left_of(HANDLE screen, int x, int y) {
  if (x <= 0) return "";
  std::string text;
  for (const CHAR_INFO& c : row(screen, y, x)) text += c.Char.AsciiChar;
  return text;
}

bool type(HANDLE input, const std::string& text) {
  std::vector<INPUT_RECORD> records;
  for (const char c : text) {
    WORD virtual_key = VK_RETURN;
    char character = '\r';
    DWORD state = 0;
    if (c != '\n') {
      const SHORT found = VkKeyScanA(c);
      if (found == -1) return false;
      virtual_key = LOBYTE(found);
      character = c;
      if (HIBYTE(found) & 1) state = SHIFT_PRESSED;
    }
    records.push_back(key_record(true, virtual_key, character, state));
    records.push_back(key_record(false, virtual_key, character, state));
  }
  DWORD written = 0;
  return WriteConsoleInputA(input, records.data(),
                            static_cast<DWORD>(records.size()), &written) &&
         written == records.size();
}

}  // namespace real_console
