// The stand-in host: loads the plug-in module, offers every suite the plug-in acquires,
// sends it the host's messages, and lets a program act as the user.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/messages.h"
#include "host/suite_list.h"
#include "hostsim/core/action_manager.h"
#include "hostsim/core/document.h"
#include "hostsim/core/host_preferences.h"
#include "hostsim/core/lifecycle.h"
#include "hostsim/core/suite_registry.h"
#include "platform/host_binding.h"
#include "resources/resource_table.h"

namespace hostsim {

class Desktop;
class DialogManager;
class Host;
struct TextMetrics;

// Every suite table the host offers.
struct HostSuites {
  host::BasicSuite basic_;
  host::PlatformSuite platform_;
  host::DesktopSuite desktopSuite_;
#define HOSTSIM_SUITE_MEMBER(Type, var) host::Type var##_;
  VELM_SUITE_TABLE(HOSTSIM_SUITE_MEMBER)
#undef HOSTSIM_SUITE_MEMBER
};

// What the whole stand-in host adds to the document core: the virtual desktop, the dialog
// manager, the drawing behind them, and the suites over those. The document core knows
// them only through this; hostsim/host.h puts the stand-in host's own together.
class HostParts {
 public:
  virtual ~HostParts() = default;
  virtual Desktop& desktop() = 0;
  virtual DialogManager& dialogs() = 0;
  // How the host's documents measure text (the host's first document is made with it).
  virtual const TextMetrics* textMetrics() = 0;
  // Fills the suite tables the parts implement, before the host offers its suites.
  virtual void FillSuites(HostSuites& suites) = 0;
  // The host is set up (its preferences read).
  virtual void Attach(Host& host) = 0;
};

// The stand-in host's parts (hostsim/host.cpp, in velm_hostsim): what a host gets unless
// it is given others. A program of the document core alone passes its own or none.
std::unique_ptr<HostParts> StandInParts();

struct Block {
  std::string name;
  std::int32_t size;
};

class Host {
 public:
  // `modulePath`: the plug-in module file; `library`: the folder that stands for the
  // host's installation folder (drive C:). The host reports its application path as
  // "C:\Program Files\VELM Host\Support Files\Host.exe" unless told otherwise.
  // Without `parts` the host has no desktop and no dialog manager (desktop() and dialogs()
  // must not be called) and offers their suites unimplemented.
  Host(std::string modulePath, std::string driveC,
       std::unique_ptr<HostParts> parts = StandInParts());
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  static Host* Current();

  // ---- The module ----
  bool LoadModule();
  // Runs a plug-in linked into this program instead of a module file (unit tests).
  void UseInProcessPlugin(host::PluginMainProc main, const velm::res::ResourceTable* resources);
  bool moduleLoaded() const { return module_ != nullptr; }
  const std::string& loadError() const { return loadError_; }
  const velm::res::ResourceTable* resources() const { return resources_; }

  // ---- Messages ----
  host::MessageData NewMessage();
  host::Err Send(const char* caller, const char* selector, void* message);
  host::Err Startup();
  host::Err About();
  host::Err Shutdown();
  // Sends "SP Access"/"Unload" and unloads the module's code; its statics are lost.
  host::Err Unload();
  // Loads the module's code again and sends "SP Access"/"Reload".
  host::Err Reload();
  // Every message sent, as "caller/selector -> result".
  const std::vector<std::string>& messageLog() const { return messageLog_; }
  // The globals slot the host keeps for the plug-in.
  void* globalsSlot() const { return globalsSlot_; }

  // ---- Menus, timers, notifiers (lifecycle_suites.cpp) ----
  // The user chooses the menu item `name`: "AI Menu"/"AI Go" with its handle. A name
  // no item has is a host failure (kNotFoundErr).
  host::Err ChooseMenuItem(const std::string& name);
  // The host updates its menus before showing them: "AI Menu"/"AI Update" for every
  // item, in the order they were added; the first result other than 0.
  host::Err UpdateMenus();
  // The item's text (Shift-JIS bytes; ToUtf8 to read it); empty for no such item.
  std::string MenuItemText(const std::string& name);
  const MenuItem* FindMenuItem(const std::string& name) { return objects_.FindMenuItem(name); }
  const std::vector<std::unique_ptr<MenuItem>>& menuItems() const { return objects_.menuItems; }
  const std::vector<std::unique_ptr<Timer>>& timers() const { return objects_.timers; }
  const std::vector<std::unique_ptr<Notifier>>& notifiers() const { return objects_.notifiers; }
  // Lets `ticks` host ticks (1/60 s) pass: each timer gets "AI Timer"/"AI Go" whenever
  // its period has elapsed since it was added or last went off. The first result other
  // than 0.
  host::Err AdvanceClock(std::int64_t ticks);
  std::int64_t clock() const { return clock_; }
  // Sends one "AI Timer"/"AI Go" for the timer `name` now, outside its period (a tick
  // that arrives while another is being handled). A name no timer has is a host failure.
  host::Err SendTimerTick(const std::string& name);
  // The application has finished starting: "AI Notifier"/"AI Notify" to every
  // subscriber of "AI Application Started Notifier".
  host::Err ApplicationStarted();
  // Sends a notification of `type` to its subscribers; the first result other than 0.
  host::Err Notify(const std::string& type, void* notifyData = nullptr);

  // ---- The host's preferences ("AI Preference Suite"), kept on drive C: ----
  HostPreferences& preferences() { return preferences_; }

  // ---- The action manager ("AI Action Manager Suite", action_manager.cpp) ----
  ActionManager& actions() { return actions_; }
  // Plays recorded events: "Action Manager"/"Do Action" with each one's values to the
  // plug-in that registered it. The first result other than 0 (kNotFoundErr for an
  // event no plug-in registered, which is skipped).
  host::Err PlayActions(const std::vector<RecordedEvent>& events);

  // ---- Host services ----
  SuiteRegistry& suites() { return registry_; }
  // The open document (the host starts with an empty one), or null when none is open.
  Document* document() { return document_.get(); }
  // Replaces the open document by `document` (null: no document is open).
  void SetDocument(std::unique_ptr<Document> document) { document_ = std::move(document); }
  // Replaces the open document by an empty one, as the host starts with.
  void NewDocument() {
    document_ = std::make_unique<Document>(parts_ ? parts_->textMetrics() : nullptr);
  }
  DialogManager& dialogs() { return parts_->dialogs(); }
  // The virtual desktop: screen, windows, drawing contexts, cursor position.
  Desktop& desktop() { return parts_->desktop(); }
  bool hasParts() const { return parts_ != nullptr; }
  const std::vector<Block>& liveBlocks() const { return blocks_; }
  // The first live block allocated under `name`, or null.
  void* FindBlock(const std::string& name) const;
  std::int32_t pluginOptions() const { return pluginOptions_; }
  int beepCount() const { return beeps_; }
  std::int32_t currentCursor() const { return cursor_; }
  const std::string& driveC() const { return driveC_; }
  // The application's program file as the runtime suite reports it (Windows form).
  const std::string& applicationPath() const { return applicationPath_; }
  // Also creates the application's folder on drive C:, as an installed host has it.
  void SetApplicationPath(std::string path);
  // The version text the runtime suite reports ("10.0 (stand-in)"); null when the host
  // reports none (SetAppVersion(nullptr)).
  const char* appVersion() const { return hasVersion_ ? version_.c_str() : nullptr; }
  void SetAppVersion(const char* version) {
    hasVersion_ = version != nullptr;
    version_ = version ? version : "";
  }

  // A failure of the host's own checks (a modal dialog nobody answered, a suite
  // operation misused). The default handler prints it and aborts; tests install one
  // that fails the test.
  void SetFailureHandler(std::function<void(const std::string&)> handler) {
    failure_ = std::move(handler);
  }
  void Fail(const std::string& what);

  // Used by the host's suite implementations.
  void* AllocateBlock(std::int32_t size, const char* name);
  bool FreeBlock(void* block);
  void SetPluginOptions(std::int32_t options) { pluginOptions_ = options; }
  void Beep() { ++beeps_; }
  void SetCursor(std::int32_t id) { cursor_ = id; }
  void* moduleHandle() const { return module_; }
  LifecycleObjects& lifecycleObjects() { return objects_; }

 private:
  void OfferSuites();
  void UnloadCode();

  std::string modulePath_;
  std::string driveC_;
  std::string applicationPath_ = "C:\\Program Files\\VELM Host\\Support Files\\Host.exe";
  std::string loadError_;
  std::string version_ = "10.0 (stand-in)";
  bool hasVersion_ = true;
  void* module_ = nullptr;
  bool inProcess_ = false;
  host::PluginMainProc pluginMain_ = nullptr;
  const velm::res::ResourceTable* resources_ = nullptr;
  void* globalsSlot_ = nullptr;

  SuiteRegistry registry_;
  std::unique_ptr<Document> document_;
  // The desktop and the dialog manager: gone before the document, as they were made after it.
  std::unique_ptr<HostParts> parts_;
  std::vector<std::string> messageLog_;
  LifecycleObjects objects_;
  std::int64_t clock_ = 0;
  HostPreferences preferences_;
  ActionManager actions_;
  std::vector<Block> blocks_;
  std::vector<std::unique_ptr<char[]>> blockStorage_;
  std::int32_t pluginOptions_ = 0;
  int beeps_ = 0;
  std::int32_t cursor_ = 0;
  std::function<void(const std::string&)> failure_;

  HostSuites suites_;
};

// Converts Shift-JIS bytes to UTF-8 (for printing and checks); "?" for bytes that are
// not Shift-JIS.
std::string ToUtf8(const std::string& sjis);
std::string ToSjis(const std::string& utf8);

}  // namespace hostsim
