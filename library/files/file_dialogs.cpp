#include "library/files/file_dialogs.h"

#include <mutex>

#include "engine/engine.h"

namespace qv::library {

namespace {

struct Handlers {
  std::mutex mutex;
  FileChooser files;
  FolderChooser folders;
};

Handlers& Installed() {
  static Handlers handlers;
  return handlers;
}

}  // namespace

void SetFileDialogHandlers(FileChooser files, FolderChooser folders) {
  Handlers& h = Installed();
  std::lock_guard lock(h.mutex);
  h.files = std::move(files);
  h.folders = std::move(folders);
}

std::vector<std::u16string> ChooseFiles(const FileChoice& choice) {
  FileChooser files;
  {
    Handlers& h = Installed();
    std::lock_guard lock(h.mutex);
    files = h.files;
  }
  if (!files) return {};
  BlockingCall waiting;
  return files(choice);
}

std::u16string ChooseFolder(std::u16string_view startFolder) {
  FolderChooser folders;
  {
    Handlers& h = Installed();
    std::lock_guard lock(h.mutex);
    folders = h.folders;
  }
  if (!folders) return u"";
  BlockingCall waiting;
  return folders(startFolder);
}

}  // namespace qv::library
