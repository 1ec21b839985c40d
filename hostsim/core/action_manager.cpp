// "AI Action Manager Suite", the action manager behind it, its file on drive C:, and the
// host's side: playback of recorded events.
#include "hostsim/core/action_manager.h"

#include "hostsim/core/byte_escape.h"
#include "hostsim/core/file_output.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/ai_lifecycle.h"
#include "hostsim/core/suite_impl.h"

namespace hostsim {

namespace fs = std::filesystem;
using impl::Check;
using impl::H;

namespace {

constexpr const char kSetHeader[] = "# VELM Host action set: event NAME STATUS, then its values";

std::string Escape(const std::string& bytes) {
  return EscapeBytes(bytes, true);
}

bool Unescape(const std::string& text, std::string* bytes) {
  return UnescapeBytes(text, bytes);
}

std::string KeyText(host::ActionKey key) {
  std::string k;
  for (int shift = 24; shift >= 0; shift -= 8)
    k += static_cast<char>((key >> shift) & 0xFF);
  return k;
}

host::ActionKey KeyFrom(const std::string& text) {
  host::ActionKey key = 0;
  for (unsigned char c : text)
    key = (key << 8) | c;
  return key;
}

std::string RealText(host::Real r) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(r));
  return text;
}

template <class T>
T* Live(std::vector<std::unique_ptr<T>>& list, const void* ref) {
  for (auto& item : list)
    if (item.get() == ref) return item.get();
  return nullptr;
}

template <class T>
bool Erase(std::vector<std::unique_ptr<T>>& list, const void* ref) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->get() == ref) {
      list.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace

// ---- The model ----

const ActionParamKey* ActionParamDescription::Find(host::ActionKey key) const {
  for (const ActionParamKey& k : keys)
    if (k.key == key) return &k;
  return nullptr;
}

const ActionValue* ActionValues::Find(host::ActionKey key) const {
  for (const ActionValue& v : values)
    if (v.key == key) return &v;
  return nullptr;
}

void ActionValues::Set(ActionValue value) {
  for (ActionValue& v : values) {
    if (v.key == value.key) {
      v = std::move(value);
      return;
    }
  }
  values.push_back(std::move(value));
}

void ActionManager::Load(const std::string& driveC) {
  recorded_.clear();
  recording_ = false;
  path_ = driveC.empty() ? std::string() : (fs::path(driveC) / kFileName).string();
  if (!path_.empty() && fs::exists(path_)) ReadSet(path_, &recorded_);
}

host::ActionParamTypeRef ActionManager::NewDescription() {
  descriptions_.push_back(std::make_unique<ActionParamDescription>());
  return reinterpret_cast<host::ActionParamTypeRef>(descriptions_.back().get());
}

ActionParamDescription* ActionManager::Description(host::ActionParamTypeRef ref) {
  return Live(descriptions_, ref);
}

bool ActionManager::DeleteDescription(host::ActionParamTypeRef ref) {
  return Erase(descriptions_, ref);
}

host::ActionParamValueRef ActionManager::NewValues() {
  valueBlocks_.push_back(std::make_unique<ActionValues>());
  return reinterpret_cast<host::ActionParamValueRef>(valueBlocks_.back().get());
}

ActionValues* ActionManager::Values(host::ActionParamValueRef ref) {
  return Live(valueBlocks_, ref);
}

bool ActionManager::DeleteValues(host::ActionParamValueRef ref) {
  return Erase(valueBlocks_, ref);
}

const ActionEvent* ActionManager::FindEvent(const std::string& name) const {
  for (const ActionEvent& e : events_)
    if (e.name == name) return &e;
  return nullptr;
}

host::Err ActionManager::Register(ActionEvent event) {
  if (FindEvent(event.name)) return host::kBadParameterErr;
  events_.push_back(std::move(event));
  return host::kNoErr;
}

host::Err ActionManager::Record(const std::string& name, std::int32_t dialogStatus,
                                const ActionValues& values) {
  if (!FindEvent(name)) return host::kNotFoundErr;
  recorded_.push_back({name, dialogStatus, values});
  if (path_.empty() || WriteSet(path_, recorded_)) return host::kNoErr;
  recorded_.pop_back();
  return host::kHostFailureErr;
}

host::Err ActionManager::StartRecording() {
  std::vector<RecordedEvent> previous;
  previous.swap(recorded_);
  if (!path_.empty() && !WriteSet(path_, recorded_)) {
    recorded_.swap(previous);
    return host::kHostFailureErr;
  }
  recording_ = true;
  return host::kNoErr;
}

bool ActionManager::WriteSet(const std::string& path, const std::vector<RecordedEvent>& events) {
  std::error_code ec;
  if (fs::path(path).has_parent_path()) fs::create_directories(fs::path(path).parent_path(), ec);
  std::ostringstream out;
  out << kSetHeader << '\n';
  for (const RecordedEvent& e : events) {
    out << "event\t" << Escape(e.name) << '\t' << e.dialogStatus << '\n';
    for (const ActionValue& v : e.values.values) {
      out << (v.type == host::kActionTypeReal      ? "real"
              : v.type == host::kActionTypeInteger ? "integer"
                                                   : "string")
          << '\t' << Escape(KeyText(v.key)) << '\t';
      if (v.type == host::kActionTypeReal) {
        out << RealText(v.real);
      } else if (v.type == host::kActionTypeInteger) {
        out << v.integer;
      } else {
        out << Escape(v.text);
      }
      out << '\n';
    }
  }
  return WriteFileAtomically(path, out.str(), nullptr);
}

bool ActionManager::ReadSet(const std::string& path, std::vector<RecordedEvent>* events) {
  events->clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    // Tab-separated; an empty last field (an empty string) counts.
    std::vector<std::string> f;
    for (std::size_t start = 0;;) {
      const std::size_t tab = line.find('\t', start);
      f.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    std::string a, b;
    char* end = nullptr;
    const long number = f.size() == 3 ? std::strtol(f[2].c_str(), &end, 10) : 0;
    const bool whole = f.size() == 3 && !f[2].empty() && *end == '\0';
    if (f.size() == 3 && f[0] == "event" && whole && Unescape(f[1], &a)) {
      events->push_back({a, static_cast<std::int32_t>(number), {}});
      continue;
    }
    if (events->empty() || f.size() != 3 || !Unescape(f[1], &a) || a.size() != 4) goto bad;
    {
      ActionValue v;
      v.key = KeyFrom(a);
      if (f[0] == "integer" && whole) {
        v.type = host::kActionTypeInteger;
        v.integer = static_cast<std::int32_t>(number);
      } else if (f[0] == "real") {
        v.type = host::kActionTypeReal;
        v.real = std::strtof(f[2].c_str(), &end);
        if (f[2].empty() || *end) goto bad;
      } else if (f[0] == "string" && Unescape(f[2], &b)) {
        v.type = host::kActionTypeString;
        v.text = b;
      } else {
        goto bad;
      }
      events->back().values.Set(v);
      continue;
    }
  bad:
    // A set that cannot be read whole is not played in part.
    events->clear();
    return false;
  }
  return true;
}

std::string ActionManager::Describe(const std::vector<RecordedEvent>& events) const {
  std::ostringstream out;
  int n = 0;
  for (const RecordedEvent& e : events) {
    const ActionEvent* registered = FindEvent(e.name);
    out << ++n << ". " << e.name;
    if (registered) out << "  " << ToUtf8(registered->title);
    out << '\n';
    for (const ActionValue& v : e.values.values) {
      const ActionParamKey* k = registered ? registered->params.Find(v.key) : nullptr;
      out << "   ";
      if (k) {
        out << ToUtf8(k->title);
      } else {
        out << '\'' << KeyText(v.key) << '\'';
      }
      out << ": ";
      if (v.type == host::kActionTypeReal) {
        out << RealText(v.real);
      } else if (v.type == host::kActionTypeInteger) {
        out << v.integer;
      } else {
        out << ToUtf8(v.text);
      }
      out << '\n';
    }
  }
  return out.str();
}

// ---- AI Action Manager Suite ----

namespace {

using Suite = host::ActionManagerSuite;

ActionManager& AM() {
  return H().actions();
}

host::Err VELM_HOSTCALL NewActionParamType(host::ActionParamTypeRef* paramType) {
  if (host::Err e = Check<Suite>("NewActionParamType")) return e;
  if (!paramType) return host::kBadParameterErr;
  *paramType = AM().NewDescription();
  return host::kNoErr;
}

host::Err VELM_HOSTCALL DeleteActionParamType(host::ActionParamTypeRef paramType) {
  if (host::Err e = Check<Suite>("DeleteActionParamType")) return e;
  return AM().DeleteDescription(paramType) ? host::kNoErr : host::kBadParameterErr;
}

host::Err VELM_HOSTCALL SetActionParamTypeKey(host::ActionParamTypeRef paramType,
                                              host::ActionKey key, const char* title,
                                              host::ActionParamType type, host::Boolean show) {
  if (host::Err e = Check<Suite>("SetActionParamTypeKey")) return e;
  ActionParamDescription* d = AM().Description(paramType);
  if (!d || !title || d->Find(key) ||
      (type != host::kActionTypeReal && type != host::kActionTypeInteger &&
       type != host::kActionTypeString))
    return host::kBadParameterErr;
  d->keys.push_back({key, title, type, show != 0});
  return host::kNoErr;
}

host::Err VELM_HOSTCALL RegisterActionEvent(const char* name, const char* title,
                                            std::int32_t version, std::int32_t options,
                                            std::int32_t moreOptions, host::PluginRef plugin,
                                            std::intptr_t userData,
                                            host::ActionParamTypeRef paramType) {
  if (host::Err e = Check<Suite>("RegisterActionEvent")) return e;
  const ActionParamDescription* d = AM().Description(paramType);
  if (!name || !title || !d) return host::kBadParameterErr;
  return AM().Register({name, title, version, options, moreOptions, plugin, userData, *d});
}

host::Err VELM_HOSTCALL InActionRecordingMode(host::Boolean* recording) {
  if (host::Err e = Check<Suite>("InActionRecordingMode")) return e;
  if (!recording) return host::kBadParameterErr;
  *recording = AM().recording() ? 1 : 0;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL NewActionParamValue(host::ActionParamValueRef* value) {
  if (host::Err e = Check<Suite>("NewActionParamValue")) return e;
  if (!value) return host::kBadParameterErr;
  *value = AM().NewValues();
  return host::kNoErr;
}

host::Err VELM_HOSTCALL DeleteActionParamValue(host::ActionParamValueRef value) {
  if (host::Err e = Check<Suite>("DeleteActionParamValue")) return e;
  return AM().DeleteValues(value) ? host::kNoErr : host::kBadParameterErr;
}

host::Err SetValue(const char* op, host::ActionParamValueRef value, ActionValue v) {
  if (host::Err e = Check<Suite>(op)) return e;
  ActionValues* values = AM().Values(value);
  if (!values) return host::kBadParameterErr;
  values->Set(std::move(v));
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetActionParamReal(host::ActionParamValueRef value, host::ActionKey key,
                                           host::Real r) {
  ActionValue v;
  v.key = key;
  v.type = host::kActionTypeReal;
  v.real = r;
  return SetValue("SetActionParamReal", value, v);
}

host::Err VELM_HOSTCALL SetActionParamInteger(host::ActionParamValueRef value, host::ActionKey key,
                                              std::int32_t integer) {
  ActionValue v;
  v.key = key;
  v.type = host::kActionTypeInteger;
  v.integer = integer;
  return SetValue("SetActionParamInteger", value, v);
}

host::Err VELM_HOSTCALL SetActionParamString(host::ActionParamValueRef value, host::ActionKey key,
                                             const char* string) {
  if (!string) {
    if (host::Err e = Check<Suite>("SetActionParamString")) return e;
    return host::kBadParameterErr;
  }
  ActionValue v;
  v.key = key;
  v.type = host::kActionTypeString;
  v.text = string;
  return SetValue("SetActionParamString", value, v);
}

host::Err GetValue(const char* op, host::ActionParamValueRef value, host::ActionKey key,
                   host::ActionParamType type, bool hasResult, const ActionValue** v) {
  if (host::Err e = Check<Suite>(op)) return e;
  const ActionValues* values = AM().Values(value);
  if (!values || !hasResult) return host::kBadParameterErr;
  *v = values->Find(key);
  if (!*v) return host::kNotFoundErr;
  return (*v)->type == type ? host::kNoErr : host::kBadParameterErr;
}

host::Err VELM_HOSTCALL GetActionParamReal(host::ActionParamValueRef value, host::ActionKey key,
                                           host::Real* real) {
  const ActionValue* v = nullptr;
  const host::Err e =
      GetValue("GetActionParamReal", value, key, host::kActionTypeReal, real != nullptr, &v);
  if (!e) *real = v->real;
  return e;
}

host::Err VELM_HOSTCALL GetActionParamInteger(host::ActionParamValueRef value, host::ActionKey key,
                                              std::int32_t* integer) {
  const ActionValue* v = nullptr;
  const host::Err e = GetValue("GetActionParamInteger", value, key, host::kActionTypeInteger,
                               integer != nullptr, &v);
  if (!e) *integer = v->integer;
  return e;
}

host::Err VELM_HOSTCALL GetActionParamString(host::ActionParamValueRef value, host::ActionKey key,
                                             char* string, std::int32_t maxLength) {
  const ActionValue* v = nullptr;
  const host::Err e = GetValue("GetActionParamString", value, key, host::kActionTypeString,
                               string && maxLength > 0, &v);
  if (e) return e;
  // At most maxLength - 1 bytes and the terminator.
  const std::size_t n = std::min(v->text.size(), static_cast<std::size_t>(maxLength - 1));
  std::memcpy(string, v->text.data(), n);
  string[n] = '\0';
  return host::kNoErr;
}

host::Err VELM_HOSTCALL RecordActionEvent(const char* name, std::int32_t dialogStatus,
                                          host::ActionParamValueRef value) {
  if (host::Err e = Check<Suite>("RecordActionEvent")) return e;
  const ActionValues* values = AM().Values(value);
  if (!name || !values) return host::kBadParameterErr;
  if (!AM().recording()) return host::kNoErr;
  return AM().Record(name, dialogStatus, *values);
}

}  // namespace

void InstallActionManagerSuite(host::ActionManagerSuite& s) {
  s.NewActionParamType = NewActionParamType;
  s.DeleteActionParamType = DeleteActionParamType;
  s.SetActionParamTypeKey = SetActionParamTypeKey;
  s.RegisterActionEvent = RegisterActionEvent;
  s.InActionRecordingMode = InActionRecordingMode;
  s.NewActionParamValue = NewActionParamValue;
  s.DeleteActionParamValue = DeleteActionParamValue;
  s.SetActionParamReal = SetActionParamReal;
  s.SetActionParamInteger = SetActionParamInteger;
  s.SetActionParamString = SetActionParamString;
  s.GetActionParamReal = GetActionParamReal;
  s.GetActionParamInteger = GetActionParamInteger;
  s.GetActionParamString = GetActionParamString;
  s.RecordActionEvent = RecordActionEvent;
}

// ---- The host's side ----

host::Err Host::PlayActions(const std::vector<RecordedEvent>& events) {
  host::Err first = host::kNoErr;
  for (const RecordedEvent& e : events) {
    const ActionEvent* event = actions_.FindEvent(e.name);
    if (!event) {
      // An event no plug-in registered is skipped, as the host skips a missing plug-in.
      if (!first) first = host::kNotFoundErr;
      continue;
    }
    const host::ActionParamValueRef block = actions_.NewValues();
    *actions_.Values(block) = e.values;
    host::DoActionMessage m{NewMessage(), e.dialogStatus, block, event->userData};
    const host::Err err = Send(host::kCallerActionManager, host::kSelectorDoAction, &m);
    actions_.DeleteValues(block);
    if (err && !first) first = err;
  }
  return first;
}

}  // namespace hostsim
