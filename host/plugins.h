// Plug-in calls: a call of a registered function whose name contains "."
// loads the library AppPath + "plugin/" + the part before the first "." +
// ".so" and releases it again at once, so its start-up code runs. No
// function of the library is called.
//
//   CallPlugin(u"report.Send");   // loads and unloads plugin/report.so
#pragma once

#include <string_view>

namespace qv::host {

// A library that cannot be loaded is ignored. A part that names a folder
// ("/" or "\" in it) is never loaded: scripts reach plugin/ only.
void CallPlugin(std::u16string_view name);

}  // namespace qv::host
