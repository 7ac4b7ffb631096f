// The console screen on Windows: the screen buffer behind standard output,
// or the console's active one opened as "CONOUT$", drawn on one cell at a
// time.  Each operation is one console call (a scroll that wine's console
// refuses, two); the console's modes are never changed, so there is
// nothing to give back.
#include <windows.h>

#include "platform/console.h"

namespace platform {
namespace {

HANDLE native(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

COORD coord(CellPosition cell) { return COORD{cell.x, cell.y}; }

SMALL_RECT small_rect(const CellRectangle& r) {
  return SMALL_RECT{r.left, r.top, r.right, r.bottom};
}

// The character widened with a high byte of 0, so that the byte stands in
// CHAR_INFO's union whichever member the console reads.
CHAR_INFO char_info(std::uint8_t character, std::uint16_t attribute) {
  CHAR_INFO cell{};
  cell.Char.UnicodeChar = character;
  cell.Attributes = attribute;
  return cell;
}

}  // namespace

Handle open_console_screen() {
  const HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  return screen == INVALID_HANDLE_VALUE ? kNoHandle
                                        : reinterpret_cast<Handle>(screen);
}

bool query_screen(Handle screen, ScreenInfo& info) {
  CONSOLE_SCREEN_BUFFER_INFO buffer{};
  if (!GetConsoleScreenBufferInfo(native(screen), &buffer)) return false;
  info.size = {buffer.dwSize.X, buffer.dwSize.Y};
  info.cursor = {buffer.dwCursorPosition.X, buffer.dwCursorPosition.Y};
  info.attributes = buffer.wAttributes;
  return true;
}

bool screen_changed(Handle) { return false; }

bool write_cell(Handle screen, CellPosition cell, std::uint8_t character,
                std::uint16_t attribute) {
  const CHAR_INFO source = char_info(character, attribute);
  // The call writes back the rectangle it filled; the cell is a copy.
  SMALL_RECT target{cell.x, cell.y, cell.x, cell.y};
  return WriteConsoleOutputA(native(screen), &source, COORD{1, 1}, COORD{0, 0},
                             &target) != FALSE;
}

bool scroll_screen(Handle screen, const CellRectangle& move,
                   const CellRectangle& clip, CellPosition destination,
                   std::uint8_t fill_character, std::uint16_t fill_attribute) {
  SMALL_RECT moved = small_rect(move);
  const SMALL_RECT kept = small_rect(clip);
  const CHAR_INFO fill = char_info(fill_character, fill_attribute);
  COORD origin = coord(destination);
  if (ScrollConsoleScreenBufferA(native(screen), &moved, &kept, origin, &fill))
    return true;
  // Wine's console refuses a destination above the buffer, the usual way
  // to scroll up.  In a straight move up, the rows that would land there
  // can be left out when the moved block covers them: the cells come out
  // the same.
  const int above = -destination.y;
  if (above <= 0 || destination.x != move.left || move.top < 0 ||
      2 * (move.top + above) > move.bottom + 1)
    return false;
  moved.Top = static_cast<SHORT>(move.top + above);
  origin.Y = 0;
  return ScrollConsoleScreenBufferA(native(screen), &moved, &kept, origin,
                                    &fill) != FALSE;
}

bool set_cursor(Handle screen, CellPosition cell) {
  return SetConsoleCursorPosition(native(screen), coord(cell)) != FALSE;
}

void release_console() {}

}  // namespace platform
