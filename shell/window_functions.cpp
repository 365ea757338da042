#include "shell/window_functions.h"

#include "library/files/paths.h"
#include "support/text.h"

namespace qv::shell {

namespace {

// The folder part of a file name with its trailing "/"; empty without one.
std::u16string FolderOf(std::u16string_view file) {
  size_t slash = file.rfind(u'/');
  return slash == std::u16string_view::npos ? u"" : std::u16string(file.substr(0, slash + 1));
}

bool IsNumber(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Int32:
    case ValueKind::Int64:
    case ValueKind::UInt64:
    case ValueKind::Double:
    case ValueKind::Currency:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::u16string PathFunction(const Value& w, std::u16string_view editorFile, std::u16string_view appFolder) {
  if (w.is_string()) {
    return UpperCase(ToText(w)) == u"APP" ? FolderOf(editorFile) : std::u16string(appFolder);
  }
  double n = IsNumber(w) ? ToDouble(w) : 0;
  if (n > 0) return std::u16string(appFolder);
  if (n < 0) return u"";
  return library::IsAbsoluteName(editorFile) ? FolderOf(editorFile) : std::u16string(appFolder);
}

WindowFunctions::WindowFunctions(TfsScript& global, WindowActions actions, std::u16string appFolder)
    : global_(global), actions_(std::move(actions)), appFolder_(std::move(appFolder)) {
  auto handler = [this](HostObject*, const HostClass*, const std::u16string& name, Caller& c) {
    return Dispatch(name, c);
  };
  items_[0] = global_.AddMethod(u"function  _path(w:variant=''):String", handler, u"", u"系统路径");
  items_[1] = global_.AddMethod(u"procedure _close;", handler, u"", u"关闭程序");
  items_[2] = global_.AddMethod(u"procedure _setcaption(t:string);", handler, u"", u"");
}

WindowFunctions::~WindowFunctions() {
  for (TfsObject* item : items_)
    if (item != nullptr) global_.Remove(item);
}

Value WindowFunctions::Dispatch(const std::u16string& name, Caller& c) {
  // Each waits for the window's thread (_close even for a save dialog):
  // other threads may run this script's callbacks meanwhile.
  BlockingCall waiting;
  if (name == u"_PATH") {
    std::u16string file = actions_.editorFile ? actions_.editorFile() : u"";
    return Value::Text(PathFunction(c.GetParam(0), file, appFolder_));
  }
  if (name == u"_CLOSE") {
    if (actions_.close) actions_.close();
  } else if (name == u"_SETCAPTION") {
    if (actions_.setCaption) actions_.setCaption(ToText(c.GetParam(0)));
  }
  return Value::Text(u"");
}

namespace {

const NameDescription kDescriptions[] = {
    {"_path", kGroupWindow, "A folder: the editor file's folder or the application folder.",
     "_path('app') gives the folder of the file open in the editor; a positive number or other text gives "
     "the application folder, a negative number empty text. Without an argument (or 0) it gives the "
     "editor file's folder when that file has an absolute name, else the application folder. Folders end "
     "with \"/\".",
     "var dir = _AppPath;\nif (isset(\"_path\")) eval(\"dir = _path();\");\n"
     "lg(Copy(dir, Length(dir), 1));",
     "/"},
    {"_close", kGroupWindow, "Stops the running script and closes the window.",
     "The window stops the script that Run started (and so its child threads) and closes, as its Close "
     "button does. A script that also runs in qvrun tests isset(\"_close\") and calls it through eval.",
     "lg(\"all done\");\nif (isset(\"_close\")) eval(\"_close();\");", "all done"},
    {"_setcaption", kGroupWindow, "Sets the window's caption.",
     "The text becomes the caption of the main window, a place to show progress such as the page being "
     "fetched. A script that also runs in qvrun tests isset(\"_setcaption\") and calls it through eval.",
     "if (isset(\"_setcaption\")) eval(\"_setcaption(\" + Chr(34) + \"Harvest: page 1\" + Chr(34) + "
     "\");\");\n"
     "lg(\"caption set\");",
     "caption set"},
};

}  // namespace

std::span<const NameDescription> WindowFunctionDescriptions() { return kDescriptions; }

std::shared_ptr<void> WindowFunctionsForCatalog(TfsScript& prog) {
  return std::make_shared<WindowFunctions>(prog, WindowActions{}, u"");
}

}  // namespace qv::shell
