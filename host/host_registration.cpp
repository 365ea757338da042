// What every script thread registers on its program, in order: the dialog
// constants, the classes TInfo, ThttpGet, TQuorvinter and TRegExp, then the
// host functions, the request functions, the functions for polite crawling
// and the work queue's functions.
#include "host/host_functions.h"
#include "host/http_get_class.h"
#include "host/info_class.h"
#include "host/politeness_functions.h"
#include "host/queue/queue_functions.h"
#include "host/quorvint.h"
#include "host/regexp_class.h"
#include "host/request_functions.h"
#include "host/thread_class.h"

namespace qv::host {

namespace {

struct Constant {
  const char16_t* name;
  int32_t value;
};

constexpr Constant kDialogConstants[] = {
    {u"MTError", 1},    {u"MTWarning", 2},          {u"MTInformation", 3},
    {u"MBOkCancel", 1}, {u"MBAbortRetryIgnore", 2}, {u"MBYesNoCancel", 3},
    {u"MBYesNo", 4},    {u"MBRetryCancel", 5},      {u"MRYes", 6},
    {u"MRNo", 7},       {u"MRCancel", 2},           {u"MRAbort", 3},
    {u"MRRetry", 4},    {u"MRIgnore", 5},           {u"MROK", 1},
};

}  // namespace

void TQuorvint::RegisterHost(TfsScript& prog) {
  for (const Constant& c : kDialogConstants) prog.AddConst(c.name, u"Integer", Value::Int(c.value));
  RegisterInfoClass(prog);
  RegisterHttpGetClass(prog, *this);
  RegisterThreadClass(prog, *this);
  RegisterRegExpClass(prog);
  RegisterHostFunctions(prog, *this);
  RegisterRequestFunctions(prog, *this);
  RegisterPolitenessFunctions(prog, *this);
  queue::RegisterQueueFunctions(prog, *this);
}

}  // namespace qv::host
