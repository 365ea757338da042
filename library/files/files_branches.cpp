// The dispatcher's branches for files, folders, INI files, time and
// processes. Names from scripts read "\" as "/"; the writing and INI
// functions take relative names in the application folder, every other
// function in the current directory.
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>

#include "library/branches.h"
#include "library/files/file_dialogs.h"
#include "library/files/file_info.h"
#include "library/files/file_lock.h"
#include "library/files/file_read.h"
#include "library/files/file_write.h"
#include "library/files/folder_list.h"
#include "library/files/ini_file.h"
#include "library/files/paths.h"
#include "library/files/run_process.h"
#include "support/codepage.h"
#include "support/text.h"

namespace qv::library {

namespace {

namespace fs = std::filesystem;

std::u16string Text(Caller& c, int i) { return ToText(c.GetParam(i)); }

// An integer result that stays 32-bit when it fits.
Value IntResult(int64_t v) {
  return v >= INT32_MIN && v <= INT32_MAX ? Value::Int(static_cast<int32_t>(v)) : Value::Int64(v);
}

// The INI file of readini and saveini: a relative name lies in AppPath.
std::u16string IniPath(Caller& c) { return InAppFolder(Text(c, 0), u"/"); }

Value ReadIniBranch(Caller& c) {
  auto value = ReadIniValue(IniPath(c), Text(c, 1), Text(c, 2));
  return Value::Text(value ? *value : Text(c, 3));
}

Value SaveIniBranch(Caller& c) {
  std::u16string path = IniPath(c);
  if (!IsAbsoluteName(Text(c, 0))) ForceFolder(ExpandName(path), true);
  if (!WriteIniValue(path, Text(c, 1), Text(c, 2), Text(c, 3)))
    throw ScriptError(u"Cannot write the INI file \"" + path + u"\"");
  return NoResult();
}

Value GetDirsBranch(Caller& c) { return Value::Text(ListFolder(Text(c, 0), true, u"*")); }
Value GetFilesBranch(Caller& c) { return Value::Text(ListFolder(Text(c, 0), false, Text(c, 1))); }

// A script's folder name as the dialog should see it ("\" read as "/").
std::u16string DialogFolder(const std::u16string& name) {
  return name.empty() ? name : PathText(FsPath(name));
}

// The dialogs of the program's user interface; several chosen files are
// joined with "||", the library's list separator. Without a user interface
// (qvrun) the answer is empty text, as for a cancelled dialog.
Value SelFileBranch(Caller& c) {
  FileChoice choice;
  choice.startFolder = DialogFolder(Text(c, 0));
  choice.filter = Text(c, 1);
  choice.multiple = ToBool(c.GetParam(2));
  choice.mustExist = ToBool(c.GetParam(3));
  std::u16string joined;
  for (const std::u16string& file : ChooseFiles(choice)) {
    if (!joined.empty()) joined += u"||";
    joined += file;
  }
  return Value::Text(joined);
}

Value SelDirBranch(Caller& c) { return Value::Text(ChooseFolder(DialogFolder(Text(c, 0)))); }

Value GetFileSizeBranch(Caller& c) {
  auto entry = FindEntry(Text(c, 0));
  return entry ? IntResult(static_cast<int64_t>(entry->size)) : Value::Int(-1);
}

Value ReplaceFileNameCharsBranch(Caller& c) { return Value::Text(RemoveFileNameChars(Text(c, 0))); }

// With CreateDir the answer is whether the folder exists afterwards.
Value IsDirBranch(Caller& c) {
  std::u16string name = Text(c, 0);
  bool create = ToBool(c.GetParam(1));
  if (create && name.empty()) throw ScriptError(u"Cannot create a folder without a name");
  if (!IsUsableName(name)) return Value::Bool(false);
  std::error_code ec;
  fs::path path = ExpandName(name);
  if (create) ForceFolder(path, false);
  return Value::Bool(fs::is_directory(path, ec));
}

Value IsFileBranch(Caller& c) {
  std::u16string name = Text(c, 0);
  std::error_code ec;
  fs::path path = ExpandName(name);
  return Value::Bool(IsUsableName(name) && fs::exists(path, ec) && !fs::is_directory(path, ec));
}

// A folder is never deleted; a link to one is removed as a link.
Value DeleteFileBranch(Caller& c) {
  std::u16string name = Text(c, 0);
  return Value::Bool(IsUsableName(name) && ::unlink(ExpandName(name).c_str()) == 0);
}

// Fails when the new name exists. A file moves across file systems too.
Value RenameFileBranch(Caller& c) {
  std::u16string from = Text(c, 0), to = Text(c, 1);
  if (!IsUsableName(from) || !IsUsableName(to)) return Value::Bool(false);
  fs::path oldPath = ExpandName(from), newPath = ExpandName(to);
  if (::renameat2(AT_FDCWD, oldPath.c_str(), AT_FDCWD, newPath.c_str(), RENAME_NOREPLACE) == 0)
    return Value::Bool(true);
  std::error_code ec;
  if (errno == EINVAL) {  // a file system without the no-replace flag
    if (fs::exists(fs::symlink_status(newPath, ec))) return Value::Bool(false);
    return Value::Bool(::rename(oldPath.c_str(), newPath.c_str()) == 0);
  }
  if (errno == EXDEV && fs::is_regular_file(oldPath, ec)) {
    if (!fs::copy_file(oldPath, newPath, fs::copy_options::none, ec)) return Value::Bool(false);
    if (!fs::remove(oldPath, ec)) {
      fs::remove(newPath, ec);
      return Value::Bool(false);
    }
    return Value::Bool(true);
  }
  return Value::Bool(false);
}

// TimeType 0 creation, 1 last write, 2 last access: local wall-clock
// seconds at FAT's 2-second resolution, plus the time-zone correction in
// hours. Any other TimeType, like a missing file, gives 0.
Value GetFileTimeBranch(Caller& c) {
  auto entry = FindEntry(Text(c, 0));
  int32_t type = ToInt32(c.GetParam(1));
  int64_t zone = ToInt32(c.GetParam(2));
  if (!entry || type < 0 || type > 2) return Value::Int(0);
  int64_t stamp = type == 0 ? entry->created : type == 1 ? entry->written : entry->accessed;
  return IntResult(LocalFileSeconds(stamp) + zone * 3600);
}

Value GetFileDirBranch(Caller& c) { return Value::Text(FileDir(Text(c, 0))); }
Value GetFileExtBranch(Caller& c) { return Value::Text(FileExt(Text(c, 0))); }
Value GetFileNameBranch(Caller& c) { return Value::Text(FileName(Text(c, 0))); }
Value ExpandFileNameBranch(Caller& c) {
  std::u16string name = Text(c, 0);
  return Value::Text(name.empty() ? std::u16string() : PathText(ExpandName(name)));
}

Value TimestampBranch(Caller& c) {
  return Value::Int64(LocalNowSeconds() + int64_t{ToInt32(c.GetParam(0))} * 3600);
}

// The exact bytes of the body, replaced or appended, under GlobalFileLock.
Value SaveFileBranch(Caller& c) {
  std::u16string name = Text(c, 0);
  std::string bytes = ToBytes(c.GetParam(1));
  WriteMode mode = ToBool(c.GetParam(2)) ? WriteMode::Append : WriteMode::Overwrite;
  return Value::Bool(SaveFileBytes(mode, name, bytes));
}

Value ReadFileBranch(Caller& c) {
  std::u16string name = Text(c, 0);
  std::string bytes;
  if (!IsUsableName(name) || !ReadFileBytes(ExpandName(name), bytes)) return Value::Text(u"");
  return Value::Text(DecodeTextBytes(bytes));
}

// The body as UTF-8 without a byte-order mark, in both modes; a relative
// name lies in AppPath. A failed write is an error of the script.
Value SaveFile2Branch(Caller& c) {
  std::u16string name = Text(c, 0);
  if (name.empty()) throw ScriptError(u"Cannot create a file without a name");
  fs::path path = ExpandName(InAppFolder(name, u"/"));
  std::string utf8 = ToUtf8(DecodeAnsi(ToBytes(c.GetParam(1))));
  bool append = ToBool(c.GetParam(2));
  bool ok = false;
  {
    std::lock_guard<std::mutex> lock(GlobalFileLock());
    ok = ForceFolder(path, true) && (append ? AppendFileContent(path, utf8) : ReplaceFileContent(path, utf8));
  }
  if (!ok) throw ScriptError(u"Cannot write file \"" + PathText(path) + u"\"");
  return Value::Bool(true);
}

// Waiting runs the whole command line through the shell; not waiting opens
// the target. Failures to start are not reported, as the function promises.
Value RunBranch(Caller& c) {
  std::u16string command = Text(c, 0);
  if (!command.empty()) {
    if (ToBool(c.GetParam(1))) {
      // Other threads may run this script's callbacks while it waits.
      BlockingCall waiting;
      RunAndWait(command);
    } else {
      OpenDetached(command);
    }
  }
  return NoResult();
}

constexpr Branch kBranches[] = {
    {u"READINI", ReadIniBranch},
    {u"SAVEINI", SaveIniBranch},
    {u"GETDIRS", GetDirsBranch},
    {u"GETFILES", GetFilesBranch},
    {u"SELFILE", SelFileBranch},
    {u"SELDIR", SelDirBranch},
    {u"GETFILESIZE", GetFileSizeBranch},
    {u"REPLACEFILENAMECHARS", ReplaceFileNameCharsBranch},
    {u"ISDIR", IsDirBranch},
    {u"ISFILE", IsFileBranch},
    {u"FILEEXISTS", IsFileBranch},
    {u"DELETEFILE", DeleteFileBranch},
    {u"RENAMEFILE", RenameFileBranch},
    {u"GETFILETIME", GetFileTimeBranch},
    {u"GETFILEDIR", GetFileDirBranch},
    {u"GETFILEPATH", GetFileDirBranch},
    {u"GETFILEEXT", GetFileExtBranch},
    {u"GETFILENAME", GetFileNameBranch},
    {u"EXPANDFILENAME", ExpandFileNameBranch},
    {u"TIMESTAMP", TimestampBranch},
    {u"SAVEFILE", SaveFileBranch},
    {u"SAVE", SaveFileBranch},
    {u"READFILE", ReadFileBranch},
    {u"SAVEFILE2", SaveFile2Branch},
    {u"RUN", RunBranch},
};

}  // namespace

std::span<const Branch> FileBranches() { return kBranches; }

}  // namespace qv::library
