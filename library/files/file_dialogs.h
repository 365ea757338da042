// File and folder choice for selfile and seldir. The library shows no
// dialogs itself: a program with a user interface installs a handler (the
// window does); without one every choice answers empty text, as a
// cancelled dialog does (qvrun).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::library {

struct FileChoice {
  std::u16string startFolder;  // empty: the dialog's own choice
  // Alternating descriptions and patterns separated by "|", patterns
  // separated by ";" ("Text(*.txt)|*.txt|All|*.*"); empty: all files.
  std::u16string filter;
  bool multiple = false;
  bool mustExist = true;  // false lets the user name a new file
};

// The chosen full names, in the dialog's order; empty when cancelled.
using FileChooser = std::function<std::vector<std::u16string>(const FileChoice& choice)>;
// The chosen folder; empty when cancelled.
using FolderChooser = std::function<std::u16string(std::u16string_view startFolder)>;

// Installs (or, with empty functions, removes) the handlers. Any thread.
void SetFileDialogHandlers(FileChooser files, FolderChooser folders);

// Run the installed handler on the calling thread; a script thread gives
// up its execution lock while the user chooses.
std::vector<std::u16string> ChooseFiles(const FileChoice& choice);
std::u16string ChooseFolder(std::u16string_view startFolder);

}  // namespace qv::library
