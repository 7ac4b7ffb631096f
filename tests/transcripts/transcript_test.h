// Shared by the end-to-end tests: where the programs and the stored
// sessions are, and the comparison of whole outputs.  The programs are
// those of this binary's own build unless the environment names another:
// TRANSCRIPT_BUILD (its folder), TRANSCRIPT_SUFFIX (".exe"),
// TRANSCRIPT_SKIP (programs left out) and TRANSCRIPT_LAUNCHER (process.h).
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace transcripts {

// The test build of a program (scripted clock) or the shipped one.
std::string scripted(const std::string& program);
std::string shipped(const std::string& program);

// Another program of the test build, such as fault_probe.
std::string test_program(const std::string& name);

// True when TRANSCRIPT_SKIP names `program` (one the build under test
// leaves out).
bool skipped(const std::string& program);

// The bytes of a file under the transcripts folder.
std::string read_stored(const std::string& name);

// Compares whole outputs byte for byte; in `expected` each '?' stands for
// one upper-case hexadecimal digit (the report's addresses, which change
// from build to build).
::testing::AssertionResult same_bytes(const std::string& expected,
                                      const std::string& actual);

}  // namespace transcripts
