#include "move_journals.h"

#include <cstring>

#include "database/group_file.h"
#include "database/record_move.h"
#include "sjis_text.h"

namespace velmtool {
namespace {

std::string Field(const char* text, std::size_t size) {
  const void* end = std::memchr(text, '\0', size);
  return SjisToUtf8(std::string(text, end ? static_cast<const char*>(end) : text + size));
}

std::string FileName(const char* path) {
  const char* slash = std::strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

MoveJournalNote NoteOf(const velm::InterruptedMove& move) {
  MoveJournalNote note;
  note.file = SjisToUtf8(FileName(move.path));
  note.source = Field(move.source, sizeof move.source);
  note.target = Field(move.target, sizeof move.target);
  note.number = move.sourceNumber;
  note.name = Field(move.original.name, sizeof move.original.name);
  note.running = move.running;
  return note;
}

}  // namespace

std::vector<MoveJournalNote> MoveJournals(std::int32_t* damaged) {
  std::vector<MoveJournalNote> notes;
  velm::ListMoveJournals(
      [](const velm::InterruptedMove& move, void* context) {
        static_cast<std::vector<MoveJournalNote>*>(context)->push_back(NoteOf(move));
        return true;
      },
      &notes, damaged);
  return notes;
}

std::string DescribeMoveJournal(const MoveJournalNote& note) {
  const std::string text = "move of record " + std::to_string(note.number) + " \"" + note.name +
                           "\" from " + note.source + " to " + note.target + " (" + note.file + ")";
  if (note.running) return "a " + text + " is under way";
  return "an interrupted " + text +
         ": the record may be in both groups; velm repair of either group finishes the move";
}

bool FinishMovesOf(const std::string& group, std::ostream& out, std::ostream& err) {
  struct Context {
    const std::string& group;
    std::vector<velm::InterruptedMove> moves;
  } context{group, {}};
  velm::ListMoveJournals(
      [](const velm::InterruptedMove& move, void* c) {
        auto* ctx = static_cast<Context*>(c);
        const bool names = ctx->group == move.source || ctx->group == move.target;
        if (names && !move.running) ctx->moves.push_back(move);
        return true;
      },
      &context, nullptr);
  // A journal cut short before it was whole names no move that began: it goes.
  velm::RemoveUnwrittenJournals(
      [](const char* name, void* o) {
        *static_cast<std::ostream*>(o)
            << "deleted the move journal " << SjisToUtf8(name)
            << ", cut short before it was written: its move had not begun, nothing to finish\n";
      },
      &out);
  bool ok = true;
  for (const velm::InterruptedMove& move : context.moves) {
    const MoveJournalNote note = NoteOf(move);
    velm::MoveRepair what = velm::MoveRepair::kFailed;
    const host::Err status = velm::FinishInterruptedMove(move, &what);
    const std::string record =
        "record " + std::to_string(note.number) + " \"" + note.name + "\" of " + note.source;
    switch (what) {
      case velm::MoveRepair::kFinished:
        out << "finished the interrupted move of " << record << " to " << note.target
            << ": it is now only in " << note.target << "\n";
        break;
      case velm::MoveRepair::kWasDone:
        out << "the interrupted move of " << record << " to " << note.target
            << " had finished; its journal " << note.file << " was deleted\n";
        break;
      case velm::MoveRepair::kNotBegun:
        out << "the interrupted move of " << record << " to " << note.target
            << " had not begun: the record stays in " << note.source << "\n";
        break;
      case velm::MoveRepair::kFailed:
        err << "velm: the interrupted move of " << record << " to " << note.target
            << " could not be finished [" << status << "]; " << note.file << " stays\n";
        ok = false;
        break;
    }
  }
  return ok;
}

}  // namespace velmtool
