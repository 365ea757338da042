// What the reference manual, `qvrun --functions` and the window's function
// list say about a registered name. Each registering module keeps its rows
// beside its registrations; the declaration shown is always the one the
// module registered, taken from the program, so the two cannot drift apart.
//
//   {"split", kGroupStrings, "Splits text at a separator into an array.",
//    "Longer text ...", "var a = split(\"x||y\");\nlg(a[1]);", "y"}
#pragma once

#include <span>

namespace qv {

// The groups of the reference, in the order the manual lists them.
inline constexpr const char* kGroupStrings = "Strings and arrays";
inline constexpr const char* kGroupConversion = "Conversion, formatting and dates";
inline constexpr const char* kGroupMath = "Mathematics";
inline constexpr const char* kGroupPatterns = "Patterns and regular expressions";
inline constexpr const char* kGroupUrls = "URLs";
inline constexpr const char* kGroupEncoders = "Encoders and digests";
inline constexpr const char* kGroupHtml = "HTML";
inline constexpr const char* kGroupData = "JSON and CSV";
inline constexpr const char* kGroupChinese = "Chinese text";
inline constexpr const char* kGroupFiles = "Files, folders and processes";
inline constexpr const char* kGroupWeb = "Web";
inline constexpr const char* kGroupThreads = "Threads and scripts";
inline constexpr const char* kGroupDialogs = "Log and dialogs";
inline constexpr const char* kGroupSystem = "System library";
inline constexpr const char* kGroupClasses = "Classes";
inline constexpr const char* kGroupConstants = "Constants and variables";
inline constexpr const char* kGroupWindow = "Window";

struct NameDescription {
  // A global name, or CLASS.MEMBER for a member of a class.
  const char* name;
  const char* group;
  // One line, ending with a full stop.
  const char* summary;
  // Two or three sentences; may be empty for members and constants.
  const char* text = "";
  // A few statements in the JS-like syntax, and the log lines they write
  // ("\n" between lines). A test runs every example and compares.
  const char* example = "";
  const char* output = "";
  // Only for names a script thread defines when it starts, which no
  // registration call declares: the declaration to show.
  const char* declaration = "";
};

// The rows of the engine's two modules.
std::span<const NameDescription> SysLibraryDescriptions();
std::span<const NameDescription> ClassLibraryDescriptions();

}  // namespace qv
