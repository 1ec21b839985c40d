#include "hostsim/core/host.h"

#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "hostsim/core/document_suites.h"
#include "hostsim/core/module_loader.h"
#include "platform/sjis_forms.h"

namespace hostsim {
namespace {

Host* gCurrent = nullptr;

Host& H() {
  return *gCurrent;
}

// ---- Basic suite ----

host::Err VELM_HOSTCALL BasicAcquire(const char* name, std::int32_t version, const void** suite) {
  return H().suites().Acquire(name, version, suite);
}
host::Err VELM_HOSTCALL BasicRelease(const char* name, std::int32_t version) {
  return H().suites().Release(name, version);
}
host::Boolean VELM_HOSTCALL BasicIsEqual(const char* a, const char* b) {
  return a && b && std::strcmp(a, b) == 0;
}

// ---- SP Blocks Suite ----

host::Err VELM_HOSTCALL BlocksAllocate(std::int32_t size, const char* name, void** block) {
  if (host::Err e = H().suites().Check(host::BlocksSuite::kName, "AllocateBlock")) return e;
  if (!block || size < 0) return host::kBadParameterErr;
  *block = H().AllocateBlock(size, name ? name : "");
  return *block ? host::kNoErr : host::kOutOfMemoryErr;
}
host::Err VELM_HOSTCALL BlocksFree(void* block) {
  if (host::Err e = H().suites().Check(host::BlocksSuite::kName, "FreeBlock")) return e;
  return H().FreeBlock(block) ? host::kNoErr : host::kBadParameterErr;
}

// ---- SP Access Suite ----

host::Err VELM_HOSTCALL GetPluginAccess(host::PluginRef plugin, host::AccessRef* access) {
  if (host::Err e = H().suites().Check(host::AccessSuite::kName, "GetPluginAccess")) return e;
  if (!access || !plugin) return host::kBadParameterErr;
  *access = reinterpret_cast<host::AccessRef>(plugin);
  return host::kNoErr;
}
host::Err VELM_HOSTCALL GetAccessInfo(host::AccessRef access, host::ModuleInstance* instance) {
  if (host::Err e = H().suites().Check(host::AccessSuite::kName, "GetAccessInfo")) return e;
  if (!access || !instance) return host::kBadParameterErr;
  *instance = static_cast<host::ModuleInstance>(H().moduleHandle());
  return host::kNoErr;
}

// ---- AI Plugin Suite ----

host::Err VELM_HOSTCALL GetPluginOptions(host::PluginRef plugin, std::int32_t* options) {
  if (host::Err e = H().suites().Check(host::PluginSuite::kName, "GetPluginOptions")) return e;
  if (!plugin || !options) return host::kBadParameterErr;
  *options = H().pluginOptions();
  return host::kNoErr;
}
host::Err VELM_HOSTCALL PluginSetOptions(host::PluginRef plugin, std::int32_t options) {
  if (host::Err e = H().suites().Check(host::PluginSuite::kName, "SetPluginOptions")) return e;
  if (!plugin) return host::kBadParameterErr;
  H().SetPluginOptions(options);
  return host::kNoErr;
}

// ---- AI User Suite ----

host::Err VELM_HOSTCALL StringToNumber(const unsigned char* text, host::Real* value) {
  if (host::Err e = H().suites().Check(host::UserSuite::kName, "StringToNumber")) return e;
  if (!text || !value) return host::kBadParameterErr;
  char buffer[256];
  std::memcpy(buffer, text + 1, text[0]);
  buffer[text[0]] = '\0';
  char* end = nullptr;
  const double v = std::strtod(buffer, &end);
  if (end == buffer) return host::kBadParameterErr;
  *value = static_cast<host::Real>(v);
  return host::kNoErr;
}
host::Err VELM_HOSTCALL NumberToString(host::Real value, std::int16_t decimals,
                                       unsigned char* text) {
  if (host::Err e = H().suites().Check(host::UserSuite::kName, "NumberToString")) return e;
  if (!text || decimals < 0 || decimals > 10) return host::kBadParameterErr;
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, static_cast<double>(value));
  if (n < 0 || n > 255) return host::kBadParameterErr;
  text[0] = static_cast<unsigned char>(n);
  std::memcpy(text + 1, buffer, static_cast<std::size_t>(n));
  return host::kNoErr;
}

// ---- AI Runtime Suite ----

host::Err VELM_HOSTCALL GetAppFilePath(char* path, std::int32_t maxLength) {
  if (host::Err e = H().suites().Check(host::RuntimeSuite::kName, "GetAppFilePath")) return e;
  const std::string& p = H().applicationPath();
  if (!path || maxLength <= 0 || p.size() + 1 > static_cast<std::size_t>(maxLength))
    return host::kBadParameterErr;
  std::memcpy(path, p.c_str(), p.size() + 1);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetAppVersion(const char** version) {
  if (host::Err e = H().suites().Check(host::RuntimeSuite::kName, "GetAppVersion")) return e;
  if (!version) return host::kBadParameterErr;
  *version = H().appVersion();
  return host::kNoErr;
}

// ---- VELM Platform Suite (the virtual desktop's clock, beep, cursor, drives) ----

host::Boolean VELM_HOSTCALL GetDriveRoot(char letter, char* folder, std::int32_t maxLength) {
  if (letter != 'C' || !folder || maxLength <= 0) return false;
  const std::string& root = H().driveC();
  if (root.empty() || root.size() + 1 > static_cast<std::size_t>(maxLength)) return false;
  std::memcpy(folder, root.c_str(), root.size() + 1);
  return true;
}
host::Boolean VELM_HOSTCALL PlatformLocalTime(velm::os::SystemTime*) {
  return false;
}
host::Boolean VELM_HOSTCALL PlatformTickCount(std::uint32_t*) {
  return false;
}
void VELM_HOSTCALL PlatformBeep() {
  H().Beep();
}
void VELM_HOSTCALL PlatformSetCursor(std::int32_t id) {
  H().SetCursor(id);
}

std::string Convert(const char* from, const char* to, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return in;
  std::string out;
  out.resize(in.size() * 4 + 8);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) break;
    // Skip a byte that cannot be converted.
    ++src;
    --srcLeft;
    if (dstLeft > 0) {
      *dst++ = '?';
      --dstLeft;
    }
  }
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

}  // namespace

std::string ToUtf8(const std::string& sjis) {
  return Convert("CP932", "UTF-8", sjis);
}
std::string ToSjis(const std::string& utf8) {
  return Convert("UTF-8", "CP932", velm::platform::ToWindowsForms(utf8));
}

SuiteRegistry& CurrentRegistry() {
  return gCurrent->suites();
}

Host::Host(std::string modulePath, std::string driveC, std::unique_ptr<HostParts> parts)
    : modulePath_(std::move(modulePath)),
      driveC_(std::move(driveC)),
      document_(std::make_unique<Document>(parts ? parts->textMetrics() : nullptr)),
      parts_(std::move(parts)) {
  gCurrent = this;
  failure_ = [](const std::string& what) {
    std::fprintf(stderr, "stand-in host: %s\n", what.c_str());
    std::abort();
  };
  OfferSuites();
  SetApplicationPath(applicationPath_);
  MapModuleDriveC(driveC_);
  preferences_.Load(driveC_);
  actions_.Load(driveC_);
  if (parts_) parts_->Attach(*this);
}

void Host::SetApplicationPath(std::string path) {
  applicationPath_ = std::move(path);
  if (driveC_.empty() || applicationPath_.size() < 3 ||
      (applicationPath_[0] != 'C' && applicationPath_[0] != 'c'))
    return;
  std::string folder = applicationPath_.substr(3);
  const std::size_t last = folder.rfind('\\');
  folder = last == std::string::npos ? std::string() : folder.substr(0, last);
  std::replace(folder.begin(), folder.end(), '\\', '/');
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(driveC_) / ToUtf8(folder), ec);
}

Host::~Host() {
  UnloadCode();
  if (gCurrent == this) gCurrent = nullptr;
}

Host* Host::Current() {
  return gCurrent;
}

void Host::Fail(const std::string& what) {
  failure_(what);
}

void Host::OfferSuites() {
  suites_.basic_.AcquireSuite = BasicAcquire;
  suites_.basic_.ReleaseSuite = BasicRelease;
  suites_.basic_.IsEqual = BasicIsEqual;

  suites_.sBlocks_.AllocateBlock = BlocksAllocate;
  suites_.sBlocks_.FreeBlock = BlocksFree;
  suites_.sAccess_.GetPluginAccess = GetPluginAccess;
  suites_.sAccess_.GetAccessInfo = GetAccessInfo;
  suites_.sPlugin_.GetPluginOptions = GetPluginOptions;
  suites_.sPlugin_.SetPluginOptions = PluginSetOptions;
  suites_.sUser_.StringToNumber = StringToNumber;
  suites_.sUser_.NumberToString = NumberToString;
  suites_.sRuntime_.GetAppFilePath = GetAppFilePath;
  suites_.sRuntime_.GetAppVersion = GetAppVersion;
  if (parts_) parts_->FillSuites(suites_);
  InstallArtSuites(suites_.sLayer_, suites_.sArt_, suites_.sGroup_, suites_.sPluginGroup_);
  InstallPaintSuites(suites_.sPathStyle_, suites_.sPathStyle4_, suites_.sGradient_,
                     suites_.sCustomColor_, suites_.sPattern_, suites_.sBlendStyle_,
                     suites_.sArtStyle_, suites_.sTransformArt_, suites_.sHardSoft_);
  InstallPathSuites(suites_.sPath_, suites_.sRealMath_, suites_.sFixedMath_);
  InstallTextSuites(suites_.sTextStream_, suites_.sTextStream4_, suites_.sTextPath_,
                    suites_.sText_);
  InstallRasterMeshSuites(suites_.sRaster_, suites_.sMesh_, suites_.sMeshVertex_,
                          suites_.sMeshSegment_);
  InstallViewSuites(suites_.sDocumentView_, suites_.sUndo_, suites_.sUser_);
  InstallLifecycleSuites(suites_.sMenu_, suites_.sTimer_, suites_.sNotifier_, suites_.sPreference_);
  InstallActionManagerSuite(suites_.sActionManager_);
  registry_.Offer(&suites_.desktopSuite_);

  suites_.platform_.GetDriveRoot = GetDriveRoot;
  suites_.platform_.GetLocalTime = PlatformLocalTime;
  suites_.platform_.GetTickCount = PlatformTickCount;
  suites_.platform_.Beep = PlatformBeep;
  suites_.platform_.SetCursor = PlatformSetCursor;
  registry_.Offer(&suites_.platform_);

#define HOSTSIM_OFFER(Type, var)     \
  FillUnimplemented(suites_.var##_); \
  registry_.Offer(&suites_.var##_);
  VELM_SUITE_TABLE(HOSTSIM_OFFER)
#undef HOSTSIM_OFFER
  FillUnimplemented(suites_.platform_);
  FillUnimplemented(suites_.desktopSuite_);
}

void Host::UseInProcessPlugin(host::PluginMainProc main,
                              const velm::res::ResourceTable* resources) {
  UnloadCode();
  inProcess_ = true;
  pluginMain_ = main;
  resources_ = resources;
}

void* Host::FindBlock(const std::string& name) const {
  for (std::size_t i = 0; i < blocks_.size(); ++i)
    if (blocks_[i].name == name) return blockStorage_[i].get();
  return nullptr;
}

bool Host::LoadModule() {
  if (module_ || inProcess_) return true;
  LoadedModule loaded;
  if (!LoadPluginModule(modulePath_, &loaded, &loadError_)) return false;
  module_ = loaded.handle;
  pluginMain_ = loaded.main;
  resources_ = loaded.resources;
  return true;
}

void Host::UnloadCode() {
  if (inProcess_) return;
  UnloadPluginModule(module_);
  module_ = nullptr;
  pluginMain_ = nullptr;
  resources_ = nullptr;
}

host::MessageData Host::NewMessage() {
  host::MessageData d{};
  d.self = reinterpret_cast<host::PluginRef>(this);
  d.globals = globalsSlot_;
  d.basic = &suites_.basic_;
  return d;
}

host::Err Host::Send(const char* caller, const char* selector, void* message) {
  if (!pluginMain_) {
    Fail(std::string("message ") + caller + "/" + selector + " sent with no module loaded");
    return host::kHostFailureErr;
  }
  // What the plug-in changes in the document during one message is one undo step.
  if (document_) document_->BeginUndoStep();
  const host::Err result = pluginMain_(caller, selector, message);
  // The host keeps whatever the plug-in leaves in the globals slot.
  globalsSlot_ = static_cast<host::MessageData*>(message)->globals;
  char code[32];
  const auto u = static_cast<std::uint32_t>(result);
  if ((u >> 16) == 0 || (u >> 16) == 0xFFFF) {
    std::snprintf(code, sizeof code, "%d", result);
  } else {
    std::snprintf(code, sizeof code, "'%c%c%c%c'", static_cast<char>(u >> 24),
                  static_cast<char>(u >> 16), static_cast<char>(u >> 8), static_cast<char>(u));
  }
  messageLog_.push_back(std::string(caller) + "/" + selector + " -> " + code);
  return result;
}

host::Err Host::Startup() {
  if (!LoadModule()) return host::kHostFailureErr;
  host::MessageData m = NewMessage();
  return Send(host::kCallerInterface, host::kSelectorStartup, &m);
}

host::Err Host::About() {
  host::MessageData m = NewMessage();
  return Send(host::kCallerInterface, host::kSelectorAbout, &m);
}

host::Err Host::Shutdown() {
  host::MessageData m = NewMessage();
  const host::Err err = Send(host::kCallerInterface, host::kSelectorShutdown, &m);
  // The plug-in is finished: its menu items, timers and notifiers go with it.
  objects_.Clear();
  actions_.ForgetEvents();
  return err;
}

host::Err Host::Unload() {
  host::MessageData m = NewMessage();
  const host::Err err = Send(host::kCallerAccess, host::kSelectorUnload, &m);
  UnloadCode();
  return err;
}

host::Err Host::Reload() {
  if (!LoadModule()) return host::kHostFailureErr;
  host::MessageData m = NewMessage();
  return Send(host::kCallerAccess, host::kSelectorReload, &m);
}

void* Host::AllocateBlock(std::int32_t size, const char* name) {
  auto storage =
      std::unique_ptr<char[]>(new (std::nothrow) char[static_cast<std::size_t>(size) + 1]());
  if (!storage) return nullptr;
  void* block = storage.get();
  blockStorage_.push_back(std::move(storage));
  blocks_.push_back({name, size});
  return block;
}

bool Host::FreeBlock(void* block) {
  for (std::size_t i = 0; i < blockStorage_.size(); ++i) {
    if (blockStorage_[i].get() == block) {
      blockStorage_.erase(blockStorage_.begin() + static_cast<std::ptrdiff_t>(i));
      blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  }
  Fail("FreeBlock of a block the host never allocated");
  return false;
}

}  // namespace hostsim
