// Moves of records between groups that a crash cut short: the journals the plug-in leaves
// in the library folder while a move runs ("VELM-<process>-<mark>.MOV"). velm verify reports
// them; velm repair of either group finishes them. Whether the mover still runs is asked
// by the lock it holds, which every machine sharing the folder sees.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace velmtool {

struct MoveJournalNote {
  std::string file;            // the journal's file name
  std::string source, target;  // group names (UTF-8)
  std::int32_t number = 0;     // the record's number in `source`
  std::string name;            // its name there (UTF-8)
  bool running = false;        // the mover still runs (or cannot be asked): a move under way
};

// The journals of the open library's folder; `damaged` counts files of the journals' name
// that do not read as one.
std::vector<MoveJournalNote> MoveJournals(std::int32_t* damaged);
// "an interrupted move of record 3 "猫" from 動物 to 植物 (VELM-12-1.MOV): ..."
std::string DescribeMoveJournal(const MoveJournalNote& note);

// Finishes every move cut short that names `group` (Shift-JIS) and whose mover no longer
// runs, and deletes the journals cut short before they were whole (their move had not
// begun): what each did goes to `out`. False when one could not be finished (said on `err`).
bool FinishMovesOf(const std::string& group, std::ostream& out, std::ostream& err);

}  // namespace velmtool
