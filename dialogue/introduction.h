// The fixed texts of the two programs: their introductions and the version
// lines of the start step.
#pragma once

#include <string_view>

namespace dialogue {

// Ends the version lines and one introduction line of each program; 22
// printable characters, so the introduction lines keep their lengths.
inline constexpr std::string_view kAttributionNotice = "reimplemented in C++20";

inline constexpr int kQuintrelIntroductionLines = 20;
inline constexpr int kTolvaricIntroductionLines = 13;

extern const std::string_view
    kQuintrelIntroduction[kQuintrelIntroductionLines];
extern const std::string_view
    kTolvaricIntroduction[kTolvaricIntroductionLines];

// Up to the attribution notice, which follows on the same line.
inline constexpr std::string_view kQuintrelVersion =
    "\"Merrowin\" ver. March 17 on k-generation of B_n; ";
inline constexpr std::string_view kTolvaricVersion =
    "\"Tolvaric\" March 18 on k-generation of B_n; ";

}  // namespace dialogue
