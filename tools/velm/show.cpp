// velm show: one record's header, field by field, and a summary of its art objects.
#include <algorithm>
#include <cstring>

#include "command_support.h"
#include "commands.h"
#include "database/group_file.h"
#include "group_scan.h"
#include "platform/os.h"
#include "sjis_text.h"

namespace velmtool {
namespace {

Json HeaderJson(const StoredHeader& h) {
  Json j = Json::object();
  j["objectCount"] = h.objectCount;
  j["recordLength"] = h.recordLength;
  j["bounds"] = {{"left", h.boundsLeft},
                 {"top", h.boundsTop},
                 {"right", h.boundsRight},
                 {"bottom", h.boundsBottom}};
  j["width"] = FixedToPoints(h.boundsRight);
  j["height"] = FixedToPoints(h.boundsTop);
  j["name"] = SjisToUtf8(h.name);
  j["kind"] = SjisToUtf8(h.kind);
  j["comment"] = SjisToUtf8(h.comment);
  j["created"] = DateJson(h.created);
  j["modified"] = DateJson(h.modified);
  j["thumbnailLength"] = h.thumbnailLength;
  j["artLength"] = h.artLength;
  return j;
}

std::string DetailText(const Json& details) {
  std::string text;
  for (const auto& [key, value] : details.items()) {
    if (!text.empty()) text += " ";
    text += key + "=" + value.dump(-1, ' ', false, Json::error_handler_t::replace);
  }
  return text;
}

void WriteText(std::ostream& out, const std::string& group, std::int32_t number, std::int32_t count,
               std::uint64_t offset, const RecordInspection& r) {
  const StoredHeader& h = r.header;
  auto field = [&](const char* name, const std::string& value) {
    out << "  " << name << std::string(17 - std::min<std::size_t>(16, std::strlen(name)), ' ')
        << value << "\n";
  };
  out << SjisToUtf8(group) << ", record " << number << " of " << count << ", at file offset "
      << offset << "\n";
  field("objectCount", std::to_string(h.objectCount));
  field("recordLength", std::to_string(h.recordLength) + " (stored)");
  field("bounds", "left " + std::to_string(h.boundsLeft) + ", top " + std::to_string(h.boundsTop) +
                      ", right " + std::to_string(h.boundsRight) + ", bottom " +
                      std::to_string(h.boundsBottom) + " (" +
                      FormatPoints(FixedToPoints(h.boundsRight)) + " × " +
                      FormatPoints(FixedToPoints(h.boundsTop)) + " pt)");
  field("name", SjisToUtf8(h.name));
  field("kind", SjisToUtf8(h.kind));
  field("comment", SjisToUtf8(h.comment));
  field("created", FormatDate(h.created) + " (" + std::to_string(h.created) + ")");
  field("modified", FormatDate(h.modified) + " (" + std::to_string(h.modified) + ")");
  field("thumbnailLength", std::to_string(h.thumbnailLength));
  field("artLength", std::to_string(h.artLength));
  if (r.artExpanded) field("art stream", std::to_string(r.artSize) + " bytes expanded");
  if (!r.objects.empty()) {
    out << "objects:\n  #\ttype\toffset\tlength\tdetails\n";
    for (const ObjectSummary& o : r.objects) {
      out << "  " << o.index << "\t" << std::string(2 * o.depth, ' ') << o.type << " "
          << ObjectTypeName(o.type) << "\t" << o.offset << "\t" << o.length << "\t"
          << DetailText(o.details) << "\n";
    }
  }
}

}  // namespace

int CommandShow(const ShowOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  std::optional<Selection> selection = SelectOneGroup(options.target, options.group, err, &status);
  if (!selection) return status;
  Library& library = *selection->library;
  const std::string& group = selection->groups.front();
  const std::string groupName = SjisToUtf8(group);
  // One handle and one walk of the file for the look-up, the read and the offset.
  const velm::GroupReadScope scope(group.c_str());
  const std::optional<RecordRef> record =
      ResolveRecord(library, group, options.record, err, &status);
  if (!record) return status;
  const std::int32_t number = record->number;
  const std::int32_t count = library.RecordCount(group);

  // The record exactly as stored, looked at without trusting it.
  velm::os::MemHandle block = nullptr;
  const host::Err read = library.Read(group, number, velm::kReadWholeRecord, false, &block);
  if (read != host::kNoErr || !block) {
    err << "velm: " << groupName << ": record " << number << " cannot be read:\n";
    const GroupScan scan = ScanGroupFile(library.GroupFile(group));
    for (const Problem& p : scan.problems)
      if (p.record == number || p.record < 0) err << "  " << DescribeProblem(p) << "\n";
    return kExitProblems;
  }
  const std::uint32_t length = std::min(BigEndian32(block + 4), velm::os::MemSize(block));
  std::int64_t scoped = 0;
  const std::uint64_t offset = velm::ScopedRecordOffset(group.c_str(), number, &scoped)
                                   ? static_cast<std::uint64_t>(scoped)
                                   : LocateRecord(library.GroupFile(group), number).value_or(0);
  const RecordInspection r = InspectStoredRecord(block, length, number, offset);

  if (options.json) {
    Json j = Json::object();
    j["group"] = groupName;
    j["record"] = number;
    j["fileOffset"] = offset;
    j["header"] = HeaderJson(r.header);
    if (r.artExpanded) j["artSize"] = r.artSize;
    Json objects = Json::array();
    for (const ObjectSummary& o : r.objects) {
      Json oj = Json::object();
      oj["index"] = o.index;
      oj["type"] = o.type;
      oj["typeName"] = ObjectTypeName(o.type);
      oj["offset"] = o.offset;
      oj["length"] = o.length;
      oj["depth"] = o.depth;
      for (const auto& [key, value] : o.details.items())
        oj[key] = value;
      objects.push_back(std::move(oj));
    }
    j["objects"] = std::move(objects);
    Json problems = Json::array();
    for (const Problem& p : r.problems)
      problems.push_back(ProblemJson(groupName, p));
    j["problems"] = std::move(problems);
    WriteJson(out, j);
  } else {
    WriteText(out, group, number, count, offset, r);
    if (!r.problems.empty()) {
      out << "problems:\n";
      for (const Problem& p : r.problems)
        out << "  " << DescribeProblem(p) << "\n";
    }
  }
  return r.problems.empty() ? kExitOk : kExitProblems;
}

}  // namespace velmtool
