// quintrel: the packed variant.  Start-up, then the main driver.
#include "dialogue/drivers.h"
#include "runtime/run_time_error.h"

int main() { runtime::run_program(dialogue::quintrel::run, nullptr); }
