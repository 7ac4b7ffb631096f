// Loads a whole session into the simulated console of the simulated build
// of quintrel, from the environment: TEST_CONSOLE describes the console,
// TEST_KEYS names the key script (or TEST_KEY_SCRIPT holds it), and
// TEST_SCREEN_OUT the file that receives the screen when the program gives
// the console back (or waits for a key that never comes: then exit code
// 98).
//
// TEST_CONSOLE: "none" (no console at all), "unqueryable" (a console that
// cannot be queried), or WxH with optional ",row=R" (the cursor starts on
// row R, 1-based), ",stdout" (standard output is the console) and
// ",piped" (standard input is no console: the answers come from it).
//
// Key script: each line is typed, with its Enter, when the program waits
// for a key; a line that starts with {during-run} is typed, without Enter,
// while the program computes (it arrives at the next look for keys).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/fakes/simulated_console.h"

namespace {

std::string from_environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "" : value;
}

void write_screen() {
  const std::string path = from_environment("TEST_SCREEN_OUT");
  if (path.empty()) return;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << fake::screen_text() << "[cursor " << fake::console.cursor.x + 1 << ","
       << fake::console.cursor.y + 1 << "]\n";
}

[[noreturn]] void keys_exhausted() {
  write_screen();
  std::fflush(nullptr);
  std::_Exit(98);
}

void load_keys(const std::string& script) {
  std::istringstream lines(script);
  const std::string prefix = "{during-run}";
  for (std::string line; std::getline(lines, line);) {
    fake::KeyBatch batch;
    if (line.rfind(prefix, 0) == 0) {
      batch.while_computing = true;
      batch.events = fake::keys(line.substr(prefix.size()));
    } else {
      batch.events = fake::keys(line + "\n");
    }
    fake::console.batches.push_back(batch);
  }
}

std::string key_script() {
  const std::string path = from_environment("TEST_KEYS");
  if (path.empty()) return from_environment("TEST_KEY_SCRIPT");
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void set_up_session() {
  const std::string wanted = from_environment("TEST_CONSOLE");
  int width = 80, height = 25;
  std::sscanf(wanted.c_str(), "%dx%d", &width, &height);
  fake::reset_console(width, height);
  fake::console.on_release = write_screen;
  fake::console.on_keys_exhausted = keys_exhausted;
  if (wanted == "none") fake::console.screen_opens = false;
  if (wanted == "unqueryable") fake::console.screen_answers = false;
  const std::size_t row = wanted.find(",row=");
  if (row != std::string::npos)
    fake::console.cursor.y =
        static_cast<std::int16_t>(std::atoi(wanted.c_str() + row + 5) - 1);
  fake::console.output_is_console = wanted.find(",stdout") != std::string::npos;
  fake::console.input_is_console = wanted.find(",piped") == std::string::npos;
  if (fake::console.input_is_console) load_keys(key_script());
}

// Runs before main; the console itself is set up at its first use, once
// every static object exists.
struct Install {
  Install() { fake::console_setup = set_up_session; }
} install;

}  // namespace
