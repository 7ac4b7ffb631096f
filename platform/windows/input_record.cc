// Console input records to input events; see input_record.h.
#include "platform/windows/input_record.h"

#include <windows.h>

namespace platform {

InputEvent input_event_from(const INPUT_RECORD& record) {
  InputEvent event{};
  event.event_type = record.EventType;
  // The other kinds share the record's union: their bytes are no key.
  if (record.EventType != KEY_EVENT) return event;
  const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
  event.key_down = key.bKeyDown != FALSE;  // any non-zero BOOL is a press
  event.virtual_key_code = key.wVirtualKeyCode;
  event.virtual_scan_code = key.wVirtualScanCode;
  // CHAR is signed: characters from 128 up keep their code page byte.
  event.character = static_cast<std::uint8_t>(key.uChar.AsciiChar);
  event.control_key_state = key.dwControlKeyState;
  return event;
}

}  // namespace platform
