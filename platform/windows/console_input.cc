// Console input on Windows: the console's own queue of input records,
// counted and read one at a time, each turned into an input event by
// input_record.cc.  A handle that is no console input (a file or a pipe)
// fails the count, which the terminal layer takes as "not a console".
#include <windows.h>

#include "platform/console.h"
#include "platform/windows/input_record.h"

namespace platform {
namespace {

HANDLE native(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

bool count_input_events(Handle input, std::uint32_t& count) {
  DWORD waiting = 0;
  if (!GetNumberOfConsoleInputEvents(native(input), &waiting)) return false;
  count = waiting;
  return true;
}

bool read_input_event(Handle input, InputEvent& event) {
  INPUT_RECORD record{};
  DWORD got = 0;
  if (!ReadConsoleInputA(native(input), &record, 1, &got) || got == 0)
    return false;
  event = input_event_from(record);
  return true;
}

void pause_for(std::uint32_t milliseconds) { Sleep(milliseconds); }

}  // namespace platform
