// How the scratch files and move journals of a writer that still runs are told from those
// a crash left behind, by every machine that shares the library's folder.
//
// A writer draws a mark, 16 hexadecimal digits from the system's random source, and puts
// it in the names of the files it makes after its process id:
//   VELM-<process>-<mark>.TMP, VELM-<process>-<mark>.MOV, VELM-Pro.ini.<process>-<mark>.new
// so that no two writers make one name, whatever machine they run on and however process
// ids are reused. From before it makes such a file until that file is gone (or, for a
// journal, no longer needed), the writer holds one byte of the database folder's lock
// file (<base folder>\VELM\VELM.LCK) that the mark chooses: the same byte-range lock the
// groups' writes take, which every machine sharing the folder sees and which ends with the
// writer, when it finishes or is killed. A file whose mark's byte is free is left over.
//
// Names of the older form (VELM-<process>-<n>.TMP, VELM-Pro.ini.<process>.new) carry no
// mark; their writer is judged by its process id on this machine, as before.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/os.h"

namespace velm {

inline constexpr std::size_t kMarkDigits = 16;

class WriterMark {
 public:
  WriterMark() = default;
  WriterMark(const WriterMark&) = delete;
  WriterMark& operator=(const WriterMark&) = delete;
  ~WriterMark() { Release(); }
  // Draws a mark and takes its byte of the lock file (making the database folder and the
  // file when they are missing); false when no mark could be had (nothing is held then).
  bool Take();
  void Release();
  bool Held() const { return file_ != os::kInvalidFile; }
  // The mark's 16 digits ("" while none is held).
  const char* Text() const { return text_; }

 private:
  os::FileHandle file_ = os::kInvalidFile;
  std::uint64_t offset_ = 0;
  char text_[kMarkDigits + 1] = {};
};

enum class WriterState {
  kRunning,  // the writer still runs (or holds its mark)
  kEnded,    // the file is left over
  kUnknown,  // its mark cannot be asked (the lock file cannot be opened, no locks)
};

// The name's process id and mark, after the `prefixLength` bytes before the id: true for
// "<digits>" followed by anything but a digit; *marked (and mark, 16 digits and a NUL)
// when "-<16 hexadecimal digits>." follows the id.
bool ParseWriterName(const char* name, std::size_t prefixLength, std::uint32_t* process,
                     bool* marked, char (&mark)[kMarkDigits + 1]);

// The writer of the file named `name` (see ParseWriterName): by its mark when the name
// carries one, else by its process id: a process of this machine that runs other than
// this one (which writes no names of the older form). kUnknown when the name is of
// neither form.
WriterState WriterOfFile(const char* name, std::size_t prefixLength);

}  // namespace velm
