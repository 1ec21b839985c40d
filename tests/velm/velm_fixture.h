// Runs the velm tool in-process on libraries written through the plug-in's own record
// store, and builds art objects and damaged copies of group files for it.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/store_fixture.h"

namespace velmtest {

using Bytes = std::vector<std::uint8_t>;

struct RunResult {
  int code = -1;
  std::string out;
  std::string err;
};

// Art objects in host byte order, laid out as the capture writes them.
Bytes PathObjectBytes(int segments, bool closed = true);
Bytes MarkerBytes(const std::string& text);
Bytes TextObjectBytes(const std::vector<std::string>& runTexts,
                      const std::vector<int>& pathSegments);
Bytes RasterObjectBytes(int tiles);
// One vertex per entry, each entry the point counts of its segments.
Bytes MeshObjectBytes(const std::vector<std::vector<int>>& vertices);
// Appends an object to an expanded record (objectCount and recordLength follow).
void AppendObject(os::MemHandle& record, const Bytes& object);

// Big-endian words of a file held in a string.
std::uint32_t GetBE32(const std::string& bytes, std::size_t at);
void PutBE32(std::string& bytes, std::size_t at, std::uint32_t value);

struct Span {
  std::size_t offset;
  std::size_t length;
};
// Where each record of a sound group file lies.
std::vector<Span> RecordSpans(const std::string& file);
// The file with record `index`'s art stream expanded, changed by `edit` (big-endian
// bytes, as stored) and coded again; the record's lengths follow the new coded size.
std::string EditArt(const std::string& file, int index, const std::function<void(Bytes&)>& edit);
// The same for either coded part (the thumbnail or the art stream), coded again by `code`
// when given (by the record coder otherwise).
std::string EditPart(const std::string& file, int index, bool thumbnail,
                     const std::function<void(Bytes&)>& edit,
                     const std::function<Bytes(const Bytes&)>& code = nullptr);
// A valid coding of `plain` that sends every byte as a literal: it expands to the same
// bytes, but is not what the record coder writes.
Bytes LiteralsOnly(const Bytes& plain);

class VelmToolTest : public StoreTest {
 protected:
  RunResult Run(const std::vector<std::string>& args);
  // Runs a command with --json added, expects `code` and parses its output.
  nlohmann::json RunJson(std::vector<std::string> args, int code = 0);

  // Stores `record` (expanded; taken over) at the end of `group` through the plug-in.
  void Store(const std::string& group, os::MemHandle record);
  std::string Folder() const { return DatabaseFolder().string(); }
  std::string FileOf(const std::string& group) const { return GroupFile(group).string(); }
};

}  // namespace velmtest
