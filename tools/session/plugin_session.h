// A session with the plug-in outside the real host: the plug-in linked into this program,
// started in a stand-in host whose database folder is a library folder of the user's (or
// one group file), so that programs can capture art into records and place records into
// documents with exactly the code the designer's add button and drop run.
//
// The database finds its files through the host's application path: the session reports
// "C:\velm\Support Files\Host.exe" and drive C: is a temporary folder in which
// "velm/VELM" is a symbolic link to the library folder (for one group file, a folder
// holding a link to that file). The temporary folder goes with the session.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/errors.h"
#include "host/types.h"
#include "hostsim/host.h"
#include "platform/os.h"

namespace velmsession {

// The texts of a new record, UTF-8.
struct RecordTexts {
  std::string name;
  std::string kind;
  std::string comment;
};

// Where and how a record is put into the document.
struct PlaceOptions {
  host::RealPoint at{0, 0};
  // Which point of the art's bounds lands on `at`, 0 … 8 (2: bottom left).
  std::int16_t originMode = 2;
  // Snapping of `at` before the art is placed, as a drag over the document snaps it.
  bool snapAnchor = false;
  bool snapIntersection = false;
  bool snapPath = false;
  bool snapGrid = false;
  float gridWidth = 0;
  float gridHeight = 0;
};

struct PlaceResult {
  host::RealPoint dropPoint{0, 0};
  // 0 none, 1 grid, 2 anchor point, 3 intersection, 4 on path.
  std::int16_t snapKind = 0;
  // Art objects created in the document (everything in the layers that was not there).
  std::int32_t createdArt = 0;
  std::int32_t beeps = 0;
};

// One record as the palette lists it, UTF-8 (among search results too, its own group).
struct PaletteEntry {
  std::string group;
  std::int32_t record = 0;
  std::string name;
  std::string kind;
  std::uint32_t created = 0;
};

// What the palette shows: for a program that tells its user what an action changed.
struct PaletteState {
  // The palette's dialog: another one once the palette was rebuilt (after a search, a new
  // view, a new or removed group); null before it exists.
  const void* dialog = nullptr;
  std::string group;  // the current group, UTF-8
  bool searchResults = false;
  std::vector<PaletteEntry> entries;  // in the list's order
};

struct DragResult : PlaceResult {
  // After the last position: whether an outline was on the screen, and the plug-in's
  // cursor (its resource id); after the drop: whether the outline had gone.
  bool outlineShown = false;
  std::int32_t cursor = 0;
  bool erased = false;
};

// One session at a time: the plug-in's state (its globals block, its suites) belongs to
// the whole process, so a session must end before the next one opens.
class PluginSession {
 public:
  // `library`: a folder of group files (created when missing) or, with `singleFile`, one
  // group file. Null with a message when it cannot be used or the plug-in does not start.
  // The host's drive C: is a temporary folder, gone with the session, unless `driveC`
  // names a folder that lasts (a folder library only): its settings are then kept there.
  static std::unique_ptr<PluginSession> Open(const std::filesystem::path& library, bool singleFile,
                                             std::string* error,
                                             const std::filesystem::path& driveC = {});
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  // Sessions opened from now on load the plug-in as a module (the Linux module, or, in the
  // host built for it, the Windows module under wine) instead of running the one linked
  // into this program; empty: the linked one. A module is driven through the host alone:
  // the record-level calls (Capture, Place, Drag, RestoreLatestRemoval) need the linked one.
  static void UseModule(const std::string& path);
  // True when the plug-in is the one linked into this program.
  static bool LinkedIn();
  PluginSession& operator=(const PluginSession&) = delete;

  hostsim::Host& host() { return *host_; }
  hostsim::Document& document() { return *host_->document(); }
  // The group of a one-file session (Shift-JIS): the file's name without ".VEL".
  const std::string& singleGroup() const { return singleGroup_; }

  // The host reports that the application has started (the palette appears).
  void StartApplication();
  // Lets `periods` periods of the palette's timer pass.
  void Tick(std::int32_t periods);
  // Chooses the host menu item `name`, then lets the host update its menus; false when
  // there is no such item.
  bool ChooseMenuItem(const std::string& name);
  // Shuts the plug-in down and starts a new host on the same drive C: (its preferences
  // kept); the new host's document is empty.
  bool Restart(std::string* error);
  // Failures the stand-in host has reported so far.
  int hostFailures() const { return hostFailures_; }

  // Makes the scene the open document; false with a message when it cannot be read.
  bool OpenScene(const std::string& path, std::string* error);

  // Captures the document's selected art and appends it to `group` (UTF-8) as a new
  // record. On success *recordNumber is its number and *objects its object count;
  // refused, writing nothing, when no capturable art is selected. A failure the stand-in
  // host reports during the capture fails it, even when the record was written
  // (*recordNumber says so then); failures reported before it do not.
  // `check`, when given, sees the captured record (expanded, in host order, its texts
  // set; it must not change it) before it is written: false keeps it from being written,
  // and the capture then returns false with *recordNumber -1 and *error empty.
  using CaptureCheck = std::function<bool(velm::os::MemHandle record)>;
  bool Capture(const std::string& group, const RecordTexts& texts, std::int32_t* recordNumber,
               std::int32_t* objects, std::string* error, const CaptureCheck& check = nullptr);
  // What the art of the last capture's record lacks of what the host draws, one line per
  // kind with its count ("not held by the record: group opacity (2)"); empty when it
  // lacks nothing or no art was captured.
  const std::vector<std::string>& captureLosses() const { return captureLosses_; }

  // Puts the most recent removal kept in the library's trash back (a whole group, or a
  // record at the end of its group, as it was); *what says what came back ('restored
  // group 天気 (10 records)', 'restored "月" to 天気'). False with *error ("nothing
  // removed to restore", a group of that name made since, ...) when nothing changed.
  bool RestoreLatestRemoval(std::string* what, std::string* error);

  // The number of records of `group` (UTF-8); -1 when the name cannot be a group.
  std::int32_t RecordCount(const std::string& group);
  // The palette's group and entries as the plug-in holds them now.
  PaletteState Palette() const;
  // The snap a drag from the palette applied at its last position: as
  // PlaceResult::snapKind, -1 before the first position.
  std::int16_t lastSnapKind() const;

  // Places record `record` of `group` (UTF-8) into the open document, as one undoable
  // step. False with a message when the group or record does not exist, holds no art, or
  // was placed only in part (the loader ended early; the partial art stays in the
  // document).
  bool Place(const std::string& group, std::int32_t record, const PlaceOptions& options,
             PlaceResult* result, std::string* error);

  // Drags record `record` of `group` over the document window through the artwork points
  // of `path`, as the palette's tracker does: the preview follows each point (snapping it
  // as `options` say, `options.at` unused) and draws the record's outline inverted on the
  // virtual screen; `screenshot` (when not empty) receives the screen at the last point;
  // then the outline is erased and the record dropped at the last snapped point.
  bool Drag(const std::string& group, std::int32_t record, const std::vector<host::RealPoint>& path,
            const PlaceOptions& options, const std::string& screenshot, DragResult* result,
            std::string* error);

 private:
  PluginSession() = default;
  bool Start(std::string* error);
  void Stop();
  // Checks the group, record and origin mode and sets the placement settings.
  bool Prepare(const std::string& group, std::int32_t record, const PlaceOptions& options,
               std::string* sjisGroup, std::string* error);
  // Places the record at dropPoint as one undoable step.
  bool Drop(const std::string& group, const std::string& sjisGroup, std::int32_t record,
            PlaceResult* result, std::string* error);

  std::filesystem::path driveC_;
  bool keepDriveC_ = false;  // a drive C: that lasts beyond the session
  int tempSlot_ = -1;        // where a signal handler finds the folder to remove
  std::string singleGroup_;
  std::unique_ptr<hostsim::Host> host_;
  host::MessageData message_{};
  bool suitesHeld_ = false;
  bool started_ = false;
  int hostFailures_ = 0;
  std::vector<std::string> captureLosses_;
};

// Shift-JIS form of a UTF-8 text that must fit a field of `size` bytes with its NUL;
// false when it does not fit or has no Shift-JIS form.
bool ToSjisField(const std::string& utf8, std::size_t size, std::string* sjis);

// Removes the folders in `temp` named "<prefix><process id>-…" whose process no longer runs
// (what a killed program left behind); links in them are removed, never followed.
void RemoveStaleTempFolders(const std::filesystem::path& temp, const std::string& prefix);

}  // namespace velmsession
