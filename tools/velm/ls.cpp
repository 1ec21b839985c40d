// velm ls: the groups of a library and their records.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "command_support.h"
#include "commands.h"
#include "database/group_file.h"
#include "database/record.h"
#include "group_scan.h"
#include "platform/memory.h"
#include "sjis_text.h"

namespace velmtool {
namespace {

std::uint32_t BE32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

// What a look at a group file's count word and record lengths finds: a problem (a count
// of 0 records must not hide a file that cannot be opened or records that are there), or
// a note about bytes after the counted records that are no whole record (the rest of an
// interrupted append, which the next write cuts off), as velm verify tells them apart.
struct CountCheck {
  std::string problem;
  std::string note;
};

// Reads 8 bytes per record (and one header after them), so the work is bounded by the
// file's size; takes the walk of the open GroupReadScope of `group` when it reached the end
// of the records.
CountCheck CheckCount(const std::filesystem::path& file, const std::string& group) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return {"not a readable regular file", ""};
  FileWindow window(file);
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (!window.opened() || ec) return {"cannot be opened", ""};
  if (size < 4) return {size == 0 ? "" : "shorter than its count word", ""};
  const std::uint8_t* word = window.At(0, 4);
  if (!word) return {"cannot be read", ""};
  const auto count = static_cast<std::int32_t>(BE32(word));
  if (count < 0) return {"its count word is negative (" + std::to_string(count) + ")", ""};
  // The listing's walk of the record lengths, when it reached their end, is this one.
  std::uintmax_t at = 4;
  std::int32_t scopedCount = 0;
  std::int64_t scopedEnd = 0;
  const bool walked = velm::ScopedRecordsEnd(group.c_str(), &scopedCount, &scopedEnd) &&
                      scopedCount == count && static_cast<std::uintmax_t>(scopedEnd) <= size;
  if (walked) at = static_cast<std::uintmax_t>(scopedEnd);
  for (std::int32_t i = 0; !walked && i < count; ++i) {
    const std::uint8_t* prefix = window.At(at, 8);
    const std::uint32_t length = prefix ? BE32(prefix + 4) : 0;
    if (length < kStoredHeaderSize || at + length > size)
      return {"its count word says " + std::to_string(count) + " records, record " +
                  std::to_string(i) + " is not whole",
              ""};
    at += length;
  }
  if (at == size) return {};
  const std::uintmax_t left = size - at;
  const std::uint8_t* header =
      window.At(at, static_cast<std::uint32_t>(std::min<std::uintmax_t>(left, kStoredHeaderSize)));
  if (header && WholeRecordAt(header, left))
    return {"its count word says " + std::to_string(count) +
                " records, but another record follows the last one",
            ""};
  return {"", std::to_string(left) + " bytes follow the " + std::to_string(count) +
                  " counted records: the rest of an interrupted append, cut off by the next "
                  "write or by velm repair"};
}

// What a listing shows of one record.
struct ListedHeader {
  std::string name, kind;  // Shift-JIS
  std::uint32_t created = 0, modified = 0;
  std::int32_t width = 0, height = 0;  // 16.16 fixed
  std::int32_t objects = 0;
  std::int32_t storedSize = 0;
  std::string damage;  // why the plug-in refuses it; empty for a sound record
};

// Record `number` of a group file as stored, when the records' length words lead to it
// but the plug-in refuses it (its coded parts disagree with its length, say): the first
// problem verify finds in it says why. None when it cannot be located.
std::optional<ListedHeader> DamagedRecord(const std::filesystem::path& file, std::int32_t number) {
  const std::optional<std::uint64_t> at = LocateRecord(file, number);
  if (!at) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  std::vector<std::uint8_t> header(kStoredHeaderSize);
  in.seekg(static_cast<std::streamoff>(*at));
  if (!in.read(reinterpret_cast<char*>(header.data()), kStoredHeaderSize)) return std::nullopt;
  const std::uint32_t length = BigEndian32(header.data() + 4);
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec || length < kStoredHeaderSize || *at + length > size) return std::nullopt;
  std::vector<std::uint8_t> bytes(length);
  in.seekg(static_cast<std::streamoff>(*at));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), length)) return std::nullopt;
  const RecordInspection inspection = InspectStoredRecord(bytes.data(), length, number, *at);
  const StoredHeader& h = inspection.header;
  ListedHeader listed{h.name,        h.kind,         h.created,
                      h.modified,    h.boundsRight,  h.boundsTop,
                      h.objectCount, h.recordLength, "the plug-in cannot read it"};
  if (!inspection.problems.empty()) listed.damage = inspection.problems.front().message;
  return listed;
}

}  // namespace

int CommandLs(const LsOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  std::optional<Selection> selection = SelectGroups(options.target, options.group, err, &status);
  if (!selection) return status;
  Library& library = *selection->library;

  Json groups = Json::array();
  for (const std::string& group : selection->groups) {
    const std::string groupName = SjisToUtf8(group);
    // One handle and one walk of the file for the whole listing.
    const velm::GroupReadScope scope(group.c_str());
    const std::int32_t count = library.RecordCount(group);
    // The records are listed first, so that their one walk of the file through the scope
    // also checks the count word; what is said about the file then comes before them.
    std::ostringstream listing;
    struct Said {
      std::size_t at;  // in the listing
      std::string text;
    };
    std::vector<Said> said;
    std::string damagedWhy, unreadableWhy;
    Json records = Json::array();
    if (!options.json) {
      listing << groupName << ": " << count << (count == 1 ? " record" : " records") << "\n";
      if (count > 0)
        listing << "  #\tname\tkind\tcreated\tmodified\twidth × height\tobjects\tstored\n";
    }
    // One block for every header of the listing.
    velm::os::MemHandle block = nullptr;
    struct Release {
      velm::os::MemHandle& block;
      ~Release() { velm::ReleaseBlock(block); }
    } release{block};
    for (std::int32_t i = 0; i < count; ++i) {
      ListedHeader listed;
      bool found = false;
      const host::Err read =
          library.ReadInto(group, i, velm::kReadHeaderOnly, true, &block, &found);
      if (read == host::kNoErr && found) {
        const velm::Record* header = velm::RecordHeader(block);
        listed = {FieldText(header->name, sizeof header->name),
                  FieldText(header->kind, sizeof header->kind),
                  header->created,
                  header->modified,
                  header->bounds.right,
                  header->bounds.top,
                  header->objectCount,
                  header->recordLength,
                  {}};
      } else if (std::optional<ListedHeader> stored = DamagedRecord(library.GroupFile(group), i)) {
        // The plug-in refuses it, but its length still leads past it: it is listed as
        // stored, marked damaged, and the records after it as they are.
        listed = std::move(*stored);
        const std::string why = "record " + std::to_string(i) + " is damaged: " + listed.damage +
                                " (see velm verify; velm rm removes it)";
        if (damagedWhy.empty()) damagedWhy = why;
        said.push_back({static_cast<std::size_t>(listing.tellp()), why});
        status = kExitProblems;
      } else {
        // Later records cannot be located either.
        unreadableWhy = "record " + std::to_string(i) + " and those after it cannot be read" +
                        " (damaged file: see velm verify)";
        said.push_back({static_cast<std::size_t>(listing.tellp()), unreadableWhy});
        status = kExitProblems;
        break;
      }
      const double width = FixedToPoints(listed.width);
      const double height = FixedToPoints(listed.height);
      const std::string name = SjisToUtf8(listed.name);
      const std::string kind = SjisToUtf8(listed.kind);
      if (options.json) {
        Json r = Json::object();
        r["number"] = i;
        r["name"] = name;
        r["kind"] = kind;
        r["created"] = DateJson(listed.created);
        r["modified"] = DateJson(listed.modified);
        r["width"] = width;
        r["height"] = height;
        r["objects"] = listed.objects;
        r["storedSize"] = listed.storedSize;
        if (!listed.damage.empty()) r["damaged"] = listed.damage;
        records.push_back(std::move(r));
      } else {
        listing << "  " << i << "\t" << name << "\t" << kind << "\t" << FormatDate(listed.created)
                << "\t" << FormatDate(listed.modified) << "\t" << FormatPoints(width) << " × "
                << FormatPoints(height) << " pt\t" << listed.objects << "\t" << listed.storedSize
                << (listed.damage.empty() ? "" : "\tdamaged") << "\n";
      }
    }

    Json g = Json::object();
    const CountCheck check = CheckCount(library.GroupFile(group), group);
    if (!check.note.empty()) {
      if (options.json) {
        g["note"] = check.note;
      } else {
        err << "velm: " << groupName << ": note: " << check.note << "\n";
      }
    }
    if (const std::string& problem = check.problem; !problem.empty()) {
      const std::string why = "damaged file: " + problem + " (see velm verify)";
      if (options.json) {
        g["error"] = unreadableWhy.empty() ? why : unreadableWhy;
      } else {
        err << "velm: " << groupName << ": " << why << "\n";
      }
      status = kExitProblems;
    }
    g["name"] = groupName;
    g["file"] = library.GroupFile(group).filename().string();
    g["count"] = count;
    if (options.json) {
      if (!g.contains("error") && (!unreadableWhy.empty() || !damagedWhy.empty()))
        g["error"] = unreadableWhy.empty() ? damagedWhy : unreadableWhy;
    } else {
      // The listing, with what was said about its records where it was said.
      const std::string text = listing.str();
      std::size_t written = 0;
      for (const Said& s : said) {
        out.write(text.data() + written, static_cast<std::streamsize>(s.at - written));
        written = s.at;
        err << "velm: " << groupName << ": " << s.text << "\n";
      }
      out.write(text.data() + written, static_cast<std::streamsize>(text.size() - written));
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
