// The log's line rules, free of widgets: the line format and the
// 10,000-line rule applied to a batch of lines at once.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace qv::shell {

inline constexpr int kMaxLogLines = 10000;

// "yyyy-mm-dd hh:mm:ss " + "(" + name + ")" for a named thread + message,
// with the message's line ends (CR LF, CR, LF) made LF.
std::u16string FormatLogLine(std::time_t when, std::u16string_view threadName, std::u16string_view message);

// How many lines of the log a formatted entry fills.
int LinesOf(std::u16string_view line);

// The log appends entries one by one and empties itself completely as soon
// as it holds more than kMaxLogLines lines. For a batch appended to a log
// of `linesNow` lines: the entries from `firstKept` on remain, and the log
// was emptied first when `cleared`; `linesAfter` is its new line count.
struct LogTrim {
  size_t firstKept = 0;
  bool cleared = false;
  int linesAfter = 0;
};
LogTrim TrimBatch(int linesNow, const std::vector<int>& linesPerEntry);

}  // namespace qv::shell
