#include "engine/value/format_settings.h"

namespace qv {

FormatSettings::FormatSettings()
    : shortMonthNames{u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                      u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"},
      longMonthNames{u"January", u"February", u"March",     u"April",   u"May",      u"June",
                     u"July",    u"August",   u"September", u"October", u"November", u"December"},
      shortDayNames{u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"},
      longDayNames{u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"} {}

const FormatSettings& ProcessFormatSettings() {
  static const FormatSettings settings;
  return settings;
}

}  // namespace qv
