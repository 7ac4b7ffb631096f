// The line editor.  Moving left draws backspaces, which stop at the left
// edge of the row; moving right redraws the characters passed over.  So on
// a line that has wrapped, the screen's cursor and the edit point can part,
// and a character typed then lands where the screen's cursor is.
#include "terminal/line_editor.h"

#include "terminal/key_codes.h"
#include "terminal/key_events.h"
#include "terminal/screen.h"

namespace terminal {
namespace {

// Deletes the last character, but only with the edit point at the end.
void erase_last(runtime::TextChannel& channel) {
  if (channel.position == 0 || channel.position != channel.end) return;
  put_char(key::kBackspace);
  put_char(' ');
  put_char(key::kBackspace);
  --channel.position;
  --channel.end;
}

// The next key; the screen may have changed while the editor waited.
std::uint8_t next_key() {
  const std::uint8_t typed = read_key();
  follow_screen();
  return typed;
}

void move_by_key(runtime::TextChannel& channel, std::uint8_t code) {
  switch (code) {
    case key::kHome:
      while (channel.position > 0) {
        --channel.position;
        put_char(key::kBackspace);
      }
      break;
    case key::kLeft:
      if (channel.position > 0) {
        --channel.position;
        put_char(key::kBackspace);
      }
      break;
    case key::kRight:
      if (channel.position < channel.end)
        put_char(channel.buffer_ref[channel.position++]);
      break;
    case key::kEnd:
      while (channel.position < channel.end)
        put_char(channel.buffer_ref[channel.position++]);
      break;
    default:  // Alt-R, function keys, Up, Down, Ins, Del, ...: dropped
      break;
  }
}

}  // namespace

void terminal_read_line(runtime::TextChannel& channel) {
  channel.position = 0;
  channel.end = 0;
  for (;;) {
    if (channel.position > channel.end) channel.end = channel.position;
    follow_screen();
    place_cursor();
    const std::uint8_t typed = next_key();
    if (typed == key::kTwoPart) {
      move_by_key(channel, next_key());
    } else if (typed == key::kBackspace || typed == key::kCtrlS) {
      erase_last(channel);
    } else if (typed == key::kEnter) {
      put_char('\r');
      put_char('\n');
      channel.buffer_ref[channel.end] = '\r';
      channel.buffer_ref[channel.end + 1] = '\n';
      channel.end += 2;
      break;
    } else if (typed == key::kCtrlY || typed == key::kEscape) {
      channel.position = channel.end;
      while (channel.end > 0) erase_last(channel);
    } else if (typed == key::kCtrlZ) {  // ignored
    } else if (channel.position < channel.buffer_size - 2) {
      channel.buffer_ref[channel.position++] = typed;
      put_char(typed);
    }
  }
  channel.position = 0;
  place_cursor();
}

}  // namespace terminal
