#include "write_support.h"

#include <filesystem>

#include "commands.h"
#include "database/group_file.h"
#include "platform/sjis_forms.h"
#include "sjis_text.h"

namespace velmtool {
namespace fs = std::filesystem;

std::optional<std::string> FieldBytes(const std::string& utf8, std::size_t limit, const char* what,
                                      std::ostream& err) {
  std::string sjis;
  if (!Utf8ToSjis(utf8, &sjis) || SjisToUtf8(sjis) != velm::platform::ToWindowsForms(utf8)) {
    err << "velm: the " << what << " \"" << utf8
        << "\" has characters that Shift-JIS cannot hold; nothing was changed\n";
    return std::nullopt;
  }
  if (sjis.size() > limit) {
    err << "velm: the " << what << " \"" << utf8 << "\" takes " << sjis.size()
        << " bytes in Shift-JIS, more than its " << limit << "; nothing was changed\n";
    return std::nullopt;
  }
  return sjis;
}

std::optional<std::string> GroupNameText(const std::string& utf8, std::ostream& err) {
  std::optional<std::string> sjis = FieldBytes(utf8, kShortFieldBytes, "group name", err);
  if (!sjis) return sjis;
  if (!velm::IsValidGroupName(sjis->c_str()) || sjis->find(".VEL") != std::string::npos ||
      *sjis == velm::kSearchResultsGroup) {
    err << "velm: \"" << utf8 << "\" cannot be a group name (it must be a file name)\n";
    return std::nullopt;
  }
  return sjis;
}

std::optional<GroupFileTarget> OpenGroupFileForWriting(const std::string& path, bool mayBeMissing,
                                                       std::ostream& err, int* status) {
  std::error_code ec;
  const fs::path file(path);
  if (fs::is_directory(file, ec)) {
    err << "velm: " << path << " is a folder: give a group file (GROUP.VEL)\n";
    *status = kExitUsage;
    return std::nullopt;
  }
  GroupFileTarget target;
  std::string error;
  if (!GroupOfFilePath(file, &target.group, &error)) {
    err << "velm: " << error << "\n";
    *status = kExitUsage;
    return std::nullopt;
  }
  if (!mayBeMissing && !fs::is_regular_file(file, ec)) {
    err << "velm: no such group file: " << path << "\n";
    *status = kExitProblems;
    return std::nullopt;
  }
  fs::path folder = file.parent_path();
  if (folder.empty()) folder = ".";
  target.library = Library::Open(folder, &error, false);
  if (!target.library) {
    err << "velm: " << error << "\n";
    *status = kExitProblems;
    return std::nullopt;
  }
  return target;
}

}  // namespace velmtool
