// Shared by the end-to-end tests: where the programs and the stored
// sessions are, and the comparison of whole outputs.
#pragma once

#include <string>

#include <gtest/gtest.h>

namespace transcripts {

// The test build of a program (scripted clock) or the shipped one.
std::string scripted(const std::string& program);
std::string shipped(const std::string& program);

// The bytes of a file under the transcripts folder.
std::string read_stored(const std::string& name);

// Compares whole outputs byte for byte; in `expected` each '?' stands for
// one upper-case hexadecimal digit (the report's addresses, which change
// from build to build).
::testing::AssertionResult same_bytes(const std::string& expected,
                                      const std::string& actual);

}  // namespace transcripts
