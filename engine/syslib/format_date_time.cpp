// FormatDateTime: the date picture language.
#include <string>

#include "engine/syslib/format.h"
#include "engine/value/date_time.h"
#include "engine/value/format_settings.h"
#include "engine/value/value_ops.h"
#include "support/text.h"

namespace qv {

namespace {

bool StartsWithNoCase(std::u16string_view s, size_t pos, std::u16string_view word) {
  return s.size() - pos >= word.size() && SameText(s.substr(pos, word.size()), word);
}

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

class DatePicture {
 public:
  explicit DatePicture(const DateTimeParts& parts) : p_(parts), fs_(ProcessFormatSettings()) {}

  std::u16string Run(std::u16string_view format) {
    Append(format.empty() ? std::u16string_view(u"c") : format, 0);
    return std::move(out_);
  }

 private:
  void Number(int n, int minDigits) {
    std::u16string digits = IntToText(n);
    if (static_cast<int>(digits.size()) < minDigits) out_.append(minDigits - digits.size(), u'0');
    out_ += digits;
  }

  // Whether an am/pm marker follows the hour at `pos`, before the next hour
  // or any other "a"; quoted text is skipped.
  static bool HalfDayFollows(std::u16string_view f, size_t pos) {
    bool quoted = false;
    for (; pos < f.size(); ++pos) {
      char16_t c = f[pos];
      if (c == u'\'' || c == u'"') {
        quoted = !quoted;
      } else if (!quoted && (c == u'a' || c == u'A')) {
        return StartsWithNoCase(f, pos, u"am/pm") || StartsWithNoCase(f, pos, u"a/p") ||
               StartsWithNoCase(f, pos, u"ampm");
      } else if (!quoted && (c == u'h' || c == u'H')) {
        return false;
      }
    }
    return false;
  }

  // Nested pictures (c, ddddd, t ...) expand at most two levels deep, so a
  // setting that refers to itself cannot recurse without end.
  void Append(std::u16string_view f, int level) {
    if (level >= 2) return;
    bool use12Hour = false;
    char16_t lastToken = 0;
    size_t i = 0;
    while (i < f.size()) {
      char16_t starter = f[i++];
      char16_t token = Upper(starter);
      if (token >= u'A' && token <= u'Z') {
        if (token == u'M' && lastToken == u'H') token = u'N';
        lastToken = token;
      }
      size_t count = 1;
      auto takeRun = [&] {
        while (i < f.size() && f[i] == starter) ++i, ++count;
      };
      switch (token) {
        case u'Y':
          takeRun();
          if (count <= 2)
            Number(p_.year % 100, 2);
          else
            Number(p_.year, 4);
          break;
        case u'M':
          takeRun();
          if (count <= 2)
            Number(p_.month, static_cast<int>(count));
          else if (count == 3)
            out_ += fs_.shortMonthNames[p_.month - 1];
          else
            out_ += fs_.longMonthNames[p_.month - 1];
          break;
        case u'D':
          takeRun();
          if (count <= 2)
            Number(p_.day, static_cast<int>(count));
          else if (count == 3)
            out_ += fs_.shortDayNames[p_.dayOfWeek - 1];
          else if (count == 4)
            out_ += fs_.longDayNames[p_.dayOfWeek - 1];
          else if (count == 5)
            Append(fs_.shortDateFormat, level + 1);
          else
            Append(fs_.longDateFormat, level + 1);
          break;
        case u'E':
          takeRun();
          Number(p_.year, count == 1 ? 1 : 2);
          break;
        case u'G':
          takeRun();
          out_ += count == 1 ? fs_.shortEraName : fs_.longEraName;
          break;
        case u'H': {
          takeRun();
          if (HalfDayFollows(f, i)) use12Hour = true;
          int h = p_.hour;
          if (use12Hour) h = h == 0 ? 12 : (h > 12 ? h - 12 : h);
          Number(h, count >= 2 ? 2 : 1);
          break;
        }
        case u'N':
          takeRun();
          Number(p_.minute, count >= 2 ? 2 : 1);
          break;
        case u'S':
          takeRun();
          Number(p_.second, count >= 2 ? 2 : 1);
          break;
        case u'Z':
          takeRun();
          Number(p_.millisecond, count >= 3 ? 3 : static_cast<int>(count));
          break;
        case u'T':
          takeRun();
          Append(count == 1 ? fs_.shortTimeFormat : fs_.longTimeFormat, level + 1);
          break;
        case u'C':
          takeRun();
          Append(fs_.shortDateFormat, level + 1);
          if (p_.hour != 0 || p_.minute != 0 || p_.second != 0) {
            out_ += fs_.dateTimeSeparator;
            Append(fs_.longTimeFormat, level + 1);
          }
          break;
        case u'A':
          HalfDay(f, i, starter, use12Hour);
          break;
        case u'/':
          out_ += fs_.dateSeparator;
          break;
        case u':':
          out_ += fs_.timeSeparator;
          break;
        case u'\'':
        case u'"': {
          size_t end = f.find(starter, i);
          if (end == std::u16string_view::npos) end = f.size();
          out_ += f.substr(i, end - i);
          i = end < f.size() ? end + 1 : end;
          break;
        }
        default:
          out_ += starter;
          break;
      }
    }
  }

  // "am/pm" and "a/p" copy the marker as it is written; "ampm" uses the
  // settings' words; any other "a" is itself.
  void HalfDay(std::u16string_view f, size_t& i, char16_t starter, bool& use12Hour) {
    size_t start = i - 1;
    bool pm = p_.hour >= 12;
    if (StartsWithNoCase(f, start, u"am/pm")) {
      out_ += f.substr(start + (pm ? 3 : 0), 2);
      i = start + 5;
      use12Hour = true;
    } else if (StartsWithNoCase(f, start, u"a/p")) {
      out_ += f[start + (pm ? 2 : 0)];
      i = start + 3;
      use12Hour = true;
    } else if (StartsWithNoCase(f, start, u"ampm")) {
      out_ += pm ? fs_.timePMString : fs_.timeAMString;
      i = start + 4;
      use12Hour = true;
    } else {
      out_ += starter;
    }
  }

  const DateTimeParts& p_;
  const FormatSettings& fs_;
  std::u16string out_;
};

}  // namespace

std::u16string FormatDateTime(std::u16string_view format, double dateTime) {
  DateTimeParts parts;
  // A value that is no date is shown as its number, so formatting never fails.
  if (!DecodeDateTime(dateTime, parts)) return FloatToText(dateTime);
  return DatePicture(parts).Run(format);
}

}  // namespace qv
