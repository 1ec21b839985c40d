// The command line: one subcommand per command, --help everywhere.
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "commands.h"

namespace velmtool {
namespace {

constexpr const char* kRecordHelp =
    "Record number, from 0, or record name: matched whole, upper and lower case and full "
    "and half width alike (a name several records share is refused with their numbers)";

}  // namespace

int RunVelm(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{
      "velm: list, check, search and change VELM art-library folders and their group files",
      "velm"};
  app.require_subcommand(1);
  app.footer(
      "Exit status: 0 fine, 1 a problem was found or something named does not exist, "
      "2 bad usage.");

  LsOptions ls;
  CLI::App* lsCommand = app.add_subcommand("ls", "List the groups and their records");
  lsCommand->add_option("target", ls.target, "Library folder (or one .VEL file)")->required();
  lsCommand->add_option("--group", ls.group, "Only this group");
  lsCommand->add_flag("--json", ls.json, "Machine-readable output");

  ShowOptions show;
  CLI::App* showCommand =
      app.add_subcommand("show", "Show one record's header and a summary of its art objects");
  showCommand->add_option("file", show.target, "Group file (or a library folder with --group)")
      ->required();
  showCommand->add_option("record", show.record, kRecordHelp)->required();
  showCommand->add_option("--group", show.group, "The group, when a folder is given");
  showCommand->add_flag("--json", show.json, "Machine-readable output");

  VerifyOptions verify;
  CLI::App* verifyCommand =
      app.add_subcommand("verify", "Check every record; exit status 1 when a problem is found");
  verifyCommand->add_option("target", verify.target, "Library folder or one .VEL file")->required();
  verifyCommand->add_option("--group", verify.group, "Only this group");
  verifyCommand->add_flag("--json", verify.json, "Machine-readable output");

  SearchOptions search;
  CLI::App* searchCommand =
      app.add_subcommand("search",
                         "Search names, kinds or comments as the palette does; exit status 1 "
                         "when nothing matches");
  searchCommand->add_option("target", search.target, "Library folder or one .VEL file")->required();
  searchCommand->add_option("--field", search.field, "name, kind or comment")
      ->check(CLI::IsMember({"name", "kind", "comment"}))
      ->capture_default_str();
  CLI::Option* textOption =
      searchCommand->add_option("--text", search.text, "Text to find (empty: every record)");
  std::string searchText;
  CLI::Option* textArgument =
      searchCommand->add_option("text", searchText, "Text to find, as --text gives it");
  textOption->excludes(textArgument);
  textArgument->excludes(textOption);
  searchCommand->add_flag("--case", search.caseSensitive, "Distinguish upper and lower case");
  searchCommand->add_flag("--width", search.widthSensitive,
                          "Distinguish full-width and half-width characters");
  searchCommand->add_flag("--word", search.wholeWord, "Whole words only");
  searchCommand->add_option("--group", search.group, "Only this group");
  searchCommand->add_flag("--json", search.json, "Machine-readable output");

  ThumbOptions thumb;
  CLI::App* thumbCommand =
      app.add_subcommand("thumb", "Write a record's thumbnail as a 128 x 128 PNG");
  thumbCommand->add_option("file", thumb.target, "Group file (or a library folder with --group)")
      ->required();
  thumbCommand->add_option("record", thumb.record, kRecordHelp)->required();
  thumbCommand->add_option("-o,--output", thumb.output, "PNG file to write")->required();
  thumbCommand->add_option("--group", thumb.group, "The group, when a folder is given");

  SheetOptions sheet;
  CLI::App* sheetCommand = app.add_subcommand(
      "sheet", "Write the thumbnails of every record on PNG pages, with their names and kinds");
  sheetCommand->add_option("target", sheet.target, "Library folder or one .VEL file")->required();
  sheetCommand->add_option("-o,--output", sheet.output, "PNG file to write")->required();
  sheetCommand->add_option("--group", sheet.group, "Only this group");
  sheetCommand->add_option("--columns", sheet.columns, "Thumbnails a row")
      ->check(CLI::Range(1, 64))
      ->capture_default_str();
  sheetCommand
      ->add_option("--per-page", sheet.perPage,
                   "Records a picture (whole rows; default 50 rows); a larger sheet is written "
                   "as NAME-1.png, NAME-2.png, ...")
      ->check(CLI::Range(1, 1000000));
  sheetCommand->add_option("--page", sheet.page, "Only this page (from 1), written to the output")
      ->check(CLI::Range(1, 1000000));

  ExportOptions exportOptions;
  CLI::App* exportCommand = app.add_subcommand(
      "export",
      "Write a record's art as editable SVG or a picture, placed as a drop on the document "
      "places it, or a whole group as an SVG symbol set");
  exportCommand
      ->add_option("file", exportOptions.target, "Group file (or a library folder with --group)")
      ->required();
  exportCommand->add_option("record", exportOptions.record,
                            std::string(kRecordHelp) + " (not with --symbols)");
  exportCommand
      ->add_option("-o,--output", exportOptions.output,
                   "File to write: .svg (editable SVG) or .png (a picture); a folder with "
                   "--all and no record")
      ->required();
  exportCommand->add_flag("--picture", exportOptions.picture,
                          "Write an .svg file as a drawing of the art, not as editable SVG");
  exportCommand->add_flag("--symbols", exportOptions.symbols,
                          "Write every record of the group as one SVG symbol set");
  exportCommand->add_flag("--all", exportOptions.all,
                          "Without a record: write every record of the group into the folder "
                          "-o names (made when missing), each file named after its record. "
                          "With a name: export every record of that name, each to "
                          "NAME-<number>.svg (or .png) beside the file named");
  exportCommand
      ->add_option("--format", exportOptions.format,
                   "png or svg: the files --all writes into a folder (default png)")
      ->check(CLI::IsMember({"png", "svg"}));
  exportCommand->add_option("--group", exportOptions.group, "The group, when a folder is given");
  CLI::Option* scaleOption =
      exportCommand
          ->add_option(
              "--scale", exportOptions.scale,
              "A picture's pixels per CSS pixel (1 for 96 dpi, as the SVG's px: 2 or 3 for @2x "
              "or @3x pictures)")
          ->check(CLI::Range(0.1, 20.0))
          ->capture_default_str();
  exportCommand
      ->add_option("--size", exportOptions.size,
                   "A picture's longer side in pixels, the art fitted to it (not with --scale)")
      ->check(CLI::Range(1, 8192))
      ->excludes(scaleOption);
  exportCommand->add_option("--margin", exportOptions.margin,
                            "Points of space around the art as drawn, strokes included "
                            "(default 0)");
  exportCommand->add_option("--background", exportOptions.background,
                            "A picture's background: transparent (the default), white, "
                            "#RRGGBB or #RGB");
  exportCommand
      ->add_option("--units", exportOptions.units,
                   "An editable SVG's width and height in px (the default: CSS pixels of 0.75 "
                   "point, as SVG programs read them) or pt")
      ->check(CLI::IsMember({"px", "pt"}));

  LzssOptions lzss;
  CLI::App* lzssCommand =
      app.add_subcommand("lzss", "Encode or decode a raw file with the record codec");
  lzssCommand->add_option("direction", lzss.direction, "encode or decode")
      ->required()
      ->check(CLI::IsMember({"encode", "decode"}));
  lzssCommand->add_option("input", lzss.input, "File to read")->required();
  lzssCommand->add_option("output", lzss.output, "File to write")->required();

  RmOptions rm;
  CLI::App* rmCommand =
      app.add_subcommand("rm", "Remove a record (or every record of a name) from its group file");
  rmCommand->add_option("file", rm.target, "Group file (GROUP.VEL)")->required();
  rmCommand->add_option("record", rm.record, kRecordHelp)->required();
  rmCommand->add_flag("--all", rm.all, "With a name: remove every record of that name");

  EditOptions edit;
  std::string editName, editKind, editComment, editGroup;
  CLI::App* editCommand = app.add_subcommand(
      "edit",
      "Change a record's name, kind or comment, or move it to another group (its dates "
      "kept)");
  editCommand->add_option("file", edit.target, "Group file (GROUP.VEL)")->required();
  editCommand->add_option("record", edit.record, kRecordHelp)->required();
  CLI::Option* nameOption =
      editCommand->add_option("--name", editName, "New name (at most 63 bytes in Shift-JIS)");
  CLI::Option* kindOption =
      editCommand->add_option("--kind", editKind, "New kind (at most 63 bytes in Shift-JIS)");
  CLI::Option* commentOption = editCommand->add_option(
      "--comment", editComment, "New comment (at most 255 bytes in Shift-JIS)");
  CLI::Option* groupOption = editCommand->add_option(
      "--group", editGroup, "Move the record to this group of the same folder");

  CpOptions cp;
  CLI::App* cpCommand = app.add_subcommand(
      "cp",
      "Copy a record to the end of another group file, here or in another library (its "
      "dates kept)");
  cpCommand->add_option("source", cp.source, "Group file to copy from")->required();
  cpCommand->add_option("record", cp.record, kRecordHelp)->required();
  cpCommand->add_option("destination", cp.destination, "Group file to copy to (made when missing)")
      ->required();

  RepairOptions repair;
  CLI::App* repairCommand = app.add_subcommand(
      "repair",
      "Rewrite a damaged group file with every readable record and a true count word (a "
      "backup of the old file is kept beside it)");
  repairCommand->add_option("file", repair.target, "Group file (GROUP.VEL)")->required();

  ImportOptions import;
  CLI::App* importCommand = app.add_subcommand(
      "import",
      "Make records of SVG files (one each) and symbol sets (one per symbol), captured as the "
      "palette's add button captures art");
  importCommand
      ->add_option("paths", import.paths,
                   "SVG files (.svg, .svgz) or folders of them, then the library folder (made when "
                   "missing; a folder of SVG files and no groups is refused)")
      ->required();
  importCommand->add_option("--group", import.group,
                            "The group (default: the set's name, or the folder's)");
  importCommand->add_option(
      "--kind", import.kind,
      "The records' kind (default: none; a set velm export wrote keeps its records' kinds)");
  importCommand
      ->add_option("--duplicates", import.duplicates,
                   "Art the group holds already, under any name: skip (listed as skipped, not "
                   "a failure) or keep (imported again)")
      ->check(CLI::IsMember({"keep", "skip"}))
      ->capture_default_str();
  importCommand->add_flag("--dry-run", import.dryRun,
                          "List what would be imported and skipped, and write nothing");
  importCommand->add_flag("--json", import.json, "List every record made and item skipped as JSON");

  GroupOptions mkgroup;
  CLI::App* mkgroupCommand = app.add_subcommand("mkgroup", "Make a new, empty group");
  mkgroupCommand->add_option("folder", mkgroup.target, "Library folder")->required();
  mkgroupCommand->add_option("group", mkgroup.group, "The new group's name")->required();

  GroupOptions rmgroup;
  CLI::App* rmgroupCommand =
      app.add_subcommand("rmgroup", "Remove a group and every record in it (asks for --yes)");
  rmgroupCommand->add_option("folder", rmgroup.target, "Library folder")->required();
  rmgroupCommand->add_option("group", rmgroup.group, "The group to remove")->required();
  rmgroupCommand->add_flag("--yes", rmgroup.yes,
                           "Really remove it (it is kept in the library's trash)");

  TrashOptions trash;
  CLI::App* trashCommand = app.add_subcommand(
      "trash",
      "The library's trash: removed groups and records, kept 30 days (and 256 MiB at most)");
  trashCommand->require_subcommand(1);
  CLI::App* trashList = trashCommand->add_subcommand("list", "List the trash, most recent first");
  trashList->add_option("folder", trash.target, "Library folder")->required();
  trashList->add_flag("--json", trash.json, "Machine-readable output");
  CLI::App* trashRestore = trashCommand->add_subcommand(
      "restore", "Put an entry back: a group under its name, a record at the end of its group");
  trashRestore->add_option("folder", trash.target, "Library folder")->required();
  trashRestore
      ->add_option("entry", trash.entry, "The entry's number in velm trash list, or its file name")
      ->required();
  trashRestore->add_option("--as", trash.as, "Restore into this group instead");
  CLI::App* trashEmpty =
      trashCommand->add_subcommand("empty", "Delete every entry of the trash for good");
  trashEmpty->add_option("folder", trash.target, "Library folder")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e, out, err);
    return code == 0 ? kExitOk : kExitUsage;
  }

  if (lsCommand->parsed()) return CommandLs(ls, out, err);
  if (showCommand->parsed()) return CommandShow(show, out, err);
  if (verifyCommand->parsed()) return CommandVerify(verify, out, err);
  if (searchCommand->parsed()) {
    if (!textOption->count() && !textArgument->count()) {
      err << "velm: search needs the text to find (velm search LIBRARY TEXT, or --text TEXT)\n";
      return kExitUsage;
    }
    if (textArgument->count()) search.text = searchText;
    return CommandSearch(search, out, err);
  }
  if (thumbCommand->parsed()) return CommandThumb(thumb, out, err);
  if (sheetCommand->parsed()) return CommandSheet(sheet, out, err);
  if (exportCommand->parsed()) {
    exportOptions.progress = isatty(STDERR_FILENO) == 1;
    return CommandExport(exportOptions, out, err);
  }
  if (importCommand->parsed()) return CommandImport(import, out, err);
  if (lzssCommand->parsed()) return CommandLzss(lzss, out, err);
  if (rmCommand->parsed()) return CommandRm(rm, out, err);
  if (editCommand->parsed()) {
    if (nameOption->count()) edit.name = editName;
    if (kindOption->count()) edit.kind = editKind;
    if (commentOption->count()) edit.comment = editComment;
    if (groupOption->count()) edit.group = editGroup;
    return CommandEdit(edit, out, err);
  }
  if (cpCommand->parsed()) return CommandCp(cp, out, err);
  if (repairCommand->parsed()) return CommandRepair(repair, out, err);
  if (mkgroupCommand->parsed()) return CommandMkgroup(mkgroup, out, err);
  if (rmgroupCommand->parsed()) return CommandRmgroup(rmgroup, out, err);
  if (trashList->parsed()) return CommandTrashList(trash, out, err);
  if (trashRestore->parsed()) return CommandTrashRestore(trash, out, err);
  if (trashEmpty->parsed()) return CommandTrashEmpty(trash, out, err);
  return kExitUsage;
}

}  // namespace velmtool
