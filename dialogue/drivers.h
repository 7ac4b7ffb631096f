// The main procedures of the two programs, run by the start-up code.
#pragma once

namespace dialogue {

namespace quintrel {
// Introduction, then experiments until the user declines a restart.
[[gnu::noinline]] void run();
}  // namespace quintrel

namespace tolvaric {
[[gnu::noinline]] void run();
}  // namespace tolvaric

}  // namespace dialogue
