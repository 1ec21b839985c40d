// velm mkgroup and velm rmgroup: groups made and removed by the plug-in's own group
// commands, run without dialogs.
#include <filesystem>

#include "command_support.h"
#include "commands.h"
#include "commands/commands.h"
#include "sjis_text.h"
#include "write_support.h"

namespace velmtool {

int CommandMkgroup(const GroupOptions& options, std::ostream& out, std::ostream& err) {
  const std::optional<std::string> group = GroupNameText(options.group, err);
  if (!group) return kExitUsage;
  int status = kExitOk;
  std::unique_ptr<Library> library = OpenFolder(options.target, err, &status);
  if (!library) return status;
  if (library->HasGroup(*group)) {
    err << "velm: group \"" << options.group << "\" already exists in "
        << library->folder().string() << "\n";
    return kExitProblems;
  }
  const host::Err made = velm::NewGroup(group->c_str(), false);
  if (made != host::kNoErr || !library->HasGroup(*group)) {
    err << "velm: group \"" << options.group << "\" could not be made in "
        << library->folder().string() << StatusSuffix(made) << "\n";
    return kExitProblems;
  }
  out << "made group " << options.group << " (" << library->GroupFile(*group).string() << ")\n";
  return kExitOk;
}

int CommandRmgroup(const GroupOptions& options, std::ostream& out, std::ostream& err) {
  const std::optional<std::string> group = GroupNameText(options.group, err);
  if (!group) return kExitUsage;
  int status = kExitOk;
  std::unique_ptr<Library> library = OpenFolder(options.target, err, &status);
  if (!library) return status;
  if (!library->HasGroup(*group)) {
    err << "velm: no group \"" << options.group << "\" in " << library->folder().string() << "\n";
    return kExitProblems;
  }
  const std::int32_t count = library->RecordCount(*group);
  if (!options.yes) {
    err << "velm: group \"" << options.group << "\" holds " << count
        << (count == 1 ? " record" : " records")
        << "; add --yes to remove it (it is kept in the library's trash)\n";
    return kExitUsage;
  }
  const host::Err removed = velm::RmvGroup(group->c_str(), false);
  if (removed != host::kNoErr || library->HasGroup(*group)) {
    err << "velm: group \"" << options.group << "\" could not be removed" << StatusSuffix(removed)
        << "\n";
    return kExitProblems;
  }
  out << "removed group " << options.group << " and its " << count
      << (count == 1 ? " record\n" : " records\n") << TrashHint(library->folder(), 1) << "\n";
  return kExitOk;
}

}  // namespace velmtool
