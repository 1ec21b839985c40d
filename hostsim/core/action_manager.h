// The host's action manager ("AI Action Manager Suite"): the events plug-ins register
// with their parameter descriptions, recording on and off, parameter value blocks, the
// recorded events in order, and playback, which sends each recorded event back to its
// plug-in as "Action Manager"/"Do Action". The recorded list is kept in a file on
// drive C:, so the next run of the host (in this process or another) can play it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/art_types.h"
#include "host/errors.h"
#include "host/types.h"

namespace host {
struct ActionManagerSuite;
}

namespace hostsim {

struct ActionParamKey {
  host::ActionKey key = 0;
  std::string title;  // Shift-JIS bytes
  host::ActionParamType type = 0;
  bool show = false;
};

// A parameter description: the keys of an event, in the order they were declared.
struct ActionParamDescription {
  std::vector<ActionParamKey> keys;
  const ActionParamKey* Find(host::ActionKey key) const;
};

struct ActionValue {
  host::ActionKey key = 0;
  host::ActionParamType type = 0;
  host::Real real = 0;
  std::int32_t integer = 0;
  std::string text;  // Shift-JIS bytes
};

// A parameter value block: one value per key, in the order they were first set.
struct ActionValues {
  std::vector<ActionValue> values;
  const ActionValue* Find(host::ActionKey key) const;
  void Set(ActionValue value);
};

struct ActionEvent {
  std::string name;
  std::string title;  // Shift-JIS bytes
  std::int32_t version = 0;
  std::int32_t options = 0;
  std::int32_t moreOptions = 0;
  host::PluginRef plugin = nullptr;
  std::intptr_t userData = 0;
  ActionParamDescription params;
};

struct RecordedEvent {
  std::string name;
  std::int32_t dialogStatus = 0;
  ActionValues values;
};

class ActionManager {
 public:
  // The file's place under drive C: (empty `driveC`: the list lives in memory only).
  static constexpr const char kFileName[] = "Program Files/VELM Host/Actions.txt";

  // Reads the saved list when there is one.
  void Load(const std::string& driveC);

  // ---- What the suite does ----
  host::ActionParamTypeRef NewDescription();
  ActionParamDescription* Description(host::ActionParamTypeRef ref);
  bool DeleteDescription(host::ActionParamTypeRef ref);
  host::ActionParamValueRef NewValues();
  ActionValues* Values(host::ActionParamValueRef ref);
  bool DeleteValues(host::ActionParamValueRef ref);
  // kBadParameterErr for a name registered twice.
  host::Err Register(ActionEvent event);
  // Appends to the recorded list and saves it; kNotFoundErr for an unregistered name,
  // kHostFailureErr (nothing kept) when the file cannot be written.
  host::Err Record(const std::string& name, std::int32_t dialogStatus, const ActionValues& values);

  // ---- What the user does ----
  bool recording() const { return recording_; }
  // Starting a recording begins a new, empty list (saved at once); stopping keeps it.
  host::Err StartRecording();
  void StopRecording() { recording_ = false; }
  const std::vector<RecordedEvent>& recorded() const { return recorded_; }
  const std::vector<ActionEvent>& events() const { return events_; }
  const ActionEvent* FindEvent(const std::string& name) const;
  // The plug-in is shut down: its events go (a later start-up registers them again).
  void ForgetEvents() { events_.clear(); }
  // Parameter descriptions and value blocks not deleted.
  std::size_t liveDescriptions() const { return descriptions_.size(); }
  std::size_t liveValueBlocks() const { return valueBlocks_.size(); }
  const std::string& path() const { return path_; }

  // An action set file: the events written one after another (false when it cannot be
  // written, or read: then `events` is empty).
  static bool WriteSet(const std::string& path, const std::vector<RecordedEvent>& events);
  static bool ReadSet(const std::string& path, std::vector<RecordedEvent>* events);
  // The events as text, UTF-8: each event's name and title, then every parameter's
  // title and value.
  std::string Describe(const std::vector<RecordedEvent>& events) const;

 private:
  std::string path_;
  bool recording_ = false;
  std::vector<ActionEvent> events_;
  std::vector<RecordedEvent> recorded_;
  std::vector<std::unique_ptr<ActionParamDescription>> descriptions_;
  std::vector<std::unique_ptr<ActionValues>> valueBlocks_;
};

// Fills the suite's operations with the action manager's.
void InstallActionManagerSuite(host::ActionManagerSuite& suite);

}  // namespace hostsim
