// velm verify: checks every record of every group, byte by byte, and has the plug-in's
// loader place each record that passes. A problem (exit status 1) is anything the format
// never holds, what the loader refuses, or a move a crash cut short; a warning (status 0)
// is the harmless rest of an interrupted append.
#include <utility>

#include "command_support.h"
#include "commands.h"
#include "group_scan.h"
#include "move_journals.h"
#include "placement_check.h"
#include "sjis_text.h"

namespace velmtool {
namespace {

struct GroupResult {
  std::string group;  // Shift-JIS
  std::filesystem::path file;
  GroupScan scan;
};

// Has the plug-in's loader place every record found sound; a record it refuses gets a
// problem, in file order among the others.
void PlaceSoundRecords(std::vector<GroupResult>& results, std::vector<Problem>* runProblems) {
  std::vector<PlacementJob> jobs;
  std::vector<std::pair<GroupResult*, ScannedRecord*>> placed;
  for (GroupResult& result : results) {
    for (ScannedRecord& r : result.scan.records) {
      if (!r.sound) continue;
      jobs.push_back({result.file, r.offset, r.recordLength});
      placed.emplace_back(&result, &r);
    }
  }
  if (jobs.empty()) return;
  const PlacementOutcome outcome = CheckPlacement(jobs);
  if (!outcome.error.empty()) {
    runProblems->push_back(
        {-1, Place::kFile, 0, "the records could not be placed to check them: " + outcome.error});
    return;
  }
  for (std::size_t k = 0; k < jobs.size(); ++k) {
    if (outcome.refused[k].empty()) continue;
    ScannedRecord& r = *placed[k].second;
    r.sound = false;
    std::vector<Problem>& problems = placed[k].first->scan.problems;
    auto later = problems.begin();
    while (later != problems.end() && later->record != -1 && later->record < r.number)
      ++later;
    problems.insert(later, {r.number, Place::kFile, r.offset, outcome.refused[k]});
  }
}

}  // namespace

int CommandVerify(const VerifyOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  std::optional<Selection> selection = SelectGroups(options.target, options.group, err, &status);
  if (!selection) return status;
  Library& library = *selection->library;

  std::vector<GroupResult> results;
  for (const std::string& group : selection->groups) {
    const std::filesystem::path file = library.GroupFile(group);
    results.push_back({group, file, ScanGroupFile(file)});
  }
  std::vector<Problem> runProblems;
  PlaceSoundRecords(results, &runProblems);

  std::size_t problemCount = runProblems.size(), warningCount = 0, recordCount = 0;
  Json groups = Json::array();
  Json allProblems = Json::array();
  Json allWarnings = Json::array();
  for (const Problem& p : runProblems)
    allProblems.push_back(ProblemJson("", p));
  for (GroupResult& result : results) {
    const std::string groupName = SjisToUtf8(result.group);
    const std::filesystem::path& file = result.file;
    GroupScan& scan = result.scan;
    if (!scan.opened) scan.problems.push_back({-1, Place::kFile, 0, "the file cannot be opened"});
    problemCount += scan.problems.size();
    warningCount += scan.warnings.size();
    recordCount += scan.records.size();

    if (options.json) {
      Json g = Json::object();
      g["name"] = groupName;
      g["file"] = file.filename().string();
      g["size"] = scan.fileSize;
      g["count"] = scan.countWord;
      Json records = Json::array();
      for (const ScannedRecord& r : scan.records) {
        records.push_back({{"number", r.number},
                           {"offset", r.offset},
                           {"length", r.recordLength},
                           {"ok", r.sound}});
      }
      g["records"] = std::move(records);
      Json problems = Json::array();
      for (const Problem& p : scan.problems) {
        problems.push_back(ProblemJson(groupName, p));
        allProblems.push_back(ProblemJson(groupName, p));
      }
      g["problems"] = std::move(problems);
      Json warnings = Json::array();
      for (const Problem& w : scan.warnings) {
        warnings.push_back(ProblemJson(groupName, w));
        allWarnings.push_back(ProblemJson(groupName, w));
      }
      g["warnings"] = std::move(warnings);
      groups.push_back(std::move(g));
      continue;
    }
    out << groupName << " (" << file.filename().string() << ", " << scan.fileSize
        << " bytes, count word " << scan.countWord << ")\n";
    // Each located record, then what lies outside them; problems in file order.
    std::size_t next = 0;
    auto flushProblems = [&](std::int32_t record) {
      for (; next < scan.problems.size() && scan.problems[next].record == record; ++next)
        out << "  " << groupName << " " << DescribeProblem(scan.problems[next]) << "\n";
    };
    for (const ScannedRecord& r : scan.records) {
      if (r.sound) out << "  record " << r.number << " ok (file offset " << r.offset << ")\n";
      flushProblems(r.number);
    }
    for (; next < scan.problems.size(); ++next)
      out << "  " << groupName << " " << DescribeProblem(scan.problems[next]) << "\n";
    for (const Problem& w : scan.warnings)
      out << "  " << groupName << " note: " << DescribeProblem(w) << "\n";
  }

  // Group files the plug-in cannot see at all.
  Json unreadable = Json::array();
  const std::vector<std::string> unreadableFiles =
      options.group.empty() ? library.UnreadableGroupFiles() : std::vector<std::string>();
  for (const std::string& name : unreadableFiles) {
    ++problemCount;
    const std::string message = "the name has no Shift-JIS form: the plug-in cannot see this group";
    if (options.json) {
      unreadable.push_back({{"file", name}, {"message", message}});
    } else {
      out << name << ": " << message << "\n";
    }
  }

  // What an interrupted removal leaves behind: no group uses it, but it takes room.
  const std::vector<std::string> scratchFiles =
      options.group.empty() ? library.ScratchFiles() : std::vector<std::string>();
  warningCount += scratchFiles.size();
  if (!options.json) {
    for (const std::string& name : scratchFiles)
      out << name
          << " note: a scratch file an interrupted write left behind; no group uses "
             "it (it can be deleted while no host writes to this library)\n";
  }

  // Moves a crash cut short: the record may be in both groups until velm repair finishes
  // them. A move whose process still runs is under way.
  std::int32_t damagedJournals = 0;
  const std::vector<MoveJournalNote> moves =
      options.group.empty() ? MoveJournals(&damagedJournals) : std::vector<MoveJournalNote>();
  Json interruptedMoves = Json::array();
  for (const MoveJournalNote& move : moves) {
    (move.running ? warningCount : problemCount) += 1;
    if (options.json) {
      interruptedMoves.push_back({{"file", move.file},
                                  {"from", move.source},
                                  {"to", move.target},
                                  {"record", move.number},
                                  {"name", move.name},
                                  {"running", move.running}});
    } else {
      out << (move.running ? "note: " : "") << DescribeMoveJournal(move) << "\n";
    }
  }
  if (damagedJournals > 0) {
    problemCount += static_cast<std::size_t>(damagedJournals);
    if (!options.json)
      out << damagedJournals
          << (damagedJournals == 1 ? " move journal (VELM-*.MOV) does not read\n"
                                   : " move journals (VELM-*.MOV) do not read\n");
  }

  if (options.json) {
    Json result = Json::object();
    result["library"] = library.folder().string();
    result["scratchFiles"] = scratchFiles;
    result["interruptedMoves"] = std::move(interruptedMoves);
    result["damagedMoveJournals"] = damagedJournals;
    result["groups"] = std::move(groups);
    result["unreadableFiles"] = std::move(unreadable);
    result["records"] = recordCount;
    result["problems"] = std::move(allProblems);
    result["warnings"] = std::move(allWarnings);
    result["ok"] = problemCount == 0;
    WriteJson(out, result);
  } else {
    for (const Problem& p : runProblems)
      out << DescribeProblem(p) << "\n";
    out << selection->groups.size() << (selection->groups.size() == 1 ? " group, " : " groups, ")
        << recordCount << (recordCount == 1 ? " record checked, " : " records checked, ")
        << problemCount << (problemCount == 1 ? " problem" : " problems");
    if (warningCount != 0)
      out << ", " << warningCount << (warningCount == 1 ? " warning" : " warnings");
    out << "\n";
  }
  return problemCount == 0 ? kExitOk : kExitProblems;
}

}  // namespace velmtool
