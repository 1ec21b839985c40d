#include "prefs/preferences.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "database/group_file.h"
#include "database/writer_mark.h"
#include "frame/globals.h"
#include "frame/trace.h"
#include "platform/memory.h"
#include "platform/os.h"

namespace velm {
namespace {

constexpr char kPrefsFolder[] = "\\Prefs";
constexpr char kPrefsFile[] = "\\Prefs\\VELM-Pro.ini";
// The new contents are written to "VELM-Pro.ini.<process id>-<mark>.new" first and then
// put in the file's place in one step, so that a write that fails half-way never costs the
// settings already stored, and two hosts writing at once, on one machine or several
// sharing the folder, never write into one scratch file (database/writer_mark.h). Where no
// mark can be had (no lock file can be made), the older name without one is used.
constexpr char kPrefsScratchFormat[] = "\\Prefs\\VELM-Pro.ini.%u-%s.new";
constexpr char kPrefsUnmarkedScratchFormat[] = "\\Prefs\\VELM-Pro.ini.%u.new";
// The longest cleaned line that is parsed; the rest of a line is dropped. As long as the
// longest line written (a key and a 255-byte search text of doubled quotes, quoted), so
// that every setting written reads back whole; the fields themselves hold 255 and 63 bytes.
constexpr std::size_t kLineLimit = 2 * 256 + 64;
// A preferences file is a few hundred bytes. A larger one is not ours: it is not read
// (and cannot make the read allocate without bound).
constexpr std::int64_t kLargestFile = 65536;

enum class Kind { kInt16, kInt32, kReal, kString };

struct Setting {
  const char* key;
  Kind kind;
  std::size_t offset;
  std::size_t size;  // of a string field, its NUL included
};

#define VELM_SETTING(key, kind, field) \
  { key, kind, offsetof(Globals, field), sizeof(Globals::field) }

// In the order the file is written.
const Setting kSettings[] = {
    VELM_SETTING("toolMode", Kind::kInt16, toolMode),
    VELM_SETTING("sortMode", Kind::kInt16, sortMode),
    VELM_SETTING("findMode", Kind::kInt16, searchMode),
    VELM_SETTING("originMode", Kind::kInt16, originMode),
    VELM_SETTING("velmfname", Kind::kString, currentGroup),
    VELM_SETTING("flUseGrid", Kind::kInt32, flUseGrid),
    VELM_SETTING("flUseFcur", Kind::kInt32, flUseFcur),
    VELM_SETTING("flUseFcrs", Kind::kInt32, flUseFcrs),
    VELM_SETTING("flUseFops", Kind::kInt32, flUseFops),
    VELM_SETTING("flGrWidth", Kind::kReal, flGrWidth),
    VELM_SETTING("flGrHeight", Kind::kReal, flGrHeight),
    VELM_SETTING("flCnvFnMode", Kind::kInt16, flCnvFnMode),
    VELM_SETTING("flCnvFnStr", Kind::kString, flCnvFnStr),
    VELM_SETTING("flCnvCase", Kind::kInt16, flCnvCase),
    VELM_SETTING("flCnvKanji", Kind::kInt16, flCnvKanji),
    VELM_SETTING("flCnvWord", Kind::kInt16, flCnvWord),
};

#undef VELM_SETTING

// The length of the text at `text`, looking at no more than `limit` bytes.
std::size_t BoundedLength(const char* text, std::size_t limit) {
  const void* end = std::memchr(text, '\0', limit);
  return end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : limit;
}

// A decimal integer as the C library reads one (blanks, one sign, digits up to the first
// other character, 0 without digits), saturating at the 32-bit range instead of
// overflowing.
std::int32_t DecimalValue(const char* text) {
  while (*text == ' ' || *text == '\t')
    ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  std::int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text)
    if (value <= 0x80000000LL) value = value * 10 + (*text - '0');
  if (negative) value = -value;
  if (value > 0x7FFFFFFFLL) return 0x7FFFFFFF;
  if (value < -0x80000000LL) return static_cast<std::int32_t>(-0x7FFFFFFFLL - 1);
  return static_cast<std::int32_t>(value);
}

// A real written as a decimal number: blanks, one optional sign, digits with an optional
// fraction, an optional exponent; text after the number is ignored, as the C conversion
// ignores it. False, with *out untouched, for anything else (no digits, "nan", "inf",
// hexadecimal) and for a value that a float cannot hold. The conversion does not depend
// on the locale's decimal point.
bool DecimalReal(const char* text, float* out) {
  while (*text == ' ' || *text == '\t')
    ++text;
  const char* p = text;
  if (*p == '+' || *p == '-') ++p;
  std::size_t digits = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    ++digits;
  if (*p == '.')
    for (++p; *p >= '0' && *p <= '9'; ++p)
      ++digits;
  if (digits == 0) return false;
  if (*p == 'e' || *p == 'E') {
    const char* e = p + 1;
    if (*e == '+' || *e == '-') ++e;
    if (*e >= '0' && *e <= '9') {
      while (*e >= '0' && *e <= '9')
        ++e;
      p = e;
    }
  }
  if (*p == 'x' || *p == 'X') return false;  // "0x…": hexadecimal
  const char* first = *text == '+' ? text + 1 : text;
  double value = 0;
  const std::from_chars_result r = std::from_chars(first, p, value, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != p || !std::isfinite(value) || std::fabs(value) > FLT_MAX)
    return false;
  *out = static_cast<float>(value);
  return true;
}

void Store(const Setting& s, const char* value, Globals* g) {
  auto* field = reinterpret_cast<unsigned char*>(g) + s.offset;
  switch (s.kind) {
    case Kind::kInt16: {
      // The low 16 bits, as a 16-bit field takes a wider integer.
      const auto low = static_cast<std::uint16_t>(static_cast<std::uint32_t>(DecimalValue(value)));
      std::int16_t v;
      std::memcpy(&v, &low, sizeof v);
      std::memcpy(field, &v, sizeof v);
      break;
    }
    case Kind::kInt32: {
      const std::int32_t v = DecimalValue(value);
      std::memcpy(field, &v, sizeof v);
      break;
    }
    case Kind::kReal: {
      // A value that is not a decimal number a float can hold keeps the value there.
      float v = 0;
      if (DecimalReal(value, &v)) std::memcpy(field, &v, sizeof v);
      break;
    }
    case Kind::kString: {
      const std::size_t n = std::min(std::strlen(value), s.size - 1);
      std::memcpy(field, value, n);
      field[n] = '\0';
      break;
    }
  }
}

// One line (without its LF): cleaned, split into key and value, and stored.
void ParseLine(const char* line, std::size_t length, Globals* g) {
  // The cleaned copy: TAB and CR go, blanks stay only between double quotes (which are
  // kept for the split below), at most kLineLimit characters.
  char clean[kLineLimit + 1];
  std::size_t n = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < length && n < kLineLimit; ++i) {
    const char c = line[i];
    if (c == '\t' || c == '\r') continue;
    if (c == '"') quoted = !quoted;
    if (c == ' ' && !quoted) continue;
    clean[n++] = c;
  }
  clean[n] = '\0';
  if (n == 0 || clean[0] == '\'') return;

  // Fields: '=' and ',' end one outside quotes; quotes toggle and go; inside them every
  // byte is taken as it is (a Shift-JIS second byte 0x5C is no escape), except that a
  // doubled quote stands for one quote of the value.
  char key[kLineLimit + 1] = {};
  char value[kLineLimit + 1] = {};
  char* fields[2] = {key, value};
  std::size_t field = 0, at = 0;
  quoted = false;
  for (std::size_t i = 0; i < n; ++i) {
    const char c = clean[i];
    if (c == '"' && quoted && i + 1 < n && clean[i + 1] == '"') {
      fields[field][at++] = c;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && (c == '=' || c == ',')) {
      if (++field >= 2) break;  // further fields are ignored
      at = 0;
    } else {
      fields[field][at++] = c;
    }
  }
  if (key[0] == '\0' || value[0] == '\0') return;
  for (const Setting& s : kSettings)
    if (std::strcmp(key, s.key) == 0) {
      Store(s, value, g);
      return;
    }
}

// The preferences file's path; false when the base folder cannot be had or the path
// does not fit (nothing is read or written then).
bool PathOf(const char* tail, char (&path)[kPathSize]) {
  char base[kPathSize];
  if (GetBaseFolder(base) != host::kNoErr) return false;
  const std::size_t b = std::strlen(base), t = std::strlen(tail);
  if (b == 0 || b + t + 1 > kPathSize) return false;
  std::memcpy(path, base, b);
  std::memcpy(path + b, tail, t + 1);
  return true;
}

// Makes the preferences folder when it is missing, and removes the scratch files that
// writers which no longer run left in it.
void CreatePrefsFolder() {
  char folder[kPathSize];
  bool exists = false;
  if (!PathOf(kPrefsFolder, folder)) return;
  os::FolderCreate(folder, &exists);
  RemoveDeadScratchFiles(folder, "VELM-Pro.ini.*.new");
}

}  // namespace

void ParsePreferences(const char* text, std::uint32_t length, Globals* g) {
  std::uint32_t start = 0;
  for (std::uint32_t i = 0; i <= length; ++i) {
    if (i == length || text[i] == '\n') {
      ParseLine(text + start, i - start, g);
      start = i + 1;
    }
  }
}

std::uint32_t FormatPreferences(const Globals* g, char* buffer, std::uint32_t capacity) {
  std::uint32_t used = 0;
  for (const Setting& s : kSettings) {
    const auto* field = reinterpret_cast<const unsigned char*>(g) + s.offset;
    // The longest line: a key, a string field of 255 bytes that are all doubled quotes.
    char line[2 * 256 + 64];
    int n = 0;
    switch (s.kind) {
      case Kind::kInt16: {
        std::int16_t v;
        std::memcpy(&v, field, sizeof v);
        n = std::snprintf(line, sizeof line, "%s = %d\r\n", s.key, static_cast<int>(v));
        break;
      }
      case Kind::kInt32: {
        std::int32_t v;
        std::memcpy(&v, field, sizeof v);
        n = std::snprintf(line, sizeof line, "%s = %d\r\n", s.key, static_cast<int>(v));
        break;
      }
      case Kind::kReal: {
        float v;
        std::memcpy(&v, field, sizeof v);
        n = std::snprintf(line, sizeof line, "%s = %g\r\n", s.key, static_cast<double>(v));
        break;
      }
      case Kind::kString: {
        // The field as it is held, up to its NUL (never past the field), between quotes;
        // a quote inside is doubled so that it reads back as one.
        const char* text = reinterpret_cast<const char*>(field);
        const std::size_t length = BoundedLength(text, s.size - 1);
        n = std::snprintf(line, sizeof line, "%s = \"", s.key);
        for (std::size_t i = 0; i < length && n > 0; ++i) {
          if (text[i] == '"') line[n++] = '"';
          line[n++] = text[i];
        }
        if (n > 0)
          n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), "\"\r\n");
        break;
      }
    }
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof line || used + n > capacity) return 0;
    std::memcpy(buffer + used, line, static_cast<std::size_t>(n));
    used += static_cast<std::uint32_t>(n);
  }
  return used;
}

bool ReadPreferences() {
  Trace("ReadPreferences_START\r\n");
  Globals* g = gGlobals;
  char path[kPathSize];
  if (!g || !PathOf(kPrefsFile, path)) return false;
  CreatePrefsFolder();
  const os::FileHandle file =
      os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  if (file == os::kInvalidFile) {
    // A file that is there but cannot be opened (no permission, held by another program,
    // a folder of that name) keeps the user's settings: it must not be written over.
    os::FileStamp stamp;
    return !os::FileGetStamp(path, &stamp);
  }
  std::int64_t size = 0;
  os::MemHandle text = nullptr;
  std::uint32_t done = 0;
  bool tooLarge = false;
  const bool read = os::FileSeek(file, 0, os::SeekOrigin::kEnd, &size) && size >= 0 &&
                    !(tooLarge = size > kLargestFile) &&
                    (text = os::MemAlloc(static_cast<std::uint32_t>(size) + 1)) != nullptr &&
                    os::FileSeek(file, 0, os::SeekOrigin::kBegin, nullptr) &&
                    os::FileRead(file, text, static_cast<std::uint32_t>(size), &done) &&
                    done == static_cast<std::uint32_t>(size);
  os::FileClose(file);
  if (read) {
    // The block is zero-filled, so the text ends at its first NUL at the latest.
    const char* chars = reinterpret_cast<const char*>(text);
    ParsePreferences(chars, static_cast<std::uint32_t>(BoundedLength(chars, done)), g);
  }
  if (text) os::MemFree(text);
  Trace("ReadPreferences_END\r\n");
  // A file far too large is no preferences file and is replaced; one that could not be
  // read (a failed seek or read, no memory) is kept.
  return read || tooLarge;
}

void WritePreferences() {
  Trace("WritePreferences_START\r\n");
  const Globals* g = gGlobals;
  char path[kPathSize], scratch[kPathSize];
  char scratchName[64];
  WriterMark mark;
  const auto process = static_cast<unsigned>(os::ProcessId());
  if (mark.Take()) {
    std::snprintf(scratchName, sizeof scratchName, kPrefsScratchFormat, process, mark.Text());
  } else {
    std::snprintf(scratchName, sizeof scratchName, kPrefsUnmarkedScratchFormat, process);
  }
  if (!g || !PathOf(kPrefsFile, path) || !PathOf(scratchName, scratch)) return;
  CreatePrefsFolder();
  char text[4096];
  const std::uint32_t length = FormatPreferences(g, text, sizeof text);
  if (length == 0) return;
  os::FileDelete(scratch);
  const os::FileHandle file =
      os::FileOpen(scratch, os::FileAccess::kReadWrite, os::FileDisposition::kCreateAlways);
  if (file == os::kInvalidFile) return;
  std::uint32_t done = 0;
  const bool written =
      os::FileWrite(file, text, length, &done) && done == length && os::FileFlush(file);
  os::FileClose(file);
  if (!written || !os::FileRename(scratch, path, true)) os::FileDelete(scratch);
  Trace("WritePreferences_END\r\n");
}

}  // namespace velm
