#include "hostsim/core/host_preferences.h"

#include "hostsim/core/byte_escape.h"
#include "hostsim/core/file_output.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

namespace hostsim {
namespace {

namespace fs = std::filesystem;

constexpr const char kHeader[] =
    "# VELM Host preferences: kind, prefix, suffix, value (tab-separated)";

const char* KindName(HostPreferences::Kind kind) {
  switch (kind) {
    case HostPreferences::Kind::kInteger:
      return "integer";
    case HostPreferences::Kind::kPoint:
      return "point";
    case HostPreferences::Kind::kString:
      return "string";
    case HostPreferences::Kind::kBoolean:
      return "boolean";
  }
  return "integer";
}

bool KindFromName(const std::string& name, HostPreferences::Kind* kind) {
  for (auto k : {HostPreferences::Kind::kInteger, HostPreferences::Kind::kPoint,
                 HostPreferences::Kind::kString, HostPreferences::Kind::kBoolean}) {
    if (name == KindName(k)) {
      *kind = k;
      return true;
    }
  }
  return false;
}

std::string Escape(const std::string& bytes) {
  return EscapeBytes(bytes, false);
}

bool Unescape(const std::string& text, std::string* bytes) {
  return UnescapeBytes(text, bytes);
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

bool ParseInt(const std::string& text, std::int32_t* value) {
  std::istringstream in(text);
  long long v = 0;
  if (!(in >> v) || !in.eof() || v < std::numeric_limits<std::int32_t>::min() ||
      v > std::numeric_limits<std::int32_t>::max())
    return false;
  *value = static_cast<std::int32_t>(v);
  return true;
}

bool ParseValue(HostPreferences::Kind kind, const std::string& text,
                HostPreferences::Value* value) {
  value->kind = kind;
  switch (kind) {
    case HostPreferences::Kind::kInteger:
      return ParseInt(text, &value->integer);
    case HostPreferences::Kind::kBoolean:
      return ParseInt(text, &value->integer) && (value->integer == 0 || value->integer == 1);
    case HostPreferences::Kind::kPoint: {
      const std::size_t space = text.find(' ');
      return space != std::string::npos && ParseInt(text.substr(0, space), &value->point.h) &&
             ParseInt(text.substr(space + 1), &value->point.v);
    }
    case HostPreferences::Kind::kString:
      return Unescape(text, &value->text);
  }
  return false;
}

std::string FormatValue(const HostPreferences::Value& value) {
  switch (value.kind) {
    case HostPreferences::Kind::kInteger:
    case HostPreferences::Kind::kBoolean:
      return std::to_string(value.integer);
    case HostPreferences::Kind::kPoint:
      return std::to_string(value.point.h) + " " + std::to_string(value.point.v);
    case HostPreferences::Kind::kString:
      return Escape(value.text);
  }
  return {};
}

}  // namespace

void HostPreferences::Load(const std::string& driveC) {
  values_.clear();
  path_ = driveC.empty() ? std::string() : (fs::path(driveC) / kFileName).string();
  if (path_.empty()) return;
  std::ifstream in(path_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = SplitTabs(line);
    Kind kind;
    Value value;
    std::string prefix, suffix;
    if (f.size() != 4 || !KindFromName(f[0], &kind) || !Unescape(f[1], &prefix) ||
        !Unescape(f[2], &suffix) || !ParseValue(kind, f[3], &value))
      continue;
    values_[{prefix, suffix}] = std::move(value);
  }
}

host::Err HostPreferences::Get(const std::string& prefix, const std::string& suffix, Kind kind,
                               Value* value) const {
  auto it = values_.find({prefix, suffix});
  if (it == values_.end()) return host::kNotFoundErr;
  if (it->second.kind != kind) return host::kBadParameterErr;
  *value = it->second;
  return host::kNoErr;
}

host::Err HostPreferences::Put(const std::string& prefix, const std::string& suffix, Value value) {
  const auto key = std::make_pair(prefix, suffix);
  auto old = values_.find(key);
  const bool had = old != values_.end();
  const Value previous = had ? old->second : Value{};
  values_[key] = std::move(value);
  if (Write()) return host::kNoErr;
  // Memory and file stay in step: the value the file could not take is not kept.
  if (had) {
    values_[key] = previous;
  } else {
    values_.erase(key);
  }
  return host::kHostFailureErr;
}

void HostPreferences::Clear() {
  values_.clear();
  Write();
}

bool HostPreferences::Write() const {
  if (path_.empty()) return true;
  std::error_code ec;
  fs::create_directories(fs::path(path_).parent_path(), ec);
  std::ostringstream out;
  out << kHeader << '\n';
  for (const auto& [key, value] : values_)
    out << KindName(value.kind) << '\t' << Escape(key.first) << '\t' << Escape(key.second) << '\t'
        << FormatValue(value) << '\n';
  return WriteFileAtomically(path_, out.str(), nullptr);
}

}  // namespace hostsim
