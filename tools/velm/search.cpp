// velm search: the palette's record search over every record of every group, with the
// plug-in's own matching.
#include <cstring>

#include "command_support.h"
#include "commands.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/text_match.h"
#include "sjis_text.h"

namespace velmtool {

int CommandSearch(const SearchOptions& options, std::ostream& out, std::ostream& err) {
  // The palette cuts the text to what its field can hold: 63 bytes for name and kind,
  // 255 for the comment.
  std::size_t limit = 0;
  if (options.field == "name" || options.field == "kind") {
    limit = 63;
  } else if (options.field == "comment") {
    limit = 255;
  } else {
    err << "velm: --field must be name, kind or comment, not \"" << options.field << "\"\n";
    return kExitUsage;
  }
  std::string pattern;
  if (!Utf8ToSjis(options.text, &pattern)) {
    err << "velm: the search text has no Shift-JIS form: \"" << options.text << "\"\n";
    return kExitUsage;
  }
  pattern = CutSjis(pattern, limit);

  int status = kExitOk;
  std::optional<Selection> selection = SelectGroups(options.target, options.group, err, &status);
  if (!selection) return status;
  Library& library = *selection->library;

  Json matches = Json::array();
  std::int32_t hits = 0;
  for (const std::string& group : selection->groups) {
    const std::string groupName = SjisToUtf8(group);
    const std::int32_t count = library.RecordCount(group);
    for (std::int32_t i = 0; i < count; ++i) {
      velm::os::MemHandle block = nullptr;
      if (library.Read(group, i, velm::kReadHeaderOnly, true, &block) != host::kNoErr || !block) {
        err << "velm: " << groupName << ": record " << i
            << " cannot be read; the rest of the group is not searched (see velm verify)\n";
        status = kExitProblems;
        break;
      }
      const velm::Record* header = velm::RecordHeader(block);
      const char* field = options.field == "name"   ? header->name
                          : options.field == "kind" ? header->kind
                                                    : header->comment;
      const std::size_t size =
          options.field == "comment" ? sizeof header->comment : sizeof header->name;
      // A field without its terminator is matched only within the field.
      const std::string value = FieldText(field, size);
      std::int32_t position = 0;
      if (!pattern.empty()) {
        position = velm::FindText(value.c_str(), pattern.c_str(), options.caseSensitive,
                                  options.widthSensitive, options.wholeWord);
        if (position < 0) continue;
      }
      ++hits;
      const std::string name = SjisToUtf8(FieldText(header->name, sizeof header->name));
      if (options.json) {
        matches.push_back({{"group", groupName},
                           {"record", i},
                           {"name", name},
                           {"field", options.field},
                           {"value", SjisToUtf8(value)},
                           {"byteOffset", position}});
      } else {
        out << groupName << "\t" << i << "\t" << name << "\t" << SjisToUtf8(value) << "\n";
      }
    }
  }
  if (options.json) {
    Json result = Json::object();
    result["field"] = options.field;
    result["text"] = options.text;
    result["caseSensitive"] = options.caseSensitive;
    result["widthSensitive"] = options.widthSensitive;
    result["wholeWord"] = options.wholeWord;
    result["matches"] = std::move(matches);
    WriteJson(out, result);
  }
  // As grep: no hit is a status of its own, said on stderr so that the listing stays
  // empty.
  if (hits == 0) {
    err << "velm: no record's " << options.field << " matches \"" << options.text << "\"\n";
    status = kExitProblems;
  }
  return status;
}

}  // namespace velmtool
