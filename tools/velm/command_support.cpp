#include "command_support.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "database/group_file.h"
#include "database/record_time.h"
#include "database/text_match.h"
#include "group_scan.h"
#include "platform/memory.h"
#include "sjis_text.h"

namespace velmtool {

std::optional<Selection> SelectGroups(const std::string& target, const std::string& group,
                                      std::ostream& err, int* status) {
  Selection selection;
  std::string error;
  selection.library = Library::Open(target, &error);
  if (!selection.library) {
    err << "velm: " << error << "\n";
    *status = 1;
    return std::nullopt;
  }
  selection.groups = selection.library->Groups();
  if (!group.empty()) {
    std::string sjis;
    if (!Utf8ToSjis(group, &sjis) || !selection.library->HasGroup(sjis)) {
      err << "velm: no group \"" << group << "\" in " << target << "\n";
      *status = 1;
      return std::nullopt;
    }
    selection.groups = {sjis};
  }
  return selection;
}

std::optional<Selection> SelectOneGroup(const std::string& target, const std::string& group,
                                        std::ostream& err, int* status) {
  std::optional<Selection> selection = SelectGroups(target, group, err, status);
  if (!selection) return selection;
  if (selection->groups.size() != 1) {
    if (selection->library->singleFile()) {
      err << "velm: " << target << " cannot be read as a group file\n";
      *status = 1;
    } else {
      err << "velm: " << target << " is a folder: name the group with --group\n";
      *status = kExitUsage;
    }
    return std::nullopt;
  }
  return selection;
}

std::optional<std::int32_t> ParseRecordNumber(const std::string& text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

namespace {

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// Digits with signs and decimal points ("-1", "1.5").
bool LooksNumeric(const std::string& text) {
  return text.find_first_of("0123456789") != std::string::npos &&
         text.find_first_not_of("0123456789+-.,") == std::string::npos;
}

// Whether `name` is `pattern` as a whole, folded as the search folds.
bool NameMatches(const std::string& name, const std::string& pattern) {
  auto length = static_cast<std::int32_t>(pattern.size());
  return velm::MatchAt(name.c_str(), pattern.c_str(), length, false, false) == 0 &&
         static_cast<std::size_t>(length) == name.size();
}

}  // namespace

std::string DescribeRecord(const std::string& group, const RecordRef& record) {
  return SjisToUtf8(group) + " #" + std::to_string(record.number) + " \"" +
         SjisToUtf8(record.name) + "\"";
}

std::optional<std::vector<RecordRef>> ResolveRecords(const Library& library,
                                                     const std::string& group,
                                                     const std::string& typed, SharedName shared,
                                                     std::ostream& err, int* status) {
  const std::string groupName = SjisToUtf8(group);
  const std::int32_t count = library.RecordCount(group);
  if (AllDigits(typed) || typed.empty()) {
    const std::optional<std::int32_t> number = ParseRecordNumber(typed);
    if (!number) {
      err << "velm: the record number must be a whole number from 0: \"" << typed << "\"\n";
      *status = kExitUsage;
      return std::nullopt;
    }
    if (*number >= count) {
      err << "velm: " << groupName << " has no record " << *number << " (it holds " << count
          << (count == 1 ? " record, numbered from 0)\n" : " records, numbered from 0)\n");
      *status = kExitProblems;
      return std::nullopt;
    }
    // The name as stored, read through the plug-in: its walk of the record lengths is
    // kept, and serves the command's own read of the record. A record the plug-in refuses
    // is named by the tool's own walk; one that walk cannot reach either is still named by
    // its number, and the command's own read then says what is wrong with it.
    velm::os::MemHandle block = nullptr;
    bool read = false;
    std::string name;
    if (library.ReadInto(group, *number, velm::kReadHeaderOnly, false, &block, &read) ==
            host::kNoErr &&
        read && velm::os::MemSize(block) >= kStoredHeaderSize) {
      name = ParseStoredHeader(block).name;
    } else {
      const std::vector<std::string> names =
          StoredRecordNames(library.GroupFile(group), *number + 1, true);
      const auto at = static_cast<std::size_t>(*number);
      if (at < names.size()) name = names[at];
    }
    velm::ReleaseBlock(block);
    return std::vector<RecordRef>{{*number, name}};
  }
  const std::vector<std::string> names = StoredRecordNames(library.GroupFile(group), count);
  std::vector<RecordRef> found;
  std::string pattern;
  if (Utf8ToSjis(typed, &pattern)) {
    for (std::size_t i = 0; i < names.size(); ++i)
      if (NameMatches(names[i], pattern))
        found.push_back({static_cast<std::int32_t>(i), names[i], true});
  }
  // Digits with a sign or a decimal point that name no record were meant as a number.
  if (found.empty() && LooksNumeric(typed)) {
    err << "velm: the record number must be a whole number from 0: \"" << typed << "\"\n";
    *status = kExitUsage;
    return std::nullopt;
  }
  if (found.empty()) {
    err << "velm: " << groupName << " has no record named \"" << typed << "\"";
    if (names.empty() && count > 0)
      err << " (its records cannot be read: see velm verify)";
    else if (names.size() < static_cast<std::size_t>(count))
      err << " among its records 0 to " << names.size() - 1
          << " (the rest cannot be read: see velm verify)";
    err << "\n";
    *status = kExitProblems;
    return std::nullopt;
  }
  if (found.size() > 1 && shared != SharedName::kAll) {
    err << "velm: " << found.size() << " records of " << groupName << " are named \"" << typed
        << "\": numbers";
    for (const RecordRef& r : found)
      err << " " << r.number;
    err << (shared == SharedName::kRefuseOfferAll ? "; give one of the numbers, or --all\n"
                                                  : "; give one of the numbers\n");
    *status = kExitUsage;
    return std::nullopt;
  }
  return found;
}

std::optional<RecordRef> ResolveRecord(const Library& library, const std::string& group,
                                       const std::string& typed, std::ostream& err, int* status) {
  std::optional<std::vector<RecordRef>> found =
      ResolveRecords(library, group, typed, SharedName::kRefuse, err, status);
  if (!found) return std::nullopt;
  return found->front();
}

std::string FormatDate(std::uint32_t time) {
  // The palette shows two-digit years; a listing read by people and scripts alike gives
  // the whole date, which sorts as text and cannot be mistaken for day/month/year.
  // A record's times are wall-clock seconds, so the text depends on the time alone: the
  // minute formatted last serves the records of a listing made within it.
  thread_local std::uint32_t minute = 0;
  thread_local std::string last;
  if (!last.empty() && time / 60 == minute) return last;
  const velm::os::SystemTime local = velm::RecordTimeToLocalTime(time);
  char text[32] = {};
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", local.year, local.month, local.day,
                local.hour, local.minute);
  minute = time / 60;
  last = text;
  return last;
}

Json DateJson(std::uint32_t time) {
  Json date = Json::object();
  date["text"] = FormatDate(time);
  date["raw"] = time;
  return date;
}

double FixedToPoints(std::int32_t value) {
  return static_cast<double>(value) / 65536.0;
}

std::string FormatPoints(double points) {
  // Sizes are 16.16 fixed numbers: their decimal form to two places, rounded as printf
  // rounds (to the nearest, a tie to the even digit), comes from whole numbers alone.
  const double fixed = points * 65536.0;
  if (std::fabs(fixed) < 1099511627776.0 && fixed == std::floor(fixed)) {
    const auto whole = static_cast<std::int64_t>(fixed);
    const std::uint64_t hundredths = static_cast<std::uint64_t>(whole < 0 ? -whole : whole) * 100;
    std::uint64_t q = hundredths >> 16;
    const std::uint64_t r = hundredths & 0xffff;
    if (r > 0x8000 || (r == 0x8000 && (q & 1))) ++q;
    std::string s = (whole < 0 && q != 0 ? "-" : "") + std::to_string(q / 100);
    if (const std::uint64_t cents = q % 100) {
      s += '.';
      s += static_cast<char>('0' + cents / 10);
      if (cents % 10) s += static_cast<char>('0' + cents % 10);
    }
    return s;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", points);
  std::string s = text;
  while (!s.empty() && s.back() == '0')
    s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string DescribeProblem(const Problem& problem) {
  std::string text;
  if (problem.record >= 0) text = "record " + std::to_string(problem.record) + ": ";
  text += problem.place == Place::kFile  ? "file offset "
          : problem.place == Place::kArt ? "art offset "
                                         : "thumbnail offset ";
  text += std::to_string(problem.offset) + ": " + problem.message;
  return text;
}

Json ProblemJson(const std::string& groupUtf8, const Problem& problem) {
  Json j = Json::object();
  j["group"] = groupUtf8;
  j["record"] = problem.record >= 0 ? Json(problem.record) : Json(nullptr);
  j["place"] = problem.place == Place::kFile  ? "file"
               : problem.place == Place::kArt ? "art"
                                              : "thumbnail";
  j["offset"] = problem.offset;
  j["message"] = problem.message;
  return j;
}

void WriteJson(std::ostream& out, const Json& json) {
  out << json.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

std::string StatusSuffix(std::int32_t status) {
  if (status == 0) return {};
  std::string code;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto c = static_cast<char>((static_cast<std::uint32_t>(status) >> shift) & 0xFF);
    if (c < 0x20 || c > 0x7E) return " [" + std::to_string(status) + "]";
    code += c;
  }
  return " ['" + code + "']";
}

}  // namespace velmtool
