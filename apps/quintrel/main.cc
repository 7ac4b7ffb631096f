// quintrel: the packed variant.  Start-up with the console terminal layer,
// whose keys also feed the stop request, then the main driver.
#include "dialogue/drivers.h"
#include "dialogue/stop_request.h"
#include "runtime/run_time_error.h"
#include "terminal/key_events.h"
#include "terminal/terminal_layer.h"

namespace {

void start_terminal() {
  terminal::terminal_start();
  dialogue::connect_stop_keys(terminal::key_waiting, terminal::read_key);
}

}  // namespace

int main() { runtime::run_program(dialogue::quintrel::run, start_terminal); }
