// Whether the plug-in's loader places stored records whole: each record is expanded and
// placed, as a drop or velm export places it, into an empty document of a stand-in host
// that runs the plug-in. Everything the loader (or the host under it) refuses in a
// record's art shows here, whatever field it lies in.
//
// The stand-in host takes over the plug-in's state for the whole process, so the records
// are placed in a child process: the caller's state stays as it was, and a record that
// brings the loader down is named instead of ending the caller.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velmtool {

struct PlacementJob {
  std::filesystem::path file;  // the group file
  std::uint64_t offset = 0;    // where the record lies in it
  std::uint32_t length = 0;    // its recordLength
};

struct PlacementOutcome {
  // Why each job's record is not placed whole, in job order; empty for one that is.
  std::vector<std::string> refused;
  // Why no record could be placed at all (the stand-in host did not start); then
  // `refused` is all empty.
  std::string error;
};

PlacementOutcome CheckPlacement(const std::vector<PlacementJob>& jobs);

}  // namespace velmtool
