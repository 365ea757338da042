// Starting programs for `run`.
//
//   RunAndWait(u"gzip -t a.gz")   // /bin/sh -c, waits, the exit code
//   OpenDetached(u"page.html")    // xdg-open when present, returns at once
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

// Runs the whole command line through /bin/sh -c and waits for its end. The
// exit code, 128 + the signal for a killed process, or -1 when it could not
// be started.
int RunAndWait(std::u16string_view commandLine);

// Opens a file, folder or web address with xdg-open when it is installed,
// otherwise starts the text as a command; returns at once. The started
// program belongs to no one here, so it never lingers as a zombie. False
// when no shell could be started.
bool OpenDetached(std::u16string_view target);

}  // namespace qv::library
