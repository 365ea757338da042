// The three functions the window offers scripts: _path, _close and
// _setcaption. They are registered in the GlobalProgram, so every script
// thread sees them; they act on the window through WindowActions.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "engine/engine.h"
#include "engine/program/descriptions.h"

namespace qv::shell {

// What the functions need from the window. Called on the script's thread;
// the window takes them over to its own thread.
struct WindowActions {
  std::function<std::u16string()> editorFile;  // the editor's file name
  std::function<void()> close;                 // stop the run, close, wait
  std::function<void(std::u16string)> setCaption;
};

// The answer of _path(w): text "APP" (any case) gives the folder of the
// editor's file; other text, or a number above 0, the application folder;
// 0 (and any value that is neither text nor number) the folder of the
// editor's file when its name is absolute, else the application folder; a
// number below 0 empty text. Folders end with "/".
std::u16string PathFunction(const Value& w, std::u16string_view editorFile, std::u16string_view appFolder);

// Registers the three functions in `global` and removes them again when
// destroyed (a process may make more than one window: tests).
class WindowFunctions {
 public:
  WindowFunctions(TfsScript& global, WindowActions actions, std::u16string appFolder);
  ~WindowFunctions();
  WindowFunctions(const WindowFunctions&) = delete;
  WindowFunctions& operator=(const WindowFunctions&) = delete;

 private:
  Value Dispatch(const std::u16string& name, Caller& c);

  TfsScript& global_;
  WindowActions actions_;
  std::u16string appFolder_;
  std::array<TfsObject*, 3> items_{};
};

// The reference rows of the three functions.
std::span<const NameDescription> WindowFunctionDescriptions();
// The functions registered in `prog` without a window, for the reference;
// they stay until the result is released.
std::shared_ptr<void> WindowFunctionsForCatalog(TfsScript& prog);

}  // namespace qv::shell
