// Text art: both text-stream generations, text paths and the text type.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "hostsim/core/document_suites.h"
#include "hostsim/core/suite_impl.h"

namespace hostsim {
namespace {

using namespace impl;

Art* TextOf(host::ArtHandle handle) {
  Art* art = ArtOf(handle);
  return art && art->type == host::kTextArt ? art : nullptr;
}

TextStream* StreamOf(host::TextStreamHandle handle) {
  return Doc() ? Doc()->StreamFrom(handle) : nullptr;
}

// Whether the open document's text metrics know the font.
bool KnownFontName(const char* name) {
  const TextMetrics* metrics = Doc() ? Doc()->textMetrics() : nullptr;
  return metrics && metrics->knownFont(name);
}

// The attributes of the character before the stream's position (the first one at 0).
const TextAttributes& Before(const TextStream* s) {
  return s->art->text.AttributesAt(s->position == 0 ? 0 : s->position - 1);
}

// Each operation is written once, for both generations; G is 5 or 4.
template <int G>
struct Stream {
  using Suite = std::conditional_t<G == 5, host::TextStreamSuite, host::TextStreamSuite4>;

  static host::Err VELM_HOSTCALL Open(host::ArtHandle handle, std::int32_t mode,
                                      host::TextStreamHandle* out) {
    if (host::Err e = Check<Suite>("OpenTextStream")) return e;
    Art* art = TextOf(handle);
    if (!art || !out || (mode != host::kTextStreamRead && mode != host::kTextStreamWrite))
      return host::kBadParameterErr;
    if (mode == host::kTextStreamWrite && !Doc()->Editable(art)) return host::kLockedLayerErr;
    TextStream* s = Doc()->NewTextStream();
    s->art = art;
    s->mode = mode;
    s->position = 0;
    s->open = true;
    s->generation = G;
    s->pending = art->text.AttributesAt(0);
    *out = reinterpret_cast<host::TextStreamHandle>(s);
    return host::kNoErr;
  }

  static host::Err VELM_HOSTCALL Close(host::TextStreamHandle handle) {
    if (host::Err e = Check<Suite>("CloseTextStream")) return e;
    TextStream* s = StreamOf(handle);
    if (!s) return host::kBadParameterErr;
    s->open = false;
    return host::kNoErr;
  }

  static host::Err VELM_HOSTCALL Read(host::TextStreamHandle handle, char* buffer,
                                      std::int32_t count, std::int32_t* read) {
    if (host::Err e = Check<Suite>("ReadText")) return e;
    TextStream* s = StreamOf(handle);
    if (!s || !read || count < 0 || (count > 0 && !buffer)) return host::kBadParameterErr;
    const std::string& bytes = s->art->text.bytes;
    const std::size_t n = std::min(static_cast<std::size_t>(count),
                                   bytes.size() - std::min(s->position, bytes.size()));
    if (n > 0) std::memcpy(buffer, bytes.data() + s->position, n);
    s->position += n;
    *read = static_cast<std::int32_t>(n);
    return host::kNoErr;
  }

  static host::Err VELM_HOSTCALL Move(host::TextStreamHandle handle, std::int32_t delta) {
    if (host::Err e = Check<Suite>("MoveTextPosition")) return e;
    TextStream* s = StreamOf(handle);
    if (!s) return host::kBadParameterErr;
    const std::int64_t to = static_cast<std::int64_t>(s->position) + delta;
    if (to < 0 || to > static_cast<std::int64_t>(s->art->text.bytes.size()))
      return host::kBadParameterErr;
    s->position = static_cast<std::size_t>(to);
    return host::kNoErr;
  }

  static host::Err VELM_HOSTCALL GetRunValue(host::TextStreamHandle handle, host::Real* value) {
    if (host::Err e = Check<Suite>("GetRunValue")) return e;
    TextStream* s = StreamOf(handle);
    if (!s || !value) return host::kBadParameterErr;
    *value = s->art->text.AttributesAt(s->position).runValue;
    return host::kNoErr;
  }

  static host::Err VELM_HOSTCALL GetPaintStyle(host::TextStreamHandle handle,
                                               host::PathStyle* style) {
    if (host::Err e = Check<Suite>("GetPaintStyle")) return e;
    TextStream* s = StreamOf(handle);
    if (!s || !style) return host::kBadParameterErr;
    std::memcpy(static_cast<void*>(style), &Before(s).paint, sizeof *style);
    if (G == 4) Doc()->StyleToGeneration4(style);
    return host::kNoErr;
  }

  template <class Record, Record TextAttributes::*member>
  static host::Err Get(const char* op, host::TextStreamHandle handle, Record* out) {
    if (host::Err e = Check<Suite>(op)) return e;
    TextStream* s = StreamOf(handle);
    if (!s || !out) return host::kBadParameterErr;
    std::memcpy(static_cast<void*>(out), &(Before(s).*member), sizeof *out);
    return host::kNoErr;
  }
  static host::Err VELM_HOSTCALL GetFont(host::TextStreamHandle h, host::TextFont* out) {
    return Get<host::TextFont, &TextAttributes::font>("GetFont", h, out);
  }
  static host::Err VELM_HOSTCALL GetParagraph(host::TextStreamHandle h,
                                              host::ParagraphAttributes* out) {
    return Get<host::ParagraphAttributes, &TextAttributes::paragraph>("GetParagraphAttributes", h,
                                                                      out);
  }
  static host::Err VELM_HOSTCALL GetCharacter(host::TextStreamHandle h,
                                              host::CharacterAttributes* out) {
    return Get<host::CharacterAttributes, &TextAttributes::character>("GetCharacterAttributes", h,
                                                                      out);
  }
  static host::Err VELM_HOSTCALL GetTabs(host::TextStreamHandle h, host::TabStops* out) {
    return Get<host::TabStops, &TextAttributes::tabs>("GetTabStops", h, out);
  }

  // The setters only change what the next inserted characters get.
  template <class Record, Record TextAttributes::*member>
  static host::Err Set(const char* op, host::TextStreamHandle handle, const Record* in) {
    if (host::Err e = Check<Suite>(op)) return e;
    TextStream* s = StreamOf(handle);
    if (!s || !in) return host::kBadParameterErr;
    std::memcpy(static_cast<void*>(&(s->pending.*member)), in, sizeof *in);
    return host::kNoErr;
  }
  static host::Err VELM_HOSTCALL SetPaintStyle(host::TextStreamHandle handle,
                                               const host::PathStyle* style) {
    if (host::Err e = Check<Suite>("SetPaintStyle")) return e;
    TextStream* s = StreamOf(handle);
    if (!s || !style) return host::kBadParameterErr;
    host::PathStyle copy;
    std::memcpy(static_cast<void*>(&copy), style, sizeof copy);
    std::memset(copy.reserved, 0, sizeof copy.reserved);
    if (G == 4) Doc()->StyleFromGeneration4(&copy);
    if (!Doc()->ValidStyle(copy)) return host::kBadParameterErr;
    s->pending.paint = copy;
    return host::kNoErr;
  }
  static host::Err VELM_HOSTCALL SetFont(host::TextStreamHandle handle,
                                         const host::TextFont* font) {
    if (host::Err e = Check<Suite>("SetFont")) return e;
    TextStream* s = StreamOf(handle);
    // A font the host lacks is kept when the record says it is substituted: it is drawn
    // with one of the host's own.
    if (!s || !font || !std::memchr(font->name, 0, sizeof font->name) ||
        (!KnownFontName(font->name) && !font->substituted))
      return host::kBadParameterErr;
    std::memcpy(static_cast<void*>(&s->pending.font), font, sizeof *font);
    return host::kNoErr;
  }
  static host::Err VELM_HOSTCALL SetParagraph(host::TextStreamHandle h,
                                              const host::ParagraphAttributes* in) {
    return Set<host::ParagraphAttributes, &TextAttributes::paragraph>("SetParagraphAttributes", h,
                                                                      in);
  }
  static host::Err VELM_HOSTCALL SetCharacter(host::TextStreamHandle h,
                                              const host::CharacterAttributes* in) {
    return Set<host::CharacterAttributes, &TextAttributes::character>("SetCharacterAttributes", h,
                                                                      in);
  }
  static host::Err VELM_HOSTCALL SetTabs(host::TextStreamHandle h, const host::TabStops* in) {
    return Set<host::TabStops, &TextAttributes::tabs>("SetTabStops", h, in);
  }
  static host::Err VELM_HOSTCALL SetRunValue(host::TextStreamHandle handle, host::Real value) {
    if (host::Err e = Check<Suite>("SetRunValue")) return e;
    TextStream* s = StreamOf(handle);
    if (!s) return host::kBadParameterErr;
    s->pending.runValue = value;
    return host::kNoErr;
  }

  static host::Err VELM_HOSTCALL Insert(host::TextStreamHandle handle, const char* text,
                                        std::int32_t length) {
    if (host::Err e = Check<Suite>("InsertText")) return e;
    TextStream* s = StreamOf(handle);
    if (!s || s->mode != host::kTextStreamWrite || length < 0 || (length > 0 && !text))
      return host::kBadParameterErr;
    if (!Doc()->Editable(s->art)) return host::kLockedLayerErr;
    Doc()->Changing(s->art);
    s->art->text.Insert(s->position, std::string(text, static_cast<std::size_t>(length)),
                        s->pending);
    s->position += static_cast<std::size_t>(length);
    return host::kNoErr;
  }

  template <class T>
  static void Install(T& t) {
    t.OpenTextStream = Open;
    t.CloseTextStream = Close;
    t.ReadText = Read;
    t.MoveTextPosition = Move;
    t.GetRunValue = GetRunValue;
    t.GetPaintStyle = GetPaintStyle;
    t.GetFont = GetFont;
    t.GetParagraphAttributes = GetParagraph;
    t.GetCharacterAttributes = GetCharacter;
    t.GetTabStops = GetTabs;
    t.SetPaintStyle = SetPaintStyle;
    t.SetFont = SetFont;
    t.SetParagraphAttributes = SetParagraph;
    t.SetCharacterAttributes = SetCharacter;
    t.SetTabStops = SetTabs;
    t.SetRunValue = SetRunValue;
    t.InsertText = Insert;
  }
};

// ---- AI Text Path Suite ----

Art* PathOf(host::TextPathHandle handle) {
  return Doc() ? Doc()->TextPathFrom(handle) : nullptr;
}

host::TextPathHandle PathHandle(Art* path) {
  return reinterpret_cast<host::TextPathHandle>(path);
}

host::Err VELM_HOSTCALL GetFirstTextPath(host::ArtHandle handle, host::TextPathHandle* path) {
  if (host::Err e = Check<host::TextPathSuite>("GetFirstTextPath")) return e;
  Art* text = TextOf(handle);
  if (!text || !path) return host::kBadParameterErr;
  *path = text->children.empty() ? nullptr : PathHandle(text->children.front());
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetNextTextPath(host::TextPathHandle handle, host::TextPathHandle* next) {
  if (host::Err e = Check<host::TextPathSuite>("GetNextTextPath")) return e;
  Art* path = PathOf(handle);
  if (!path || !next) return host::kBadParameterErr;
  *next = nullptr;
  const std::vector<Art*>& list = path->parent->children;
  for (std::size_t i = 0; i + 1 < list.size(); ++i)
    if (list[i] == path) *next = PathHandle(list[i + 1]);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL AddTextPath(host::ArtHandle textHandle, host::ArtHandle prepHandle,
                                    std::int32_t paintOrder, host::ArtHandle* pathArt) {
  if (host::Err e = Check<host::TextPathSuite>("AddTextPath")) return e;
  Art* text = TextOf(textHandle);
  Art* path = pathArt ? ArtOf(*pathArt) : nullptr;
  Art* prep = ArtOf(prepHandle);
  if (!text || !path || path->type != host::kPathArt || (prepHandle && !prep))
    return host::kBadParameterErr;
  if (prep && prep->parent == text &&
      (paintOrder == host::kPlaceAbove || paintOrder == host::kPlaceBelow))
    return Doc()->Insert(path, paintOrder, prep);
  if (prep && prep != text) return host::kBadParameterErr;
  if (paintOrder == host::kPlaceInsideOnTop) return Doc()->Insert(path, paintOrder, text);
  if (paintOrder == host::kPlaceInsideOnBottom) return Doc()->Insert(path, paintOrder, text);
  return host::kBadParameterErr;
}

host::Err VELM_HOSTCALL GetTextPathArt(host::TextPathHandle handle, host::ArtHandle* art) {
  if (host::Err e = Check<host::TextPathSuite>("GetTextPathArt")) return e;
  Art* path = PathOf(handle);
  if (!path || !art) return host::kBadParameterErr;
  *art = path->handle();
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetTextPathMatrix(host::TextPathHandle handle, host::RealMatrix* matrix) {
  if (host::Err e = Check<host::TextPathSuite>("GetTextPathMatrix")) return e;
  Art* path = PathOf(handle);
  if (!path || !matrix) return host::kBadParameterErr;
  *matrix = path->textPathMatrix;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetTextPathMatrix(host::TextPathHandle handle,
                                          const host::RealMatrix* matrix) {
  if (host::Err e = Check<host::TextPathSuite>("SetTextPathMatrix")) return e;
  Art* path = PathOf(handle);
  if (!path || !matrix) return host::kBadParameterErr;
  if (!Doc()->Editable(path)) return host::kLockedLayerErr;
  Doc()->Changing(path);
  path->textPathMatrix = *matrix;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetTextPathAttribute(host::TextPathHandle handle, std::int16_t* attribute) {
  if (host::Err e = Check<host::TextPathSuite>("GetTextPathAttribute")) return e;
  Art* path = PathOf(handle);
  if (!path || !attribute) return host::kBadParameterErr;
  *attribute = path->textPathAttribute;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetTextPathAttribute(host::TextPathHandle handle, std::int16_t attribute) {
  if (host::Err e = Check<host::TextPathSuite>("SetTextPathAttribute")) return e;
  Art* path = PathOf(handle);
  if (!path) return host::kBadParameterErr;
  if (!Doc()->Editable(path)) return host::kLockedLayerErr;
  Doc()->Changing(path);
  path->textPathAttribute = attribute;
  return host::kNoErr;
}

// ---- AI Text Suite ----

host::Err VELM_HOSTCALL GetTextType(host::ArtHandle handle, std::int32_t* type) {
  if (host::Err e = Check<host::TextSuite>("GetTextType")) return e;
  Art* text = TextOf(handle);
  if (!text || !type) return host::kBadParameterErr;
  *type = text->text.type;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetTextType(host::ArtHandle handle, std::int32_t type) {
  if (host::Err e = Check<host::TextSuite>("SetTextType")) return e;
  Art* text = TextOf(handle);
  if (!text || type < host::kPointText || type > host::kPathText) return host::kBadParameterErr;
  if (!Doc()->Editable(text)) return host::kLockedLayerErr;
  Doc()->Changing(text);
  text->text.type = type;
  return host::kNoErr;
}

}  // namespace

void InstallTextSuites(host::TextStreamSuite& stream, host::TextStreamSuite4& stream4,
                       host::TextPathSuite& path, host::TextSuite& text) {
  Stream<5>::Install(stream);
  Stream<4>::Install(stream4);

  path.GetFirstTextPath = GetFirstTextPath;
  path.GetNextTextPath = GetNextTextPath;
  path.AddTextPath = AddTextPath;
  path.GetTextPathArt = GetTextPathArt;
  path.GetTextPathMatrix = GetTextPathMatrix;
  path.SetTextPathMatrix = SetTextPathMatrix;
  path.GetTextPathAttribute = GetTextPathAttribute;
  path.SetTextPathAttribute = SetTextPathAttribute;

  text.GetTextType = GetTextType;
  text.SetTextType = SetTextType;
}

}  // namespace hostsim
