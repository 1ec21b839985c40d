#include "library.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "database/group_file.h"
#include "database/record.h"
#include "database/writer_mark.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "host/ai_document.h"
#include "platform/memory.h"
#include "platform/posix/os_posix.h"
#include "plugin_session.h"
#include "sjis_text.h"

namespace velmtool {
namespace fs = std::filesystem;

namespace {

// What the runtime suite reports; the database cuts it at "\Support Files\".
constexpr char kAppFilePath[] = "C:\\velm\\Support Files\\velm.exe";

host::Err GetAppFilePath(char* path, std::int32_t maxLength) {
  if (!path || maxLength < static_cast<std::int32_t>(sizeof kAppFilePath))
    return host::kBadParameterErr;
  std::memcpy(path, kAppFilePath, sizeof kAppFilePath);
  return host::kNoErr;
}

host::Err GetAppVersion(const char** version) {
  if (!version) return host::kBadParameterErr;
  *version = "velm";
  return host::kNoErr;
}

host::RuntimeSuite MakeRuntimeSuite() {
  host::RuntimeSuite suite;
  suite.GetAppFilePath = GetAppFilePath;
  suite.GetAppVersion = GetAppVersion;
  return suite;
}

// The temporary drive folder of the open Library, kept in plain buffers so that a
// signal handler can remove it. Removal order: link, its folder (single file), "velm",
// the root.
struct TempPaths {
  char link[4096];
  char linkFolder[4096];  // empty when "velm/VELM" is itself the link
  char velm[4096];
  char root[4096];
};
TempPaths gTemp{};
bool gOpen = false;

bool CopyPath(const fs::path& from, char (&to)[4096]) {
  const std::string s = from.string();
  if (s.size() + 1 > sizeof to) return false;
  std::memcpy(to, s.c_str(), s.size() + 1);
  return true;
}

void RemoveTemp() {
  RemoveLibraryFolderOnSignal();
  gTemp = TempPaths{};
}

// Where drive C: is mapped now ("" when nowhere).
std::string DriveCRoot() {
  char root[4096];
  return velm::os::MapPath("C:\\", root, sizeof root) ? std::string(root) : std::string();
}

bool GroupVisitor(const char* group, void* context) {
  static_cast<std::vector<std::string>*>(context)->push_back(group);
  return true;
}

// True when `name` is a group file's name as the plug-in lists groups: ".VEL" occurs in it
// only at its end, after at least one byte. Repair's backups ("NAME.VEL.bak", ".bak2")
// and other names that merely contain ".VEL" are no group files.
bool IsGroupFileName(const std::string& name) {
  const std::size_t at = name.find(".VEL");
  return at != std::string::npos && at > 0 && at + 4 == name.size();
}

// True for a scratch file whose writer still runs, on this machine or another sharing the
// folder: one being written, not left over. Names of the older form are all listed.
bool ScratchFileInUse(const std::string& name) {
  std::uint32_t process = 0;
  bool marked = false;
  char mark[velm::kMarkDigits + 1];
  return velm::ParseWriterName(name.c_str(), 5, &process, &marked, mark) && marked &&
         velm::WriterOfFile(name.c_str(), 5) == velm::WriterState::kRunning;
}

}  // namespace

bool HoldsGroupFiles(const fs::path& folder) {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    if (IsGroupFileName(entry.path().filename().string()) && !entry.is_directory(ec)) return true;
  }
  return false;
}

fs::path LibraryFolderOf(const fs::path& folder) {
  std::error_code ec;
  const fs::path inner = folder / "VELM";
  if (!HoldsGroupFiles(folder) && fs::is_directory(inner, ec)) return inner;
  return folder;
}

bool GroupOfFilePath(const fs::path& file, std::string* group, std::string* error) {
  const std::string name = file.filename().string();
  const std::string utf8 =
      name.size() > 4 && name.ends_with(".VEL") ? name.substr(0, name.size() - 4) : std::string();
  std::string sjis;
  if (utf8.empty() || !Utf8ToSjis(utf8, &sjis) || SjisToUtf8(sjis) != utf8 ||
      sjis.find(".VEL") != std::string::npos || !velm::IsValidGroupName(sjis.c_str()) ||
      sjis == velm::kSearchResultsGroup) {
    *error = "not a group file name (GROUP.VEL, the group a valid file name in Shift-JIS): " +
             file.string();
    return false;
  }
  *group = std::move(sjis);
  return true;
}

struct Library::Saved {
  const host::RuntimeSuite* runtime = nullptr;
  velm::Globals* globals = nullptr;
  std::string driveC;
  host::RuntimeSuite ourRuntime = MakeRuntimeSuite();
  velm::Globals ourGlobals{};
};

Library::Library() = default;

std::unique_ptr<Library> Library::Open(const fs::path& target, std::string* error,
                                       bool acceptHolder) {
  if (gOpen) {
    *error = "another library is already open";
    return nullptr;
  }
  std::error_code ec;
  const fs::file_status status = fs::status(target, ec);
  if (ec || !fs::exists(status)) {
    *error = "no such file or folder: " + target.string();
    return nullptr;
  }
  std::unique_ptr<Library> library(new Library());
  if (fs::is_directory(status)) {
    library->folder_ = fs::canonical(acceptHolder ? LibraryFolderOf(target) : target, ec);
  } else if (fs::is_regular_file(status)) {
    library->singleFile_ = true;
    library->file_ = fs::canonical(target, ec);
    library->folder_ = library->file_.parent_path();
    const std::string name = target.filename().string();
    if (!IsGroupFileName(name)) {
      *error = "not a group file (its name must end in .VEL): " + target.string();
      return nullptr;
    }
    const std::string group = name.substr(0, name.size() - 4);
    if (!Utf8ToSjis(group, &library->singleGroup_)) {
      *error = "not a usable group file name: " + target.string();
      return nullptr;
    }
  } else {
    *error = "not a file or folder: " + target.string();
    return nullptr;
  }
  if (ec) {
    *error = "cannot open " + target.string() + ": " + ec.message();
    return nullptr;
  }

  // The temporary drive C:, named after this process so that the next run can remove it
  // if this one is killed.
  const fs::path temp = fs::temp_directory_path(ec);
  if (!ec) velmsession::RemoveStaleTempFolders(temp, "velm-");
  std::string pattern = (temp / ("velm-" + std::to_string(::getpid()) + "-XXXXXX")).string();
  if (ec || !mkdtemp(pattern.data())) {
    *error = "cannot create a temporary folder";
    return nullptr;
  }
  const fs::path root = pattern;
  const fs::path velmFolder = root / "velm";
  const fs::path database = velmFolder / "VELM";
  gTemp = TempPaths{};
  bool ok = CopyPath(root, gTemp.root) && mkdir(velmFolder.c_str(), 0700) == 0 &&
            CopyPath(velmFolder, gTemp.velm);
  if (ok && library->singleFile_) {
    const fs::path link = database / (SjisToUtf8(library->singleGroup_) + ".VEL");
    ok = mkdir(database.c_str(), 0700) == 0 && CopyPath(database, gTemp.linkFolder) &&
         symlink(library->file_.c_str(), link.c_str()) == 0 && CopyPath(link, gTemp.link);
  } else if (ok) {
    ok = symlink(library->folder_.c_str(), database.c_str()) == 0 && CopyPath(database, gTemp.link);
  }
  if (!ok) {
    RemoveTemp();
    *error = "cannot prepare the temporary drive folder in " + root.string();
    return nullptr;
  }

  // Hand the database our runtime suite, globals block and drive C:.
  auto saved = std::make_unique<Saved>();
  saved->runtime = velm::sRuntime;
  saved->globals = velm::gGlobals;
  saved->driveC = DriveCRoot();
  saved->ourGlobals.currentRecordIndex = -1;
  velm::sRuntime = &saved->ourRuntime;
  velm::gGlobals = &saved->ourGlobals;
  velm::os::SetDriveRoot('C', root.c_str());
  library->saved_ = std::move(saved);
  gOpen = true;
  return library;
}

Library::~Library() {
  // A library refused before it took over the database has nothing to give back.
  if (!saved_) return;
  velm::ReleaseBlock(saved_->ourGlobals.currentRecord);
  velm::ReleaseBlock(saved_->ourGlobals.RIHList);
  velm::sRuntime = saved_->runtime;
  velm::gGlobals = saved_->globals;
  // Drop our mapping; if drive C: then lands elsewhere than before, it was an explicit
  // mapping of the caller's, so put that back.
  velm::os::SetDriveRoot('C', nullptr);
  if (!saved_->driveC.empty() && DriveCRoot() != saved_->driveC)
    velm::os::SetDriveRoot('C', saved_->driveC.c_str());
  RemoveTemp();
  gOpen = false;
}

std::vector<std::string> Library::Groups() const {
  std::vector<std::string> groups;
  velm::ListGroups(GroupVisitor, &groups);
  std::sort(groups.begin(), groups.end());
  groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
  return groups;
}

bool Library::HasGroup(const std::string& group) const {
  const std::vector<std::string> groups = Groups();
  return std::find(groups.begin(), groups.end(), group) != groups.end();
}

fs::path Library::GroupFile(const std::string& group) const {
  if (singleFile_) return file_;
  return folder_ / (SjisToUtf8(group) + ".VEL");
}

std::vector<std::string> Library::UnreadableGroupFiles() const {
  std::vector<std::string> names;
  if (singleFile_) return names;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_, ec)) {
    const std::string name = entry.path().filename().string();
    if (!IsGroupFileName(name) || entry.is_directory(ec)) continue;
    std::string sjis;
    if (!Utf8ToSjis(name, &sjis) || SjisToUtf8(sjis) != name) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Library::ScratchFiles() const {
  std::vector<std::string> names;
  if (singleFile_) return names;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 9 && name.compare(0, 5, "VELM-") == 0 &&
        name.compare(name.size() - 4, 4, ".TMP") == 0 && !entry.is_directory(ec) &&
        !ScratchFileInUse(name))
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::int32_t Library::RecordCount(const std::string& group) const {
  return velm::GroupRecordCount(group.c_str());
}

host::Err Library::Read(const std::string& group, std::int32_t index, std::int32_t mode,
                        bool convert, velm::os::MemHandle* record) {
  const host::Err status = velm::VelmReadRecord(group.c_str(), index, nullptr, mode, convert);
  *record = velm::gGlobals->currentRecord;
  return status;
}

host::Err Library::ReadInto(const std::string& group, std::int32_t index, std::int32_t mode,
                            bool convert, velm::os::MemHandle* record, bool* found) const {
  *found = false;
  // A caller's block is never left empty: VelmReadRecord would take that as a read into
  // the current record.
  if (!*record && !velm::GrowBlock(*record, velm::kRecordHeaderSize, velm::kListGranule))
    return host::kOutOfMemoryErr;
  // A record read has a length of at least a header; one left at 0 was not read.
  velm::RecordHeader(*record)->recordLength = 0;
  const host::Err status = velm::VelmReadRecord(group.c_str(), index, record, mode, convert);
  *found = status == host::kNoErr && *record && velm::RecordHeader(*record)->recordLength != 0;
  return status;
}

void RemoveLibraryFolderOnSignal() {
  if (gTemp.link[0]) unlink(gTemp.link);
  if (gTemp.linkFolder[0]) rmdir(gTemp.linkFolder);
  if (gTemp.velm[0]) rmdir(gTemp.velm);
  if (gTemp.root[0]) rmdir(gTemp.root);
}

}  // namespace velmtool
