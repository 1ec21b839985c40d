#include "write_support.h"

#include <cstring>
#include <filesystem>

#include "commands.h"
#include "database/group_file.h"
#include "database/text_match.h"
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

std::string FitGroupName(const std::string& utf8, std::vector<std::string>* changes) {
  std::vector<std::string> replaced;
  std::string sjis = Utf8ToSjisNearest(utf8, &replaced);
  if (!replaced.empty()) {
    std::string list;
    for (const std::string& c : replaced)
      list += c;
    changes->push_back("characters Shift-JIS cannot hold replaced: " + list);
  }
  bool forbidden = false;
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    const auto c = static_cast<unsigned char>(sjis[i]);
    if (velm::IsShiftJisLeadByte(c) && i + 1 < sjis.size()) {
      ++i;  // a trail byte may be anything
    } else if (c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c)) {
      sjis[i] = '_';
      forbidden = true;
    }
  }
  if (forbidden) changes->push_back("characters a file name cannot hold became '_'");
  // A '.' is never the second byte of a double-byte character.
  bool vel = false;
  for (std::size_t at = sjis.find(".VEL"); at != std::string::npos; at = sjis.find(".VEL", at)) {
    sjis[at] = '_';
    vel = true;
  }
  if (vel) changes->push_back("\".VEL\" became \"_VEL\"");
  if (sjis == "." || sjis == "..") {
    sjis.assign(sjis.size(), '_');
    changes->push_back("a name of dots only became '_'");
  }
  if (sjis.size() > kShortFieldBytes) {
    sjis = CutSjis(sjis, kShortFieldBytes);
    changes->push_back("shortened to " + std::to_string(sjis.size()) + " bytes");
  }
  if (sjis.empty()) {
    sjis = "_";
    changes->push_back("an empty name became '_'");
  }
  if (!velm::IsValidGroupName(sjis.c_str())) {
    // What is left is a device name or the search results' name.
    sjis.insert(std::strcspn(sjis.c_str(), "."), "_");
    sjis = CutSjis(sjis, kShortFieldBytes);
    changes->push_back("a name reserved by the system got a '_'");
    if (!velm::IsValidGroupName(sjis.c_str())) sjis = "_";
  }
  return SjisToUtf8(sjis);
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

std::string TrashHint(const std::filesystem::path& folder, int removed) {
  const std::string f = folder.string();
  if (removed == 1) return "kept in the trash: velm trash restore " + f + " 1 puts it back";
  return "kept in the trash: velm trash list " + f + " shows them, velm trash restore " + f +
         " NUMBER puts one back";
}

std::unique_ptr<Library> OpenFolder(const std::string& target, std::ostream& err, int* status) {
  std::error_code ec;
  if (!std::filesystem::is_directory(target, ec)) {
    err << "velm: " << target << " is not a library folder\n";
    *status = std::filesystem::exists(target, ec) ? kExitUsage : kExitProblems;
    return nullptr;
  }
  std::string error;
  std::unique_ptr<Library> library = Library::Open(target, &error);
  if (!library) {
    err << "velm: " << error << "\n";
    *status = kExitProblems;
  }
  return library;
}

}  // namespace velmtool
