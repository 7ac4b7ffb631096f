// tolvaric: the flag variant, on the standard handles only.
#include "dialogue/drivers.h"
#include "runtime/run_time_error.h"

int main() { runtime::run_program(dialogue::tolvaric::run, nullptr); }
