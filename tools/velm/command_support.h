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

// One record a command acts on.
struct RecordRef {
  std::int32_t number = 0;
  std::string name;    // Shift-JIS, as stored
  bool named = false;  // found by its name
};
// "動物 #3 "月"", naming a record in a confirmation or complaint (UTF-8).
std::string DescribeRecord(const std::string& group, const RecordRef& record);

// How a record name that several records share is taken.
enum class SharedName {
  kRefuse,          // refused (the command acts on one record)
  kRefuseOfferAll,  // refused, pointing to the command's --all
  kAll,             // every record of that name (--all given)
};
// The records of `group` a record argument stands for. Digits only are a record number,
// which must be below the group's count. Anything else is a record name, matched as
// velm search matches (upper and lower case, full and half width alike) against each
// record's whole name; a name that several records share is refused with their numbers
// unless `shared` takes them all. On failure writes why to `err` and sets *status: 2 for
// a malformed number or a name that is not enough, 1 for a record that is not there.
// The records come in ascending order of number.
std::optional<std::vector<RecordRef>> ResolveRecords(const Library& library,
                                                     const std::string& group,
                                                     const std::string& typed, SharedName shared,
                                                     std::ostream& err, int* status);
// The same for one record.
std::optional<RecordRef> ResolveRecord(const Library& library, const std::string& group,
                                       const std::string& typed, std::ostream& err, int* status);

// "yyyy-mm-dd hh:mm" of a record date (local wall clock, as stored).
std::string FormatDate(std::uint32_t time);
// {"text": "yyyy-mm-dd hh:mm", "raw": seconds since 1904}.
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
