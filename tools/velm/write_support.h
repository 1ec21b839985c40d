// Pieces the commands that change a library share: texts for record fields and group
// names checked before anything is written, and group files opened for writing.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "library.h"

namespace velmtool {

// Field sizes in bytes, the terminator not counted.
inline constexpr std::size_t kShortFieldBytes = 63;  // name, kind, group
inline constexpr std::size_t kCommentBytes = 255;

// The Shift-JIS form of a UTF-8 text for a field of `limit` bytes. A text Shift-JIS
// cannot hold exactly, or that is too long, is refused with a message naming `what`.
std::optional<std::string> FieldBytes(const std::string& utf8, std::size_t limit, const char* what,
                                      std::ostream& err);
// A group name as a field text that is also a file name the plug-in accepts.
std::optional<std::string> GroupNameText(const std::string& utf8, std::ostream& err);

// A group name made from a file or folder name (UTF-8), fitted to what a group name can
// be rather than refused: a character Shift-JIS cannot hold becomes the nearest it can,
// one a file name cannot hold (\ / : * ? " < > |, control characters) becomes '_', as
// does the '.' of ".VEL" and the dots of "." and ".."; a name longer than its field is
// cut on a character boundary; a Windows device name (CON, COM1, …) and the search
// results' name get a '_' after their name part; an empty name becomes "_". The same name
// always gives the same group. Each change is added to *changes, for people.
std::string FitGroupName(const std::string& utf8, std::vector<std::string>* changes);

// A group file's folder opened as a library, and the file's group.
struct GroupFileTarget {
  std::unique_ptr<Library> library;
  std::string group;  // Shift-JIS
};
// Opens `path` ("<folder>/<group>.VEL") for writing; with `mayBeMissing` the file need
// not exist yet (its folder must). On failure writes why to `err` and sets *status.
std::optional<GroupFileTarget> OpenGroupFileForWriting(const std::string& path, bool mayBeMissing,
                                                       std::ostream& err, int* status);

// The library folder for a command on groups or the trash: a folder, never a single file.
// On failure writes why to `err` and sets *status.
std::unique_ptr<Library> OpenFolder(const std::string& target, std::ostream& err, int* status);

// What a removal of `removed` entries tells of the trash: how to put them back (the most
// recent entry is number 1).
std::string TrashHint(const std::filesystem::path& folder, int removed);

}  // namespace velmtool
