#include "gui_settings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "hostsim/core/file_output.h"

namespace velmgui {

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kMaxFileSize = 64 * 1024;
constexpr std::size_t kMaxPath = 4096;
constexpr char kLibraryKey[] = "library=";

// Whether `s` is UTF-8 without control characters.
bool PrintableUtf8(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;  // continuation bytes
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7F) return false;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3;
    } else {
      return false;
    }
    if (i + n >= s.size() && n > 0) return false;
    for (std::size_t k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n + 1;
  }
  return true;
}

}  // namespace

std::string DefaultSettingsFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return std::string(config) + "/velm-host/gui.ini";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.config/velm-host/gui.ini";
  return {};
}

std::string RememberedLibrary(const std::string& file) {
  std::error_code ec;
  if (file.empty() || !fs::is_regular_file(file, ec) || fs::file_size(file, ec) > kMaxFileSize ||
      ec)
    return {};
  std::ifstream in(file, std::ios::binary);
  std::string line, found;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(kLibraryKey, 0) != 0) continue;
    std::string value = line.substr(sizeof(kLibraryKey) - 1);
    if (!value.empty() && value[0] == '/' && value.size() <= kMaxPath && PrintableUtf8(value))
      found = std::move(value);
  }
  return found;
}

bool RememberLibrary(const std::string& file, const std::string& folder, std::string* error) {
  std::error_code ec;
  const std::string absolute = fs::absolute(folder, ec).lexically_normal().string();
  if (ec || absolute.empty() || absolute.size() > kMaxPath || !PrintableUtf8(absolute)) {
    if (error) *error = "cannot remember the library " + folder + ": its path cannot be kept";
    return false;
  }
  fs::create_directories(fs::path(file).parent_path(), ec);
  std::ostringstream text;
  text << "# velm-host gui: the library last chosen\n" << kLibraryKey << absolute << "\n";
  return hostsim::WriteFileAtomically(file, text.str(), error);
}

std::string StartLibrary(const std::string& given, const std::string& file, std::string* note) {
  note->clear();
  if (!given.empty()) return given;
  const std::string remembered = RememberedLibrary(file);
  std::error_code ec;
  if (remembered.empty()) return "library";
  if (fs::is_directory(remembered, ec)) return remembered;
  *note = "the library last chosen, " + remembered +
          ", is no longer there (it is not made again): ./library is used; Ctrl+L chooses "
          "another";
  return "library";
}

}  // namespace velmgui
