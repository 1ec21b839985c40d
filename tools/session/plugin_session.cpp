#include "plugin_session.h"

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <system_error>

#include "capture/art_tree_writer.h"
#include "capture/capture_context.h"
#include "commands/commands.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/record_index.h"
#include "database/trash.h"
#include "entry/plugin_main.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"
#include "placement/art_loader.h"
#include "placement/preview.h"
#include "placement/snapping.h"
#include "platform/sjis_forms.h"
#include "resources/resource_table.h"

namespace velmsession {
namespace fs = std::filesystem;

namespace {

constexpr char kApplicationPath[] = "C:\\velm\\Support Files\\Host.exe";

constexpr char kTempPrefix[] = "velm-session-";

// The temporary drive folders of this process's open sessions, in plain buffers so that
// a signal handler can remove them with calls that are safe there (unlink, rmdir): the
// paths in removal order, files first. Whatever a signal leaves is removed by the next
// session's start, which cleans the folders of processes that no longer run.
constexpr int kSlots = 8;
constexpr int kPathsPerSlot = 8;
struct TempSlot {
  char paths[kPathsPerSlot][1024];
  bool used;
};
TempSlot gSlots[kSlots];
struct sigaction gPrevious[2];
constexpr int kSignals[2] = {SIGINT, SIGTERM};

void RemoveSlot(TempSlot& slot) {
  for (auto& path : slot.paths) {
    if (!path[0]) continue;
    if (::unlink(path) != 0) ::rmdir(path);
  }
}

void OnSignal(int signal) {
  for (TempSlot& slot : gSlots)
    if (slot.used) RemoveSlot(slot);
  for (int i = 0; i < 2; ++i) {
    if (kSignals[i] != signal) continue;
    const auto previous = gPrevious[i].sa_handler;
    if (previous != SIG_DFL && previous != SIG_IGN && previous != SIG_ERR && previous != nullptr &&
        !(gPrevious[i].sa_flags & SA_SIGINFO)) {
      previous(signal);
      return;
    }
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void InstallSignalHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int i = 0; i < 2; ++i) {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(kSignals[i], &action, &gPrevious[i]);
  }
}

int TakeSlot(const fs::path& driveC, const fs::path& link, bool singleFile) {
  for (int i = 0; i < kSlots; ++i) {
    if (gSlots[i].used) continue;
    TempSlot slot{};
    const fs::path velm = driveC / "velm";
    const fs::path list[kPathsPerSlot] = {link,
                                          singleFile ? velm / "VELM" / "VELM.LCK" : fs::path(),
                                          singleFile ? velm / "VELM" : fs::path(),
                                          velm / "Prefs" / "VELM-Pro.ini",
                                          velm / "Prefs",
                                          velm,
                                          driveC,
                                          fs::path()};
    for (int k = 0; k < kPathsPerSlot; ++k) {
      const std::string text = list[k].string();
      if (text.size() >= sizeof slot.paths[k]) return -1;
      std::memcpy(slot.paths[k], text.c_str(), text.size() + 1);
    }
    slot.used = true;
    gSlots[i] = slot;
    return i;
  }
  return -1;
}

// Removes the temporary folders that sessions of processes no longer running left behind
// (killed before they could clean up). The process id is part of the folder's name.
int CountArt(const hostsim::Art* art) {
  int count = 1;
  for (const hostsim::Art* child : art->children)
    count += CountArt(child);
  return count;
}

int CountLayerArt(hostsim::Document& document) {
  int count = 0;
  for (const hostsim::Layer* layer : document.layers())
    for (const hostsim::Art* art : layer->group->children)
      count += CountArt(art);
  return count;
}

}  // namespace

void RemoveStaleTempFolders(const fs::path& temp, const std::string& prefix) {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(temp, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    const std::string rest = name.substr(prefix.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || rest.find_first_not_of("0123456789") != dash)
      continue;
    const long pid = std::strtol(rest.substr(0, dash).c_str(), nullptr, 10);
    if (pid <= 0 || pid == static_cast<long>(::getpid())) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    std::error_code ignored;
    fs::remove_all(entry.path(), ignored);  // links are removed, never followed
  }
}

bool ToSjisField(const std::string& utf8, std::size_t size, std::string* sjis) {
  *sjis = hostsim::ToSjis(utf8);
  return sjis->size() < size && hostsim::ToUtf8(*sjis) == velm::platform::ToWindowsForms(utf8);
}

std::unique_ptr<PluginSession> PluginSession::Open(const fs::path& library, bool singleFile,
                                                   std::string* error, const fs::path& driveC) {
  std::unique_ptr<PluginSession> session(new PluginSession);
  std::error_code ec;
  const fs::path target = fs::absolute(library, ec);
  if (singleFile) {
    if (!fs::is_regular_file(target, ec)) {
      *error = library.string() + " is not a group file";
      return nullptr;
    }
    std::string name = target.filename().string();
    if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".VEL") != 0 ||
        !ToSjisField(name.substr(0, name.size() - 4), 64, &session->singleGroup_) ||
        !velm::IsValidGroupName(session->singleGroup_.c_str())) {
      *error = library.string() + ": a group file's name is the group's name and \".VEL\"";
      return nullptr;
    }
  } else {
    fs::create_directories(target, ec);
    if (!fs::is_directory(target, ec)) {
      *error = "cannot use " + library.string() + " as the library folder";
      return nullptr;
    }
  }

  if (!driveC.empty() && !singleFile) {
    // A drive C: that lasts: the host's settings and the plug-in's preferences stay in it
    // from one run to the next; only the link to the library is made anew.
    session->driveC_ = fs::absolute(driveC, ec);
    session->keepDriveC_ = true;
    const fs::path link = session->driveC_ / "velm" / "VELM";
    fs::create_directories(link.parent_path(), ec);
    std::error_code absent;
    const fs::file_type there = fs::symlink_status(link, absent).type();
    if (there == fs::file_type::symlink) {
      fs::remove(link, ec);
    } else if (there != fs::file_type::not_found) {
      *error = link.string() + " is a folder of its own, not a link to a library: not replaced";
      return nullptr;
    }
    if (!ec) fs::create_directory_symlink(target, link, ec);
    if (ec) {
      *error = "cannot use " + driveC.string() + " as the host's drive C:: " + ec.message();
      return nullptr;
    }
    if (!session->Start(error)) return nullptr;
    return session;
  }

  const fs::path temp = fs::temp_directory_path(ec);
  if (ec) {
    *error = "no usable temporary folder for the host's drive C:: " + ec.message();
    return nullptr;
  }
  RemoveStaleTempFolders(temp, kTempPrefix);
  InstallSignalHandlers();
  std::string pattern = (temp / (kTempPrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) {
    *error = "cannot make a temporary folder for the host's drive C: in " + temp.string();
    return nullptr;
  }
  session->driveC_ = pattern;
  const fs::path velmFolder = session->driveC_ / "velm" / "VELM";
  session->tempSlot_ = TakeSlot(
      session->driveC_, singleFile ? velmFolder / target.filename() : velmFolder, singleFile);
  if (singleFile) {
    fs::create_directories(velmFolder, ec);
    if (!ec) fs::create_symlink(target, velmFolder / target.filename(), ec);
  } else {
    fs::create_directories(velmFolder.parent_path(), ec);
    if (!ec) fs::create_directory_symlink(target, velmFolder, ec);
  }
  if (ec) {
    *error = "cannot link the library into the host's drive C:: " + ec.message();
    return nullptr;
  }
  if (!session->Start(error)) return nullptr;
  return session;
}

namespace {

std::string& ModulePath() {
  static std::string path;
  return path;
}

// False with a message when the plug-in is a loaded module: the call reaches into it.
bool NeedsLinkedIn(const char* what, std::string* error) {
  if (PluginSession::LinkedIn()) return true;
  *error = std::string(what) + " needs the plug-in linked into this program, not a module";
  return false;
}

// The entry point of the plug-in linked into this program, as the host calls it.
host::Err VELM_HOSTCALL LinkedPluginMain(const char* caller, const char* selector, void* message) {
  return velm::PluginMainImpl(caller, selector, message);
}

}  // namespace

void PluginSession::UseModule(const std::string& path) {
  ModulePath() = path;
}

bool PluginSession::LinkedIn() {
  return ModulePath().empty();
}

bool PluginSession::Start(std::string* error) {
  host_ = std::make_unique<hostsim::Host>(ModulePath(), driveC_.string());
  // A host failure is a fault of the plug-in or of the host, never of the user's input:
  // it is shown, and the operation that met it fails.
  host_->SetFailureHandler([this](const std::string& what) {
    std::fprintf(stderr, "stand-in host: %s\n", what.c_str());
    ++hostFailures_;
  });
  host_->SetApplicationPath(kApplicationPath);
  if (LinkedIn()) {
    host_->UseInProcessPlugin(LinkedPluginMain, &velm::res::Resources());
  } else if (!host_->LoadModule()) {
    *error = "the plug-in module cannot be loaded: " + host_->loadError();
    return false;
  }
  if (host::Err err = host_->Startup()) {
    *error = "the plug-in did not start (" + std::to_string(err) + ")";
    return false;
  }
  started_ = true;
  message_ = host_->NewMessage();
  if (!LinkedIn()) return true;
  if (host::Err err = velm::AcquireSuites(message_.basic)) {
    *error = "the plug-in's suites cannot be acquired (" + std::to_string(err) + ")";
    return false;
  }
  suitesHeld_ = true;
  return true;
}

void PluginSession::Stop() {
  if (host_) {
    if (suitesHeld_) velm::ReleaseSuites(message_.basic);
    if (started_) host_->Shutdown();
    host_.reset();
  }
  // The host unloads a plug-in that has shut down, and its statics go with it: the
  // suites the palette kept for its callbacks belonged to the host that has gone.
  velm::suiteNesting = 0;
  suitesHeld_ = false;
  started_ = false;
}

PluginSession::~PluginSession() {
  Stop();
  std::error_code ignored;
  if (!driveC_.empty() && !keepDriveC_) fs::remove_all(driveC_, ignored);
  if (tempSlot_ >= 0) gSlots[tempSlot_].used = false;
}

void PluginSession::StartApplication() {
  host_->ApplicationStarted();
}

void PluginSession::Tick(std::int32_t periods) {
  constexpr std::int64_t kPaletteTimerPeriod = 30;
  host_->AdvanceClock(kPaletteTimerPeriod * periods);
}

bool PluginSession::ChooseMenuItem(const std::string& name) {
  if (!host_->FindMenuItem(name)) return false;
  host_->ChooseMenuItem(name);
  host_->UpdateMenus();
  return true;
}

bool PluginSession::Restart(std::string* error) {
  Stop();
  return Start(error);
}

bool PluginSession::OpenScene(const std::string& path, std::string* error) {
  return hostsim::OpenSceneFile(*host_, path, error);
}

std::int32_t PluginSession::RecordCount(const std::string& group) {
  std::string sjis;
  if (!ToSjisField(group, 64, &sjis) || !velm::IsValidGroupName(sjis.c_str())) return -1;
  return velm::GroupRecordCount(sjis.c_str());
}

bool PluginSession::RestoreLatestRemoval(std::string* what, std::string* error) {
  if (!NeedsLinkedIn("restoring from the trash", error)) return false;
  // What the most recent restorable entry is, to name it afterwards.
  std::vector<velm::TrashEntry> entries;
  if (velm::ListTrash(&entries) != host::kNoErr) {
    *error = "the library's trash cannot be read";
    return false;
  }
  const velm::TrashEntry* latest = nullptr;
  for (const velm::TrashEntry& e : entries)
    if (e.kind != velm::TrashKind::kForeign && !e.damaged) {
      latest = &e;
      break;
    }
  if (!latest) {
    *error = "nothing removed to restore";
    return false;
  }
  const velm::TrashEntry entry = *latest;
  velm::RestoredArt restored;
  const host::Err err = velm::RestoreTrashEntry(entry.file.c_str(), nullptr, &restored);
  const std::string group = hostsim::ToUtf8(restored.group.empty() ? entry.group : restored.group);
  if (err == velm::kGroupExistsErr) {
    *error = "not restored: a group " + group + " was made since (velm trash restore --as NAME)";
    return false;
  }
  if (err != host::kNoErr) {
    *error = "not restored: the library could not be written (error " + std::to_string(err) + ")";
    return false;
  }
  const auto count = [](std::int32_t n) {
    return std::to_string(n) + (n == 1 ? " record" : " records");
  };
  if (entry.kind == velm::TrashKind::kGroup)
    *what = "restored group " + group + " (" + count(entry.records) + ")";
  else
    *what = "restored \"" + hostsim::ToUtf8(entry.firstRecord) + "\" to " + group;
  return true;
}

PaletteState PluginSession::Palette() const {
  PaletteState state;
  const velm::Globals* g = velm::gGlobals;
  if (!g) return state;
  const auto text = [](const char(&field)[64]) {
    return hostsim::ToUtf8(std::string(field, strnlen(field, sizeof field)));
  };
  state.dialog = g->palette;
  state.group = text(g->currentGroup);
  state.searchResults = g->searchMode != 0;
  const velm::RIHItem* items = velm::RIHItems(g->RIHList);
  for (std::int32_t i = 0; items && i < velm::RIHCount(g->RIHList); ++i)
    state.entries.push_back({text(items[i].group), items[i].recordNumber, text(items[i].name),
                             text(items[i].kind), items[i].created});
  return state;
}

std::int16_t PluginSession::lastSnapKind() const {
  return velm::gGlobals ? velm::gGlobals->lastSnapKind : -1;
}

static std::string WriteFailure(host::Err err) {
  switch (err) {
    case velm::kGroupNeedsRepairErr:
      return "the group needs repair (whole records follow the counted ones)";
    case velm::kGroupBusyErr:
      return "another program kept the group locked";
    default:
      return "error " + std::to_string(err);
  }
}

bool PluginSession::Capture(const std::string& group, const RecordTexts& texts,
                            std::int32_t* recordNumber, std::int32_t* objects, std::string* error,
                            const CaptureCheck& check) {
  if (!NeedsLinkedIn("a capture outside the palette", error)) return false;
  // Only a failure during this capture is its own: an earlier one belongs to what met it.
  const int failuresBefore = hostFailures_;
  captureLosses_.clear();
  std::string sjisGroup;
  if (!ToSjisField(group, 64, &sjisGroup)) {
    *error = "\"" + group + "\" cannot be a group name";
    return false;
  }
  if (sjisGroup == velm::kSearchResultsGroup) {
    *error = "\"" + group + "\" holds search results and cannot be written to";
    return false;
  }
  if (!velm::IsValidGroupName(sjisGroup.c_str())) {
    *error = "\"" + group + "\" cannot be a group name";
    return false;
  }
  // As the palette's add button, which stays disabled: a capture of nothing would store
  // a record without art.
  if (!velm::HasCapturableSelection()) {
    *error =
        "no art that can be captured is selected (paths that are not guides, compound "
        "paths, text, rasters, meshes or plug-in art); nothing was written";
    return false;
  }
  const host::Err captured = velm::VelmPostArt();
  for (int k = 0; k < static_cast<int>(velm::CaptureLoss::kCount); ++k) {
    const auto kind = static_cast<velm::CaptureLoss>(k);
    if (const std::int32_t count = velm::CaptureLossCount(kind))
      captureLosses_.push_back(std::string("not held by the record: ") +
                               velm::CaptureLossName(kind) + " (" + std::to_string(count) + ")");
  }
  velm::Globals* g = velm::gGlobals;
  if (captured != host::kNoErr || !g->currentRecord) {
    *error = "the capture failed (" + std::to_string(captured) + ")";
    return false;
  }
  velm::Record* header = velm::RecordHeader(g->currentRecord);
  const struct {
    const std::string& text;
    char* field;
    std::size_t size;
    const char* what;
  } fields[] = {{texts.name, header->name, sizeof header->name, "name"},
                {texts.kind, header->kind, sizeof header->kind, "kind"},
                {texts.comment, header->comment, sizeof header->comment, "comment"}};
  for (const auto& f : fields) {
    std::string sjis;
    if (!ToSjisField(f.text, f.size, &sjis)) {
      *error = std::string("the ") + f.what + " does not fit its " + std::to_string(f.size - 1) +
               " bytes in Shift-JIS";
      return false;
    }
    std::memcpy(f.field, sjis.c_str(), sjis.size() + 1);
  }
  *objects = header->objectCount;
  if (check && !check(g->currentRecord)) {
    *recordNumber = -1;
    error->clear();
    return false;
  }
  // The write itself says whether the record was written and where: the count may move
  // under other writers of the same group at the same time.
  const host::Err written = velm::WriteGroupRecord(sjisGroup.c_str(), -1);
  if (written != host::kNoErr) {
    *error = "the record was not written to " + group + ": " + WriteFailure(written);
    return false;
  }
  *recordNumber = g->currentRecordIndex;
  if (hostFailures_ != failuresBefore) {
    *error = "the stand-in host reported a failure during the capture";
    return false;
  }
  return true;
}

bool PluginSession::Prepare(const std::string& group, std::int32_t record,
                            const PlaceOptions& options, std::string* sjisGroup,
                            std::string* error) {
  if (!NeedsLinkedIn("a placement outside the palette", error)) return false;
  if (!ToSjisField(group, 64, sjisGroup) || !velm::IsValidGroupName(sjisGroup->c_str())) {
    *error = "\"" + group + "\" cannot be a group name";
    return false;
  }
  const std::int32_t count = velm::GroupRecordCount(sjisGroup->c_str());
  if (record < 0 || record >= count) {
    *error = group + " has no record " + std::to_string(record) + " (it holds " +
             std::to_string(count) + ", numbered from 0)";
    return false;
  }
  if (options.originMode < 0 || options.originMode > 8) {
    *error = "the origin mode is 0 … 8";
    return false;
  }
  velm::Globals* g = velm::gGlobals;
  g->originMode = options.originMode;
  g->flUseFcur = options.snapAnchor;
  g->flUseFcrs = options.snapIntersection;
  g->flUseFops = options.snapPath;
  g->flUseGrid = options.snapGrid;
  g->flGrWidth = options.gridWidth;
  g->flGrHeight = options.gridHeight;
  return true;
}

namespace {

// Why a placement made no art, from the loader's status and the record it left current.
std::string NoArtCause(host::Err status, bool beeped) {
  const velm::os::MemHandle current = velm::gGlobals->currentRecord;
  if (!current) {
    return status == velm::kDamagedGroupErr
               ? ": the record cannot be read (its group file is damaged; velm verify names "
                 "the damage)"
               : ": the record could not be read (status " + std::to_string(status) + ")";
  }
  if (beeped)
    return " (the plug-in beeped: the current layer is hidden or locked, or the record's art "
           "is damaged)";
  if (velm::RecordHeader(current)->objectCount == 0) return " (it holds no art)";
  return " (its " + std::to_string(velm::RecordHeader(current)->objectCount) +
         " art objects made nothing; status " + std::to_string(status) + ")";
}

}  // namespace

bool PluginSession::Drop(const std::string& group, const std::string& sjisGroup,
                         std::int32_t record, PlaceResult* result, std::string* error) {
  hostsim::Document& doc = document();
  const int artBefore = CountLayerArt(doc);
  const int beepsBefore = host_->beepCount();
  // The drop arrives outside any host message here, so the step is opened as the host
  // opens one for each message.
  doc.BeginUndoStep();
  const host::Err status = velm::VelmLoadArt(sjisGroup.c_str(), record);
  doc.BeginUndoStep();
  if (hostFailures_ != 0) {
    *error = "the stand-in host reported a failure while the art was placed";
    return false;
  }
  result->createdArt = CountLayerArt(doc) - artBefore;
  result->beeps = host_->beepCount() - beepsBefore;
  // A placement that ended early is a failure even when it made some art: the document
  // holds only part of the record.
  if (status != host::kNoErr && result->createdArt != 0) {
    *error = group + ": record " + std::to_string(record) + " was placed only in part (" +
             std::to_string(result->createdArt) + " art objects, status " + std::to_string(status) +
             (result->beeps ? ", the plug-in beeped" : "") +
             "): the record's art is damaged or the host refused part of it";
    return false;
  }
  if (result->createdArt == 0) {
    *error = group + ": record " + std::to_string(record) + " put no art into the document" +
             NoArtCause(status, result->beeps != 0);
    return false;
  }
  return true;
}

bool PluginSession::Place(const std::string& group, std::int32_t record,
                          const PlaceOptions& options, PlaceResult* result, std::string* error) {
  std::string sjisGroup;
  if (!Prepare(group, record, options, &sjisGroup, error)) return false;
  host::RealPoint point = options.at;
  result->snapKind = velm::SnapPlacementPoint(&point);
  velm::gGlobals->dropPoint = point;
  result->dropPoint = point;
  return Drop(group, sjisGroup, record, result, error);
}

bool PluginSession::Drag(const std::string& group, std::int32_t record,
                         const std::vector<host::RealPoint>& path, const PlaceOptions& options,
                         const std::string& screenshot, DragResult* result, std::string* error) {
  std::string sjisGroup;
  if (!Prepare(group, record, options, &sjisGroup, error)) return false;
  hostsim::Document& doc = document();
  hostsim::Desktop& desktop = host_->desktop();
  const hostsim::Window* window = desktop.documentWindow();
  if (path.empty() || doc.views().empty() || !window) {
    *error = "a drag needs a path and a document window";
    return false;
  }
  // The drag starts as the palette's tracker starts it.
  velm::Globals* g = velm::gGlobals;
  g->dropPoint = {velm::kNoDropPoint, velm::kNoDropPoint};
  g->lastSnapKind = -1;
  g->previewShown = 0;
  desktop.Repaint(&doc);

  const hostsim::View& view = *doc.views().front();
  for (const host::RealPoint& p : path) {
    const host::Point client = view.ToView(p);
    const host::Point screen{window->client.left + client.h, window->client.top + client.v};
    desktop.SetCursorPosition(screen);
    velm::VelmDrawArt(screen.h, screen.v, sjisGroup.c_str(), record);
  }
  result->outlineShown = g->previewShown != 0;
  result->snapKind = g->lastSnapKind;
  result->cursor = host_->currentCursor();
  if (!screenshot.empty() && !desktop.screen().WritePng(screenshot, error)) return false;
  // Off the document: the outline goes, and the art is dropped at the last snapped point.
  velm::VelmDrawArt(velm::kEraseCoordinate, velm::kEraseCoordinate, sjisGroup.c_str(), record);
  result->erased = g->previewShown == 0;
  result->dropPoint = g->dropPoint;
  if (g->dropPoint.h == velm::kNoDropPoint) {
    *error = "the drag never reached the document window";
    return false;
  }
  return Drop(group, sjisGroup, record, result, error);
}

}  // namespace velmsession
