#include "command_support.h"

#include <cstdio>

#include "database/record_time.h"
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
      *status = 2;
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

std::string FormatDate(std::uint32_t time) {
  char text[velm::kRecordDateTextSize + 8] = {};
  velm::FormatRecordDate(time, text, sizeof text);
  return text;
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
