// The velm commands. RunVelm parses a command line and runs one of them; each command
// writes its listing to `out` and its complaints to `err`, and returns the exit status.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velmtool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitProblems = 1;  // a problem was found, or something named does not exist
inline constexpr int kExitUsage = 2;     // the command line is malformed

// Runs `velm <command> ...` as the program would; argv[0] is the program name.
int RunVelm(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

struct LsOptions {
  std::string target;  // library folder or group file
  std::string group;   // UTF-8; empty: every group
  bool json = false;
};
int CommandLs(const LsOptions& options, std::ostream& out, std::ostream& err);

struct ShowOptions {
  std::string target;
  std::string record;  // number or name, as typed
  std::string group;
  bool json = false;
};
int CommandShow(const ShowOptions& options, std::ostream& out, std::ostream& err);

struct VerifyOptions {
  std::string target;
  std::string group;
  bool json = false;
};
int CommandVerify(const VerifyOptions& options, std::ostream& out, std::ostream& err);

struct SearchOptions {
  std::string target;
  std::string field = "name";  // name, kind or comment
  std::string text;            // UTF-8
  bool caseSensitive = false;
  bool widthSensitive = false;
  bool wholeWord = false;
  std::string group;
  bool json = false;
};
int CommandSearch(const SearchOptions& options, std::ostream& out, std::ostream& err);

struct ThumbOptions {
  std::string target;
  std::string record;
  std::string group;
  std::string output;  // PNG file
};
int CommandThumb(const ThumbOptions& options, std::ostream& out, std::ostream& err);

struct SheetOptions {
  std::string target;  // library folder or group file
  std::string group;   // UTF-8; empty: every group
  std::string output;  // PNG file; "NAME-<page>.png" for each page of a sheet of several
  int columns = 6;
  int perPage = 0;  // records a page (whole rows); 0: 50 rows
  int page = 0;     // only this page (from 1), written to `output`; 0: every page
};
int CommandSheet(const SheetOptions& options, std::ostream& out, std::ostream& err);

struct ExportOptions {
  std::string target;  // group file, or a library folder with `group`
  std::string record;  // empty with `all`: every record of the group
  std::string group;
  std::string output;  // .png or .svg; a folder for every record of the group
  std::string format;  // png or svg: the folder's files (empty: png); else must match `output`
  double scale = 2.0;  // pixels per CSS pixel (96 a inch, 0.75 point)
  int size = 0;        // when above 0: a picture's longer side in pixels (instead of `scale`)
  std::optional<double> margin;           // points around the art as drawn; unset: 0
  std::optional<std::string> background;  // a picture's: transparent, white, #RRGGBB, #RGB
  std::string units;      // an editable SVG's width and height: px or pt (empty: px)
  bool picture = false;   // an .svg output as the drawing, not the document
  bool symbols = false;   // the whole group as one symbol set (.svg)
  bool all = false;       // every record of the name, each to NAME-<number>.EXT; without a
                          // record, every record of the group into the folder `output`
  bool progress = false;  // "[3/40] NAME.png" on `err` while a folder is written
};
int CommandExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

struct ImportOptions {
  std::vector<std::string> paths;   // SVG files and folders, then the library folder
  std::string group;                // UTF-8; empty: the set's or folder's name
  std::string kind;                 // empty: none (a set's own record kinds are kept)
  std::string duplicates = "skip";  // keep: art the group holds (under any name) again
  bool dryRun = false;              // captures everything, writes nothing
  bool json = false;
};
int CommandImport(const ImportOptions& options, std::ostream& out, std::ostream& err);

struct LzssOptions {
  std::string direction;  // encode or decode
  std::string input;
  std::string output;
};
int CommandLzss(const LzssOptions& options, std::ostream& out, std::ostream& err);

// ---- Commands that change a library ----

struct RmOptions {
  std::string target;  // group file
  std::string record;  // number or name
  bool all = false;    // every record of the name
};
int CommandRm(const RmOptions& options, std::ostream& out, std::ostream& err);

struct EditOptions {
  std::string target;  // group file
  std::string record;
  // UTF-8; only the ones given change.
  std::optional<std::string> name, kind, comment;
  std::optional<std::string> group;  // move to this group of the same folder
};
int CommandEdit(const EditOptions& options, std::ostream& out, std::ostream& err);

struct CpOptions {
  std::string source;  // group file
  std::string record;
  std::string destination;  // group file, created when missing
};
int CommandCp(const CpOptions& options, std::ostream& out, std::ostream& err);

struct RepairOptions {
  std::string target;  // group file
};
// Rewrites a group file with every record the plug-in can read and a count word that
// agrees, after writing a backup beside it. 0 when it was repaired or needed nothing, 1
// when it could not be repaired (or kept records still hold damage repair cannot mend).
int CommandRepair(const RepairOptions& options, std::ostream& out, std::ostream& err);

struct GroupOptions {
  std::string target;  // library folder
  std::string group;   // UTF-8
  bool yes = false;    // rmgroup: really remove
};
int CommandMkgroup(const GroupOptions& options, std::ostream& out, std::ostream& err);
int CommandRmgroup(const GroupOptions& options, std::ostream& out, std::ostream& err);

// The library's trash: what rm, rmgroup and the palette removed.
struct TrashOptions {
  std::string target;  // library folder
  std::string entry;   // restore: its number in the list (from 1) or its file name
  std::string as;      // restore: another group (UTF-8; empty: the one it came from)
  bool json = false;   // list
};
// Lists the entries, the most recent first; 1 when a damaged or foreign file is there.
int CommandTrashList(const TrashOptions& options, std::ostream& out, std::ostream& err);
int CommandTrashRestore(const TrashOptions& options, std::ostream& out, std::ostream& err);
int CommandTrashEmpty(const TrashOptions& options, std::ostream& out, std::ostream& err);

}  // namespace velmtool
