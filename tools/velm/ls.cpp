// velm ls: the groups of a library and their records.
#include "command_support.h"
#include "commands.h"
#include "database/group_file.h"
#include "database/record.h"
#include "sjis_text.h"

namespace velmtool {

int CommandLs(const LsOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  std::optional<Selection> selection = SelectGroups(options.target, options.group, err, &status);
  if (!selection) return status;
  Library& library = *selection->library;

  Json groups = Json::array();
  for (const std::string& group : selection->groups) {
    const std::string groupName = SjisToUtf8(group);
    const std::int32_t count = library.RecordCount(group);
    Json g = Json::object();
    g["name"] = groupName;
    g["file"] = library.GroupFile(group).filename().string();
    g["count"] = count;
    Json records = Json::array();
    if (!options.json) {
      out << groupName << ": " << count << (count == 1 ? " record" : " records") << "\n";
      if (count > 0) out << "  #\tname\tkind\tcreated\tmodified\twidth × height\tobjects\tstored\n";
    }
    for (std::int32_t i = 0; i < count; ++i) {
      velm::os::MemHandle block = nullptr;
      const host::Err read = library.Read(group, i, velm::kReadHeaderOnly, true, &block);
      if (read != host::kNoErr || !block) {
        // Later records cannot be located either.
        const std::string why = "record " + std::to_string(i) +
                                " and those after it cannot be read" +
                                " (damaged file: see velm verify)";
        if (options.json) {
          g["error"] = why;
        } else {
          err << "velm: " << groupName << ": " << why << "\n";
        }
        status = kExitProblems;
        break;
      }
      const velm::Record* header = velm::RecordHeader(block);
      const double width = FixedToPoints(header->bounds.right);
      const double height = FixedToPoints(header->bounds.top);
      const std::string name = SjisToUtf8(FieldText(header->name, sizeof header->name));
      const std::string kind = SjisToUtf8(FieldText(header->kind, sizeof header->kind));
      if (options.json) {
        Json r = Json::object();
        r["number"] = i;
        r["name"] = name;
        r["kind"] = kind;
        r["created"] = DateJson(header->created);
        r["modified"] = DateJson(header->modified);
        r["width"] = width;
        r["height"] = height;
        r["objects"] = header->objectCount;
        r["storedSize"] = header->recordLength;
        records.push_back(std::move(r));
      } else {
        out << "  " << i << "\t" << name << "\t" << kind << "\t" << FormatDate(header->created)
            << "\t" << FormatDate(header->modified) << "\t" << FormatPoints(width) << " × "
            << FormatPoints(height) << " pt\t" << header->objectCount << "\t"
            << header->recordLength << "\n";
      }
    }
    g["records"] = std::move(records);
    groups.push_back(std::move(g));
  }
  if (options.json) {
    Json result = Json::object();
    result["library"] = library.folder().string();
    result["groups"] = std::move(groups);
    WriteJson(out, result);
  } else if (selection->groups.empty()) {
    out << "no groups in " << options.target << "\n";
  }
  return status;
}

}  // namespace velmtool
