// Reading a scene's text art: runs of text with their attributes, text paths and tab stops.
#include <climits>
#include <cstring>

#include "hostsim/drawing/text_layout.h"
#include "hostsim/scene/scene_reader_p.h"
#include "platform/sjis_forms.h"

namespace hostsim::scene_io {

void Reader::ReadFields(const Json& j, const std::string& at, const Field* fields, std::size_t n,
                        void* record) {
  if (!j.is_object()) Fail(at, "expected an object");
  for (const auto& [key, value] : j.items()) {
    const Field* f = nullptr;
    for (std::size_t i = 0; i < n; ++i)
      if (key == fields[i].name) f = &fields[i];
    if (!f) Fail(Key(at, key), "unknown field \"" + key + "\"");
    auto* at8 = static_cast<std::uint8_t*>(record) + f->offset;
    const std::string p = Key(at, key);
    if (f->kind == FieldKind::kReal) {
      const float v = Real(value, p);
      std::memcpy(at8, &v, sizeof v);
    } else if (f->kind == FieldKind::kInt32) {
      const auto v = static_cast<std::int32_t>(Int(value, p, INT32_MIN, INT32_MAX));
      std::memcpy(at8, &v, sizeof v);
    } else {
      const auto v = static_cast<std::int16_t>(Int(value, p, INT16_MIN, INT16_MAX));
      std::memcpy(at8, &v, sizeof v);
    }
  }
}

void Reader::ReadText(const Json& j, const std::string& at, Art* art) {
  TextData& t = art->text;
  if (j.contains("textType")) t.type = Enum(j["textType"], Key(at, "textType"), kTextTypes, 3);
  if (j.contains("runs")) {
    const std::string rp = Key(at, "runs");
    Array(j["runs"], rp);
    for (std::size_t i = 0; i < j["runs"].size(); ++i) {
      const Json& r = j["runs"][i];
      const std::string p = Index(rp, i);
      Keys(r, p,
           {"text", "bytes", "font", "size", "fill", "stroke", "fillOverprint", "evenOdd", "clip",
            "lockClip", "resolution", "runValue", "character", "fontRecord", "paragraph", "tabs"});
      TextAttributes a = DefaultTextAttributes();
      if (r.contains("font")) {
        const std::string font = Str(r, p, "font", "");
        // A font the host lacks is taken when its record says it is substituted (drawn
        // with one of the host's own).
        const bool substituted = r.contains("fontRecord") && r["fontRecord"].is_object() &&
                                 r["fontRecord"].value("substituted", Json(0)) != Json(0);
        if (font.size() >= sizeof a.font.name || (!KnownFont(font.c_str()) && !substituted))
          Fail(Key(p, "font"), "the host has no font \"" + font + "\"");
        std::memset(a.font.name, 0, sizeof a.font.name);
        std::memcpy(a.font.name, font.data(), font.size());
        a.font.script = font.rfind("IPA", 0) == 0 ? host::kJapaneseScript : host::kRomanScript;
      }
      if (r.contains("size")) {
        a.character.fontSize = Real(r["size"], Key(p, "size"));
        if (a.character.fontSize <= 0) Fail(Key(p, "size"), "a font size must be above 0");
        a.character.leading = a.character.fontSize * 1.2f;
      }
      ReadStyle(r, p, &a.paint);
      a.runValue = Real(r, p, "runValue", 0);
      if (r.contains("character"))
        ReadFields(r["character"], Key(p, "character"), kCharacterFields,
                   std::size(kCharacterFields), &a.character);
      if (r.contains("fontRecord"))
        ReadFields(r["fontRecord"], Key(p, "fontRecord"), kFontFields, std::size(kFontFields),
                   &a.font);
      if (r.contains("paragraph"))
        ReadFields(r["paragraph"], Key(p, "paragraph"), kParagraphFields,
                   std::size(kParagraphFields), &a.paragraph);
      if (r.contains("tabs")) ReadTabs(r["tabs"], Key(p, "tabs"), &a.tabs);
      std::string bytes;
      if (r.contains("text")) {
        if (r.contains("bytes")) Fail(p, "give \"text\" or \"bytes\", not both");
        const std::string utf8 = Str(r, p, "text", "");
        const bool japanese = a.font.script == host::kJapaneseScript;
        if (!Recode("UTF-8", japanese ? "CP932" : "CP1252",
                    japanese ? velm::platform::ToWindowsForms(utf8) : utf8, &bytes))
          Fail(Key(p, "text"), std::string("the text cannot be written in ") +
                                   (japanese ? "Shift-JIS" : "code page 1252"));
      } else if (r.contains("bytes")) {
        const std::vector<std::uint8_t> raw = Bytes(r["bytes"], Key(p, "bytes"));
        bytes.assign(raw.begin(), raw.end());
      }
      t.Insert(t.bytes.size(), bytes, a);
    }
  }
  if (j.contains("paths")) {
    for (Art* child : art->children)
      child->alive = false;
    art->children.clear();
    const std::string pp = Key(at, "paths");
    Array(j["paths"], pp);
    for (std::size_t i = 0; i < j["paths"].size(); ++i) {
      const Json& q = j["paths"][i];
      const std::string p = Index(pp, i);
      Keys(q, p, {"matrix", "attribute", "points", "segments", "closed"});
      Art* path = doc_.Create(host::kPathArt);
      path->parent = art;
      art->children.push_back(path);
      if (q.contains("matrix")) path->textPathMatrix = Matrix(q["matrix"], Key(p, "matrix"));
      if (q.contains("attribute"))
        path->textPathAttribute = static_cast<std::int16_t>(
            Int(q["attribute"], Key(p, "attribute"), INT16_MIN, INT16_MAX));
      path->segments = Segments(q, p);
      path->closed = Bool(q, p, "closed", false);
    }
  }
  if (j.contains("at")) {
    if (art->children.empty()) Fail(Key(at, "at"), "the text has no path to place");
    const host::RealPoint origin = Pt(j["at"], Key(at, "at"));
    art->children.front()->textPathMatrix.tx = origin.h;
    art->children.front()->textPathMatrix.ty = origin.v;
  }
}

void Reader::ReadTabs(const Json& j, const std::string& at, host::TabStops* tabs) {
  Keys(j, at, {"defaultSpacing", "count", "stops"});
  tabs->defaultSpacing = Real(j, at, "defaultSpacing", tabs->defaultSpacing);
  if (j.contains("count"))
    tabs->count =
        static_cast<std::int32_t>(Int(j["count"], Key(at, "count"), INT32_MIN, INT32_MAX));
  if (j.contains("stops")) {
    const std::string p = Key(at, "stops");
    Array(j["stops"], p);
    if (j["stops"].size() > host::kMaxTabStops) Fail(p, "at most 15 tab stops");
    for (std::size_t i = 0; i < j["stops"].size(); ++i) {
      const Json& s = j["stops"][i];
      const std::string sp = Index(p, i);
      Keys(s, sp, {"kind", "leader", "position"});
      host::TabStop& stop = tabs->stops[i];
      if (s.contains("kind"))
        stop.kind =
            static_cast<std::int32_t>(Int(s["kind"], Key(sp, "kind"), INT32_MIN, INT32_MAX));
      if (s.contains("leader"))
        stop.leader = static_cast<std::uint8_t>(Int(s["leader"], Key(sp, "leader"), 0, 255));
      stop.position = Real(s, sp, "position", stop.position);
    }
  }
}

}  // namespace hostsim::scene_io
