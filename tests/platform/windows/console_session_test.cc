// quintrel on a real console (wine's, under the tests): the stored console
// sessions whose keys are plain answers, run by the scripted-clock build
// on the real Windows console backend.  Each line is typed when the
// program stands at a prompt; standard output goes to a file, so the
// program must draw on the console it opens as "CONOUT$".
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/platform/windows/real_console.h"

namespace {

std::string read_stored(const std::string& name) {
  std::ifstream file(std::string(TRANSCRIPT_DIR) + "/" + name,
                     std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

struct Session {
  std::string name, ticks, time, step;
  int exit_code = 0;
  std::string console;
};

void PrintTo(const Session& s, std::ostream* out) { *out << s.name; }

// The sessions of console_cases.txt that a keyboard can type at prompts:
// a console that exists and holds standard input, and no named keys (some
// of which are typed while a run computes).
std::vector<Session> typed_sessions() {
  std::istringstream manifest(read_stored("console_cases.txt"));
  std::vector<Session> sessions;
  for (std::string line; std::getline(manifest, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Session s;
    fields >> s.name >> s.ticks >> s.time >> s.step >> s.exit_code >> s.console;
    const bool console = s.console.find('x') != std::string::npos &&
                         s.console.find(",piped") == std::string::npos &&
                         s.console.find(",stdout") == std::string::npos;
    if (console && read_stored("quintrel/" + s.name + ".in").find('{') ==
                       std::string::npos)
      sessions.push_back(s);
  }
  return sessions;
}

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() &&
         text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Where quintrel waits for a line: after a prompt on the cursor's row, or
// at the start of the row after a message that ends the program.
bool at_prompt(HANDLE screen, int x, int y, int width) {
  const std::string left = real_console::text_left_of(screen, x, y);
  for (const char* prompt :
       {"] :", "many tests: ", "to abandon. ", "Hit <enter>."})
    if (ends_with(left, prompt)) return true;
  if (x != 0 || y == 0) return false;
  std::string above = real_console::text_left_of(screen, width, y - 1);
  above.erase(above.find_last_not_of(' ') + 1);
  return ends_with(above, "to abandon") || ends_with(above, "Hit <Enter>");
}

// Waits until every key typed has been taken and the program stands at a
// prompt other than `last` (the one the previous line answered); false
// when the program ends first or `deadline` passes.
bool wait_for_prompt(HANDLE process, HANDLE screen, HANDLE input,
                     std::string& last, ULONGLONG deadline) {
  while (GetTickCount64() < deadline) {
    if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return false;
    DWORD waiting = 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetNumberOfConsoleInputEvents(input, &waiting) && waiting == 0 &&
        GetConsoleScreenBufferInfo(screen, &info)) {
      const int x = info.dwCursorPosition.X, y = info.dwCursorPosition.Y;
      const std::string place = std::to_string(x) + "," + std::to_string(y) +
                                real_console::text_left_of(screen, x, y);
      if (place != last && at_prompt(screen, x, y, info.dwSize.X)) {
        last = place;
        return true;
      }
    }
    Sleep(5);
  }
  return false;
}

// A file that a child process writes through its inherited handle.
HANDLE capture_file() {
  char folder[MAX_PATH], path[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "qcs", 0, path);
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileA(
      path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
      &inheritable, CREATE_ALWAYS,
      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

std::string contents(HANDLE file) {
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  return bytes;
}

// '?' in `expected` stands for one upper-case hexadecimal digit.
bool same_bytes(const std::string& expected, const std::string& actual) {
  if (expected.size() != actual.size()) return false;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const char a = actual[i];
    if (expected[i] == '?' ? !((a >= '0' && a <= '9') || (a >= 'A' && a <= 'F'))
                           : expected[i] != a)
      return false;
  }
  return true;
}

class QuintrelOnTheConsole : public ::testing::TestWithParam<Session> {};

TEST_P(QuintrelOnTheConsole, ShowsTheStoredScreen) {
  const Session& s = GetParam();
  ASSERT_TRUE(real_console::attach());
  const HANDLE screen = real_console::open_screen();
  const HANDLE input = real_console::open_input();
  int width = 0, height = 0, row = 1;
  std::sscanf(s.console.c_str(), "%dx%d", &width, &height);
  const std::size_t at = s.console.find(",row=");
  if (at != std::string::npos) row = std::atoi(s.console.c_str() + at + 5);
  ASSERT_TRUE(real_console::reset(screen, input, width, height, 0, row - 1));

  SetEnvironmentVariableA("TEST_TICK_COUNT", s.ticks.c_str());
  SetEnvironmentVariableA("TEST_LOCAL_TIME", s.time.c_str());
  SetEnvironmentVariableA("TEST_CLOCK_STEP", s.step.c_str());
  const HANDLE output = capture_file();
  const HANDLE errors = capture_file();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = errors;
  PROCESS_INFORMATION process{};
  std::string command = std::string("\"") + QUINTREL_SCRIPTED + "\"";
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0,
                             nullptr, nullptr, &startup, &process))
      << "cannot start " << QUINTREL_SCRIPTED;

  const ULONGLONG deadline = GetTickCount64() + 30000;
  std::istringstream lines(read_stored("quintrel/" + s.name + ".in"));
  std::string last_prompt;
  int typed = 0;
  for (std::string line; std::getline(lines, line); ++typed) {
    if (!wait_for_prompt(process.hProcess, screen, input, last_prompt,
                         deadline))
      break;
    ASSERT_TRUE(real_console::type(input, line + "\n"));
  }
  if (WaitForSingleObject(process.hProcess,
                          static_cast<DWORD>(deadline > GetTickCount64()
                                                 ? deadline - GetTickCount64()
                                                 : 0)) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, INFINITE);
    ADD_FAILURE() << "still running after " << typed
                  << " lines typed; screen:\n"
                  << real_console::screen_text(screen);
  }
  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);

  EXPECT_EQ(real_console::screen_text(screen),
            read_stored("quintrel/" + s.name + ".screen"));
  const std::string out = contents(output);
  EXPECT_TRUE(same_bytes(read_stored("quintrel/" + s.name + ".out"), out))
      << out;
  EXPECT_EQ(contents(errors), read_stored("quintrel/" + s.name + ".err"));
  EXPECT_EQ(exit_code, static_cast<DWORD>(s.exit_code));
  for (HANDLE h : {output, errors, screen, input}) CloseHandle(h);
}

INSTANTIATE_TEST_SUITE_P(Stored, QuintrelOnTheConsole,
                         ::testing::ValuesIn(typed_sessions()),
                         [](const ::testing::TestParamInfo<Session>& info) {
                           return info.param.name;
                         });

}  // namespace
