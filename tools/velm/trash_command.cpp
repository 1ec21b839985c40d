// velm trash: the library's trash listed, an entry put back, the trash emptied, through
// the plug-in's own trash (database/trash.h).
#include <cstdio>
#include <filesystem>

#include "command_support.h"
#include "commands.h"
#include "database/trash.h"
#include "sjis_text.h"
#include "write_support.h"

namespace velmtool {
namespace {

const char* KindText(velm::TrashKind kind) {
  switch (kind) {
    case velm::TrashKind::kGroup:
      return "group";
    case velm::TrashKind::kRecord:
      return "record";
    case velm::TrashKind::kForeign:
      break;
  }
  return "foreign";
}

std::string RemovedText(const velm::os::SystemTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.year % 10000u, t.month % 100u,
                t.day % 100u, t.hour % 100u, t.minute % 100u, t.second % 100u);
  return text;
}

std::string RestoreStatusText(host::Err status) {
  switch (status) {
    case velm::kNoSuchTrashEntryErr:
      return "is no longer in the trash";
    case velm::kTrashEntryDamagedErr:
      return "is damaged or not the trash's own file; it is not restored";
    case velm::kGroupExistsErr:
      return "cannot be restored: a group of that name exists (give another with --as)";
    case velm::kGroupBusyErr:
      return "cannot be restored now: another writer holds the group" + StatusSuffix(status);
    default:
      break;
  }
  return "could not be restored" + StatusSuffix(status);
}

}  // namespace

int CommandTrashList(const TrashOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  std::unique_ptr<Library> library = OpenFolder(options.target, err, &status);
  if (!library) return status;
  std::vector<velm::TrashEntry> entries;
  if (velm::ListTrash(&entries) != host::kNoErr) {
    err << "velm: the trash of " << library->folder().string() << " cannot be read\n";
    return kExitProblems;
  }
  bool problems = false;
  Json list = Json::array();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const velm::TrashEntry& e = entries[i];
    const bool foreign = e.kind == velm::TrashKind::kForeign;
    problems = problems || e.damaged;
    if (options.json) {
      Json j = Json::object();
      j["number"] = i + 1;
      j["kind"] = KindText(e.kind);
      j["file"] = SjisToUtf8(e.file);
      j["damaged"] = e.damaged;
      if (!foreign) {
        j["group"] = SjisToUtf8(e.group);
        j["first_record"] = SjisToUtf8(e.firstRecord);
        j["records"] = e.records;
        j["removed"] = RemovedText(e.removed);
        j["bytes"] = e.bytes;
      }
      list.push_back(std::move(j));
      continue;
    }
    out << (i + 1) << "  ";
    if (foreign) {
      out << "foreign  " << SjisToUtf8(e.file) << "  (not the trash's: left alone)\n";
      continue;
    }
    out << KindText(e.kind) << "  " << SjisToUtf8(e.group) << "  ";
    if (!e.firstRecord.empty()) out << "\"" << SjisToUtf8(e.firstRecord) << "\"  ";
    out << e.records << (e.records == 1 ? " record" : " records") << "  removed "
        << RemovedText(e.removed) << "  " << SjisToUtf8(e.file)
        << (e.damaged ? "  DAMAGED: cannot be restored" : "") << "\n";
  }
  if (options.json) {
    Json j = Json::object();
    j["folder"] = library->folder().string();
    j["entries"] = std::move(list);
    WriteJson(out, j);
  } else if (entries.empty()) {
    out << "the trash is empty\n";
  }
  return problems ? kExitProblems : kExitOk;
}

int CommandTrashRestore(const TrashOptions& options, std::ostream& out, std::ostream& err) {
  std::optional<std::string> asGroup;
  if (!options.as.empty() && !(asGroup = GroupNameText(options.as, err))) return kExitUsage;
  int status = kExitOk;
  std::unique_ptr<Library> library = OpenFolder(options.target, err, &status);
  if (!library) return status;
  std::string file;
  if (const std::optional<std::int32_t> number = ParseRecordNumber(options.entry)) {
    std::vector<velm::TrashEntry> entries;
    velm::ListTrash(&entries);
    if (*number < 1 || static_cast<std::size_t>(*number) > entries.size()) {
      err << "velm: no entry " << options.entry << " in the trash (velm trash list shows them)\n";
      return kExitProblems;
    }
    file = entries[static_cast<std::size_t>(*number - 1)].file;
  } else if (!Utf8ToSjis(options.entry, &file)) {
    err << "velm: no entry " << options.entry << " in the trash\n";
    return kExitProblems;
  }
  velm::RestoredArt restored;
  const host::Err result =
      velm::RestoreTrashEntry(file.c_str(), asGroup ? asGroup->c_str() : nullptr, &restored);
  if (result != host::kNoErr) {
    err << "velm: " << SjisToUtf8(file) << " " << RestoreStatusText(result) << "\n";
    return kExitProblems;
  }
  if (restored.record >= 0) {
    out << "restored a record to " << SjisToUtf8(restored.group) << " #" << restored.record << "\n";
  } else {
    out << "restored group " << SjisToUtf8(restored.group) << " with "
        << library->RecordCount(restored.group) << " records\n";
  }
  if (restored.entryLeft) {
    err << "velm: " << SjisToUtf8(file)
        << " could not be deleted from the trash: delete it before restoring again\n";
    return kExitProblems;
  }
  return kExitOk;
}

int CommandTrashEmpty(const TrashOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  std::unique_ptr<Library> library = OpenFolder(options.target, err, &status);
  if (!library) return status;
  std::int32_t deleted = 0;
  const host::Err result = velm::EmptyTrash(&deleted);
  out << "deleted " << deleted << (deleted == 1 ? " entry" : " entries") << " from the trash\n";
  if (result != host::kNoErr) {
    err << "velm: some entries of the trash could not be deleted" << StatusSuffix(result) << "\n";
    return kExitProblems;
  }
  return kExitOk;
}

}  // namespace velmtool
