// The host's own preferences ("AI Preference Suite"): integers, points, strings and
// booleans under a prefix and a suffix, kept in a text file on drive C: so that the
// next run of the host, in this process or another, sees them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "host/errors.h"
#include "host/types.h"

namespace hostsim {

class HostPreferences {
 public:
  enum class Kind { kInteger, kPoint, kString, kBoolean };
  struct Value {
    Kind kind = Kind::kInteger;
    std::int32_t integer = 0;  // integers and booleans (0 or 1)
    host::Point point{0, 0};
    std::string text;  // Shift-JIS bytes
  };

  // The file's place under drive C: (empty `driveC`: the preferences live in memory only).
  static constexpr const char kFileName[] = "Program Files/VELM Host/Host Prefs.txt";

  // Reads the file when there is one; lines it cannot read are skipped.
  void Load(const std::string& driveC);

  // The stored value, or kNotFoundErr when there is none; kBadParameterErr when the key
  // holds another kind of value.
  host::Err Get(const std::string& prefix, const std::string& suffix, Kind kind,
                Value* value) const;
  // Stores the value and writes the file; kHostFailureErr (the value not kept) when the
  // file cannot be written.
  host::Err Put(const std::string& prefix, const std::string& suffix, Value value);
  // Forgets every value (and writes the empty file).
  void Clear();

  std::size_t size() const { return values_.size(); }
  const std::string& path() const { return path_; }

 private:
  bool Write() const;

  std::string path_;
  std::map<std::pair<std::string, std::string>, Value> values_;
};

}  // namespace hostsim
