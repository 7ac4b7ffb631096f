// The parameter dialog of each program: three prompts, three integer
// answers, then the limit checks, which end the program on a refused value.
#pragma once

namespace dialogue {

namespace quintrel {
// Asks n, k and the number of tests; a count below 1 means arbitrarily
// many (2147483647).  Refuses n above 2000 or at most 0 and k above 120,
// n's checks first; k below 2 is accepted.
[[gnu::noinline]] void ask_parameters();
}  // namespace quintrel

namespace tolvaric {
// Asks n, k and the number of tests.  Refuses n and k outside 3..2000 and
// 3..120, n first; a count below 1 ("0 for halt") then ends the program
// quietly with exit code 0.
[[gnu::noinline]] void ask_parameters();
}  // namespace tolvaric

}  // namespace dialogue
