// The texts the tool prints and writes, as users see them, for the tests to compare against.
#pragma once

#include <string>

inline const std::string kUsage =
    "Vantorel 1.0 by Quellbrand\n"
    "Enter your .wav file names in a track called tlist.txt\n"
    "Or, use a different list filename by entering it as\n"
    "the first command line argument.\n"
    "Optionally, add the name for the output .cue file as\n"
    "the second command line argument.\n"
    "To split a file into separate tracks, start a line with S\n"
    "followed by the start time.\n"
    "To add a pregap, start a line with P followed by the length\n";

inline const std::string kReportHeader = "\nFile Lengths \t\t\tmin:sec:frames\n\n";
inline const std::string kEmptyReport = kReportHeader + "\nTotal Time:  0 min : 0 sec\n";

// The cue sheet of a list that names one file and nothing else.
inline std::string OneFileCue(const std::string& name) {
  return "FILE \"" + name + "\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
}
