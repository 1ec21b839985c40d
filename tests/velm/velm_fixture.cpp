#include "velm/velm_fixture.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "commands.h"
#include "common/sjis.h"
#include "database/group_file.h"
#include "database/lzss.h"
#include "database/record.h"
#include "frame/globals.h"
#include "platform/memory.h"

namespace velmtest {
namespace {

template <class T>
void Put(Bytes& bytes, std::size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

Bytes ObjectWithHeader(std::int32_t type, std::size_t length) {
  Bytes bytes(length, 0);
  Put<std::int32_t>(bytes, 0, type);
  Put<std::int32_t>(bytes, 4, static_cast<std::int32_t>(length));
  if (type != 7) Put<std::int32_t>(bytes, 12, 1 << 16);  // opaque
  return bytes;
}

}  // namespace

Bytes PathObjectBytes(int segments, bool closed) {
  Bytes bytes = ObjectWithHeader(2, 5104 + 28 * static_cast<std::size_t>(segments));
  Put<std::int16_t>(bytes, 24, 1);        // fillPaint
  Put<std::int16_t>(bytes, 28, 5);        // fill colour: RGB
  Put<std::int32_t>(bytes, 32, 1 << 16);  // red
  Put<std::int16_t>(bytes, 100, 6);       // stroke colour: none
  Put<std::int16_t>(bytes, 5100, closed ? 1 : 0);
  Put<std::int16_t>(bytes, 5102, static_cast<std::int16_t>(segments));
  for (int i = 0; i < segments; ++i)
    Put<std::int32_t>(bytes, 5104 + 28 * i, (i * 10) << 16);
  return bytes;
}

Bytes MarkerBytes(const std::string& text) {
  Bytes bytes = ObjectWithHeader(7, 27 + text.size());
  std::memcpy(bytes.data() + 24, text.data(), text.size());
  return bytes;
}

Bytes TextObjectBytes(const std::vector<std::string>& runTexts,
                      const std::vector<int>& pathSegments) {
  const std::size_t runs = runTexts.size();
  const std::size_t tableOffset = 40 + 5888 * runs;
  std::size_t tableLength = 0;
  for (int s : pathSegments)
    tableLength += 28 * (static_cast<std::size_t>(s) + 1);
  Bytes bytes = ObjectWithHeader(4, tableOffset + tableLength);
  Put<std::int32_t>(bytes, 28, static_cast<std::int32_t>(tableOffset));
  Put<std::int32_t>(bytes, 32, static_cast<std::int32_t>(tableLength));
  Put<std::int16_t>(bytes, 36, static_cast<std::int16_t>(pathSegments.size()));
  Put<std::int16_t>(bytes, 38, static_cast<std::int16_t>(runs));
  for (std::size_t r = 0; r < runs; ++r) {
    const std::string text = Sjis(runTexts[r]);
    std::memcpy(bytes.data() + 40 + 5888 * r + 5632, text.data(),
                std::min<std::size_t>(254, text.size()));
  }
  std::size_t at = tableOffset;
  for (int s : pathSegments) {
    Put<std::int32_t>(bytes, at, 1 << 16);  // matrix a
    Put<std::int16_t>(bytes, at + 26, static_cast<std::int16_t>(s));
    at += 28 * (static_cast<std::size_t>(s) + 1);
  }
  return bytes;
}

Bytes RasterObjectBytes(int tiles) {
  Bytes bytes = ObjectWithHeader(9, 92 + 4096 * static_cast<std::size_t>(tiles));
  Put<std::int16_t>(bytes, 32, static_cast<std::int16_t>(32 * tiles));  // right
  Put<std::int16_t>(bytes, 34, 1);                                      // bottom
  Put<std::int16_t>(bytes, 42, 32);                                     // bits per pixel
  Put<std::int32_t>(bytes, 88, tiles);
  for (std::size_t i = 92; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7);
  return bytes;
}

Bytes MeshObjectBytes(const std::vector<std::vector<int>>& vertices) {
  Bytes bytes = ObjectWithHeader(11, 40);
  Put<std::int32_t>(bytes, 28, 1);  // iSize
  Put<std::int32_t>(bytes, 32, 1);  // jSize
  Put<std::int32_t>(bytes, 36, static_cast<std::int32_t>(vertices.size()));
  for (const std::vector<int>& segments : vertices) {
    Bytes vertex(84, 0);
    Put<std::int16_t>(vertex, 4, 0);  // gray
    Put<std::int32_t>(vertex, 80, static_cast<std::int32_t>(segments.size()));
    for (int points : segments) {
      Bytes segment(24 + 8 * static_cast<std::size_t>(points), 0);
      Put<std::int32_t>(segment, 0, static_cast<std::int32_t>(segment.size()));
      Put<std::int32_t>(segment, 20, points);
      vertex.insert(vertex.end(), segment.begin(), segment.end());
    }
    Put<std::int32_t>(vertex, 0, static_cast<std::int32_t>(vertex.size()));
    bytes.insert(bytes.end(), vertex.begin(), vertex.end());
  }
  Put<std::int32_t>(bytes, 4, static_cast<std::int32_t>(bytes.size()));
  return bytes;
}

void AppendObject(os::MemHandle& record, const Bytes& object) {
  velm::Record* header = velm::RecordHeader(record);
  const auto end = static_cast<std::uint32_t>(header->recordLength) - velm::kRecordSlack;
  ASSERT_TRUE(velm::GrowBlock(record, end + static_cast<std::uint32_t>(object.size()) + 2,
                              velm::kRecordGranule));
  std::memcpy(record + end, object.data(), object.size());
  header = velm::RecordHeader(record);
  header->recordLength += static_cast<std::int32_t>(object.size());
  ++header->objectCount;
}

std::uint32_t GetBE32(const std::string& bytes, std::size_t at) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

void PutBE32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

std::vector<Span> RecordSpans(const std::string& file) {
  std::vector<Span> spans;
  std::size_t at = 4;
  for (std::uint32_t i = 0; i < GetBE32(file, 0); ++i) {
    const std::size_t length = GetBE32(file, at + 4);
    spans.push_back({at, length});
    at += length;
  }
  return spans;
}

std::string EditPart(const std::string& file, int index, bool thumbnail,
                     const std::function<void(Bytes&)>& edit,
                     const std::function<Bytes(const Bytes&)>& code) {
  const Span span = RecordSpans(file).at(static_cast<std::size_t>(index));
  std::uint32_t lengths[2] = {GetBE32(file, span.offset + 416), GetBE32(file, span.offset + 420)};
  const std::size_t starts[2] = {span.offset + 424, span.offset + 424 + lengths[0]};
  const int part = thumbnail ? 0 : 1;
  const auto* coded = reinterpret_cast<const std::uint8_t*>(file.data() + starts[part]);
  os::MemHandle block = nullptr;
  const std::int64_t n = velm::LzssDecode(coded, lengths[part], block, velm::kRecordGranule);
  Bytes plain(block, block + n);
  velm::ReleaseBlock(block);
  if (edit) edit(plain);
  Bytes recoded;
  if (code) {
    recoded = code(plain);
  } else {
    const std::int64_t m = velm::LzssEncode(plain.data(), static_cast<std::uint32_t>(plain.size()),
                                            block, velm::kRecordGranule);
    recoded.assign(block, block + m);
    velm::ReleaseBlock(block);
  }
  std::string parts[2] = {file.substr(starts[0], lengths[0]), file.substr(starts[1], lengths[1])};
  parts[part].assign(recoded.begin(), recoded.end());
  lengths[part] = static_cast<std::uint32_t>(recoded.size());
  std::string record = file.substr(span.offset, 424) + parts[0] + parts[1] + std::string(2, '\0');
  PutBE32(record, 4, static_cast<std::uint32_t>(record.size()));
  PutBE32(record, 416, lengths[0]);
  PutBE32(record, 420, lengths[1]);
  return file.substr(0, span.offset) + record + file.substr(span.offset + span.length);
}

std::string EditArt(const std::string& file, int index, const std::function<void(Bytes&)>& edit) {
  return EditPart(file, index, false, edit);
}

Bytes LiteralsOnly(const Bytes& plain) {
  Bytes coded;
  for (std::size_t at = 0; at < plain.size(); at += 8) {
    const std::size_t n = std::min<std::size_t>(8, plain.size() - at);
    coded.push_back(static_cast<std::uint8_t>((1u << n) - 1));
    coded.insert(coded.end(), plain.begin() + static_cast<std::ptrdiff_t>(at),
                 plain.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  return coded;
}

RunResult VelmToolTest::Run(const std::vector<std::string>& args) {
  std::vector<const char*> argv = {"velm"};
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  std::ostringstream out, err;
  RunResult result;
  result.code = velmtool::RunVelm(static_cast<int>(argv.size()), argv.data(), out, err);
  result.out = out.str();
  result.err = err.str();
  return result;
}

nlohmann::json VelmToolTest::RunJson(std::vector<std::string> args, int code) {
  args.push_back("--json");
  const RunResult r = Run(args);
  EXPECT_EQ(r.code, code) << r.err;
  nlohmann::json j = nlohmann::json::parse(r.out, nullptr, false);
  EXPECT_FALSE(j.is_discarded()) << r.out;
  return j;
}

void VelmToolTest::Store(const std::string& group, os::MemHandle record) {
  velm::Globals* g = velm::gGlobals;
  velm::ReleaseBlock(g->currentRecord);
  g->currentRecord = record;
  ASSERT_EQ(velm::WriteGroupRecord(Sjis(group).c_str(), -1), host::kNoErr);
}

}  // namespace velmtest
