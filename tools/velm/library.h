// Library access: lets the plug-in's database code read a VELM library folder (or one
// group file) from outside a host.
//
// The database finds its files through the host: it asks the runtime suite for the
// application's path, cuts it at "\Support Files\" and opens "<base>\VELM\<group>.VEL",
// which the POSIX platform layer maps onto the folder given for drive C:. An open
// Library supplies all of that: a runtime suite that reports
// "C:\velm\Support Files\velm.exe", a zeroed globals block, and a temporary drive C:
// folder in which "velm/VELM" is a symbolic link to the user's folder (for a single
// file, "velm/VELM" is a folder holding one link "<group>.VEL" to that file). Closing
// the Library puts the previous runtime suite, globals block and drive C: back and
// removes the temporary folder; the user's files are only ever read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/errors.h"
#include "platform/os.h"

namespace velmtool {

class Library {
 public:
  // Opens a library folder (or the folder holding it, see LibraryFolderOf) or a single
  // group file. Returns null with a message in
  // *error when the target does not exist or cannot be used (or another Library is
  // open: there is one set of database state per process).
  // `acceptHolder` false takes a folder as it is.
  static std::unique_ptr<Library> Open(const std::filesystem::path& target, std::string* error,
                                       bool acceptHolder = true);
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool singleFile() const { return singleFile_; }
  // The user's folder that holds the group files.
  const std::filesystem::path& folder() const { return folder_; }

  // The groups the plug-in sees (Shift-JIS names), in byte order.
  std::vector<std::string> Groups() const;
  bool HasGroup(const std::string& group) const;
  // The group's file on this machine.
  std::filesystem::path GroupFile(const std::string& group) const;
  // Files in the folder that look like group files but that the plug-in cannot see,
  // because their names have no Shift-JIS form (UTF-8 names).
  std::vector<std::string> UnreadableGroupFiles() const;
  // Scratch files the plug-in's writers left in the folder when they were interrupted
  // ("VELM-<process>-<mark>.TMP", a removal's copy; not those of a writer that still runs),
  // sorted; none for a single file.
  std::vector<std::string> ScratchFiles() const;

  // The count word of the group's file (0 when it is missing or short).
  std::int32_t RecordCount(const std::string& group) const;
  // Reads record `index` of `group` through the plug-in (VelmReadRecord into the
  // current record) in `mode`, converted or as stored. On success *record is the block
  // (owned by the Library, valid until the next read), or null when there is no such
  // record. Returns the read's status.
  host::Err Read(const std::string& group, std::int32_t index, std::int32_t mode, bool convert,
                 velm::os::MemHandle* record);
  // The same into the caller's block *record (made or grown as needed, kept between reads
  // of a listing; the caller releases it with velm::ReleaseBlock); *found says whether a
  // record was read (not when there is no such record). The current record is left alone.
  host::Err ReadInto(const std::string& group, std::int32_t index, std::int32_t mode, bool convert,
                     velm::os::MemHandle* record, bool* found) const;

 private:
  struct Saved;
  Library();

  bool singleFile_ = false;
  std::filesystem::path folder_;
  std::filesystem::path file_;  // the single file, if any
  std::string singleGroup_;     // its group (Shift-JIS)
  std::unique_ptr<Saved> saved_;
};

// The library folder a folder given on the command line stands for: the folder itself,
// or, when it holds no group files but a "VELM" folder (the host's own folder), that one.
std::filesystem::path LibraryFolderOf(const std::filesystem::path& folder);

// True when `folder` holds a group file.
bool HoldsGroupFiles(const std::filesystem::path& folder);

// The group (Shift-JIS) of a group file's path "<folder>/<group>.VEL"; false, with why
// in *error, when the name is not one the plug-in can write under.
bool GroupOfFilePath(const std::filesystem::path& file, std::string* group, std::string* error);

// Removes the temporary drive folder of an open Library with async-signal-safe calls
// only; for a signal handler that ends the program.
void RemoveLibraryFolderOnSignal();

}  // namespace velmtool
