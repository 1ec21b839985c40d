#include "export_files.h"

#include <cctype>
#include <set>

#include "sjis_text.h"
#include "write_support.h"

namespace velmtool {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Dots and spaces at either end: a leading dot hides a file, and Windows drops trailing ones.
std::string TrimDotsAndSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(". ");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(". ") - first + 1);
}

}  // namespace

bool ParseBackground(const std::string& text, std::optional<std::uint32_t>* colour) {
  const std::string lower = Lower(text);
  if (lower == "transparent") {
    colour->reset();
    return true;
  }
  if (lower == "white") {
    *colour = 0xFFFFFF;
    return true;
  }
  if ((text.size() != 7 && text.size() != 4) || text[0] != '#') return false;
  std::uint32_t rgb = 0;
  for (std::size_t i = 1; i < text.size(); ++i) {
    const int d = HexDigit(text[i]);
    if (d < 0) return false;
    rgb = text.size() == 4 ? (rgb << 8) | static_cast<std::uint32_t>(d * 17)
                           : (rgb << 4) | static_cast<std::uint32_t>(d);
  }
  *colour = rgb;
  return true;
}

std::vector<std::string> RecordFileNames(const std::vector<std::string>& sjisNames,
                                         const std::string& extension) {
  std::vector<std::string> files;
  std::set<std::string> taken;  // lower case
  for (std::size_t i = 0; i < sjisNames.size(); ++i) {
    std::string base;
    if (!TrimDotsAndSpaces(SjisToUtf8(sjisNames[i])).empty()) {
      std::vector<std::string> changes;
      base = TrimDotsAndSpaces(FitGroupName(SjisToUtf8(sjisNames[i]), &changes));
    }
    if (base.empty()) base = "record-" + std::to_string(i);
    std::string file = base + extension;
    for (int n = 2; !taken.insert(Lower(file)).second; ++n)
      file = base + "-" + std::to_string(n) + extension;
    files.push_back(file);
  }
  return files;
}

}  // namespace velmtool
