#include "shell/log_lines.h"

#include <algorithm>

#include "support/text.h"

namespace qv::shell {

std::u16string FormatLogLine(std::time_t when, std::u16string_view threadName, std::u16string_view message) {
  std::tm tm{};
  localtime_r(&when, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &tm);
  std::u16string line = FromUtf8(stamp);
  line.reserve(line.size() + threadName.size() + message.size() + 2);
  if (!threadName.empty()) {
    line += u'(';
    line += threadName;
    line += u')';
  }
  for (size_t i = 0; i < message.size(); ++i) {
    char16_t ch = message[i];
    if (ch == u'\r') {
      if (i + 1 < message.size() && message[i + 1] == u'\n') ++i;
      ch = u'\n';
    }
    line += ch;
  }
  return line;
}

int LinesOf(std::u16string_view line) {
  return 1 + static_cast<int>(std::count(line.begin(), line.end(), u'\n'));
}

LogTrim TrimBatch(int linesNow, const std::vector<int>& linesPerEntry) {
  LogTrim trim;
  int lines = linesNow;
  for (size_t i = 0; i < linesPerEntry.size(); ++i) {
    lines += linesPerEntry[i];
    if (lines > kMaxLogLines) {
      trim.cleared = true;
      trim.firstKept = i + 1;
      lines = 0;
    }
  }
  trim.linesAfter = lines;
  return trim;
}

}  // namespace qv::shell
