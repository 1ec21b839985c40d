// Pieces the commands share: opening the library and choosing groups and records from
// the command line, dates, sizes and JSON output.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "library.h"
#include "record_walk.h"

namespace velmtool {

// The library and the groups a command works on. `group` (UTF-8, optional) picks one.
struct Selection {
  std::unique_ptr<Library> library;
  std::vector<std::string> groups;  // Shift-JIS
};
// Opens `target` and selects its groups; on failure writes why to `err` and returns the
// exit status through *status.
std::optional<Selection> SelectGroups(const std::string& target, const std::string& group,
                                      std::ostream& err, int* status);
// The one group a record command works on: the file's own, or `group` in a folder.
std::optional<Selection> SelectOneGroup(const std::string& target, const std::string& group,
                                        std::ostream& err, int* status);

// A record number as typed: decimal digits only, within 32 bits.
std::optional<std::int32_t> ParseRecordNumber(const std::string& text);

// "yy/mm/dd hh:mm" of a record date.
std::string FormatDate(std::uint32_t time);
// {"text": "yy/mm/dd hh:mm", "raw": seconds since 1904}.
Json DateJson(std::uint32_t time);
// A 16.16 fixed value in points.
double FixedToPoints(std::int32_t value);
// Points with at most two decimals ("20", "12.5").
std::string FormatPoints(double points);

// Where a problem lies, for people: "record 2: file offset 1234: ...".
std::string DescribeProblem(const Problem& problem);
Json ProblemJson(const std::string& groupUtf8, const Problem& problem);

void WriteJson(std::ostream& out, const Json& json);

// A status code to add to a message: " ['PARM']" for a four-character code, " [-3]" for
// another number, nothing for 0 (no code to show).
std::string StatusSuffix(std::int32_t status);

}  // namespace velmtool
