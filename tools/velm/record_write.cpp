// velm rm, velm edit and velm cp: records removed (into the library's trash), changed, moved
// and copied through the plug-in's own record store. A move or copy appends first; a record leaves
// its group only once its copy is in place.
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "command_support.h"
#include "commands.h"
#include "commands/command_support.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/record_move.h"
#include "frame/globals.h"
#include "group_scan.h"
#include "platform/memory.h"
#include "sjis_text.h"
#include "write_support.h"

namespace velmtool {
namespace {

// Reads the record as stored into the current record; false with a message when the
// file cannot be read there.
bool ReadStored(GroupFileTarget& target, std::int32_t number, std::ostream& err) {
  velm::os::MemHandle block = nullptr;
  if (target.library->Read(target.group, number, velm::kReadWholeRecord, false, &block) !=
          host::kNoErr ||
      !block) {
    err << "velm: record " << number << " of " << SjisToUtf8(target.group)
        << " cannot be read (damaged file: see velm verify); nothing was changed\n";
    return false;
  }
  return true;
}

// Appends the current record (in stored form) to `group`; the write's status says
// whether it arrived.
bool AppendStored(const Library&, const std::string& group) {
  return velm::WriteGroupRecord(group.c_str(), -1) == host::kNoErr;
}

// The name field of the current record as read, for a write or removal that must still
// find that record at its number.
std::string StoredName() {
  const velm::Record* header = velm::RecordHeader(velm::gGlobals->currentRecord);
  const void* end = std::memchr(header->name, '\0', sizeof header->name);
  return std::string(header->name, end ? static_cast<const char*>(end) : std::end(header->name));
}

// The name field of record `number` as stored, read straight from the group file; none
// when the records' length words do not lead to it.
std::optional<std::string> StoredNameInFile(const GroupFileTarget& target, std::int32_t number) {
  const std::filesystem::path file = target.library->GroupFile(target.group);
  const std::optional<std::uint64_t> at = LocateRecord(file, number);
  if (!at) return std::nullopt;
  char field[sizeof velm::Record::name] = {};
  std::ifstream in(file, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(*at + offsetof(velm::Record, name)));
  if (!in.read(field, sizeof field)) return std::nullopt;
  const void* end = std::memchr(field, '\0', sizeof field);
  return std::string(field, end ? static_cast<const char*>(end) - field : sizeof field);
}

// Removes record `number` of `group` if it is still the one named `storedName`.
bool Remove(const std::string& group, std::int32_t number, const std::string& storedName) {
  bool removed = false;
  return velm::RemoveGroupRecord(group.c_str(), number, storedName.c_str(), &removed) ==
             host::kNoErr &&
         removed;
}

void PutField(char* field, std::size_t size, const std::string& sjis) {
  std::memset(field, 0, size);
  std::memcpy(field, sjis.data(), sjis.size());  // checked to fit before
}

// Whether a record found by its name still has it when read for writing (another
// program may have changed the group meanwhile); false with a message when not.
bool StillNamed(const std::string& group, const RecordRef& record, const std::string& storedName,
                std::ostream& err) {
  if (!record.named || storedName == record.name) return true;
  err << "velm: " << SjisToUtf8(group) << " #" << record.number << " is no longer named \""
      << SjisToUtf8(record.name) << "\" (the group was changed meanwhile); nothing was changed\n";
  return false;
}

// Removes one record; false with a message when it is left as it was.
bool RemoveOne(GroupFileTarget& target, const RecordRef& record, std::ostream& out,
               std::ostream& err) {
  // A record the plug-in refuses to read (its coded parts disagree with its length) is
  // removed all the same when its length leads past it: the name is taken from the file.
  std::optional<std::string> storedName;
  std::ostringstream unread;
  if (ReadStored(target, record.number, unread)) {
    storedName = StoredName();
  } else if (!(storedName = StoredNameInFile(target, record.number))) {
    err << unread.str();
    return false;
  }
  if (!StillNamed(target.group, record, *storedName, err)) return false;
  const RecordRef removed{record.number, *storedName};
  if (!Remove(target.group, record.number, *storedName)) {
    err << "velm: " << DescribeRecord(target.group, removed)
        << " could not be removed; the file is as it was\n";
    return false;
  }
  out << "removed " << DescribeRecord(target.group, removed) << "; "
      << target.library->RecordCount(target.group) << " left\n";
  return true;
}

}  // namespace

int CommandRm(const RmOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  std::optional<GroupFileTarget> target =
      OpenGroupFileForWriting(options.target, false, err, &status);
  if (!target) return status;
  const std::optional<std::vector<RecordRef>> records =
      ResolveRecords(*target->library, target->group, options.record,
                     options.all ? SharedName::kAll : SharedName::kRefuseOfferAll, err, &status);
  if (!records) return status;
  // From the highest number down, so that each removal leaves the numbers of the others
  // as they were; each is its own write under the group's lock, and finds its record
  // by number and name.
  int removed = 0;
  for (auto record = records->rbegin(); record != records->rend() && status == kExitOk; ++record) {
    if (RemoveOne(*target, *record, out, err)) {
      ++removed;
    } else {
      status = kExitProblems;
    }
  }
  if (removed > 0) out << TrashHint(target->library->folder(), removed) << "\n";
  return status;
}

int CommandEdit(const EditOptions& options, std::ostream& out, std::ostream& err) {
  if (!options.name && !options.kind && !options.comment && !options.group) {
    err << "velm: nothing to change: give --name, --kind, --comment or --group\n";
    return kExitUsage;
  }
  // Every text is checked before anything is opened.
  std::optional<std::string> name, kind, comment, group;
  if (options.name && !(name = FieldBytes(*options.name, kShortFieldBytes, "name", err)))
    return kExitUsage;
  if (options.kind && !(kind = FieldBytes(*options.kind, kShortFieldBytes, "kind", err)))
    return kExitUsage;
  if (options.comment && !(comment = FieldBytes(*options.comment, kCommentBytes, "comment", err)))
    return kExitUsage;
  if (options.group && !(group = GroupNameText(*options.group, err))) return kExitUsage;

  int status = kExitOk;
  std::optional<GroupFileTarget> target =
      OpenGroupFileForWriting(options.target, false, err, &status);
  if (!target) return status;
  const std::optional<RecordRef> record =
      ResolveRecord(*target->library, target->group, options.record, err, &status);
  if (!record) return status;
  const std::int32_t number = record->number;
  Library& library = *target->library;
  const std::string source = SjisToUtf8(target->group);
  const bool move = group && *group != target->group;
  if (move && !library.HasGroup(*group)) {
    err << "velm: no group \"" << *options.group << "\" in " << library.folder().string()
        << " (make it with velm mkgroup)\n";
    return kExitProblems;
  }

  // The texts are plain bytes in the stored header too: the record is changed as stored,
  // so that its art and dates are written back exactly.
  if (!ReadStored(*target, number, err)) return kExitProblems;
  const std::string storedName = StoredName();
  if (!StillNamed(target->group, *record, storedName, err)) return kExitProblems;
  const std::string acted = DescribeRecord(target->group, {number, storedName});
  // A new name is named too, when there is one.
  const std::string renamed =
      name && *name != storedName ? " (now \"" + *options.name + "\")" : std::string();
  velm::Record* header = velm::RecordHeader(velm::gGlobals->currentRecord);
  if (name) PutField(header->name, sizeof header->name, *name);
  if (kind) PutField(header->kind, sizeof header->kind, *kind);
  if (comment) PutField(header->comment, sizeof header->comment, *comment);

  if (!move) {
    if (velm::WriteGroupRecord(target->group.c_str(), number, storedName.c_str()) != host::kNoErr ||
        !velm::HeaderTextsWritten(target->group.c_str(), number)) {
      err << "velm: " << acted << " could not be written\n";
      return kExitProblems;
    }
    out << "changed " << acted << renamed << "\n";
    return kExitOk;
  }
  std::int32_t newNumber = -1;
  velm::MoveOutcome outcome = velm::MoveOutcome::kUnchanged;
  if (velm::MoveGroupRecord(target->group.c_str(), number, storedName.c_str(), group->c_str(),
                            &newNumber, &outcome) != host::kNoErr) {
    if (outcome == velm::MoveOutcome::kInBoth) {
      err << "velm: " << acted << " was copied to " << *options.group << " as record " << newNumber
          << " but could not be removed from " << source << " (velm repair finishes the move)\n";
    } else {
      err << "velm: " << acted << " could not be moved to " << *options.group << "; it stays in "
          << source << "\n";
    }
    return kExitProblems;
  }
  out << "moved " << acted << " to " << SjisToUtf8(*group) << " #" << newNumber << renamed << "\n";
  return kExitOk;
}

int CommandCp(const CpOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  std::vector<std::uint8_t> stored;
  RecordRef copied;
  std::string sourceGroup;
  {
    std::optional<GroupFileTarget> source =
        OpenGroupFileForWriting(options.source, false, err, &status);
    if (!source) return status;
    const std::optional<RecordRef> found =
        ResolveRecord(*source->library, source->group, options.record, err, &status);
    if (!found) return status;
    if (!ReadStored(*source, found->number, err)) return kExitProblems;
    copied = {found->number, StoredName()};
    if (!StillNamed(source->group, *found, copied.name, err)) return kExitProblems;
    const velm::os::MemHandle record = velm::gGlobals->currentRecord;
    // The stored length is big-endian.
    const std::uint32_t length = (std::uint32_t{record[4]} << 24) |
                                 (std::uint32_t{record[5]} << 16) |
                                 (std::uint32_t{record[6]} << 8) | std::uint32_t{record[7]};
    stored.assign(record, record + length);
    sourceGroup = source->group;
  }

  std::optional<GroupFileTarget> destination =
      OpenGroupFileForWriting(options.destination, true, err, &status);
  if (!destination) return status;
  velm::Globals* g = velm::gGlobals;
  if (!velm::GrowBlock(g->currentRecord, static_cast<std::uint32_t>(stored.size()),
                       velm::kRecordGranule)) {
    err << "velm: out of memory\n";
    return kExitProblems;
  }
  std::memcpy(g->currentRecord, stored.data(), stored.size());
  if (!AppendStored(*destination->library, destination->group)) {
    err << "velm: " << DescribeRecord(sourceGroup, copied) << " could not be written to "
        << options.destination << "; nothing was changed\n";
    return kExitProblems;
  }
  out << "copied " << DescribeRecord(sourceGroup, copied) << " to "
      << SjisToUtf8(destination->group) << " #" << g->currentRecordIndex << "\n";
  return kExitOk;
}

}  // namespace velmtool
