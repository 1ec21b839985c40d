// The window's document as a file a person keeps: where it came from and in which format,
// what reading it could not carry, whether saving over it would lose anything, and the
// decisions the window takes before writing (write, ask, or ask for another name). Free of
// any window system, so that tests can check every decision.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "hostsim/core/document.h"
#include "hostsim/svg/svg.h"

namespace velmgui {

// A file's format by its name's extension, in any case.
enum class DocFormat {
  kScene,          // .json
  kSvg,            // .svg
  kCompressedSvg,  // .svgz: read, but not written (the SVG writer writes plain text)
  kPicture,        // .png: an export, never the document's own file
  kUnknown,        // anything else
};
DocFormat FormatOf(const std::string& path);

// The file a document came from and Ctrl+S writes to.
struct DocumentSource {
  std::string path;  // empty: the document has no file yet
  DocFormat format = DocFormat::kScene;
  // An SVG file that another program wrote (it lacks this program's layer marks, or was
  // edited after it was written): saving over it rewrites it in this program's own SVG,
  // and what only its own structure held (comments, metadata, style sheets) is gone.
  bool foreign = false;
  // What reading it could not carry, by kind, and how many places were read only in part.
  std::map<std::string, int> dropped;
  std::size_t partial = 0;
  // False while the file was named but not yet written by this window (--save-as): an
  // existing file there is replaced only when the person agrees.
  bool confirmed = true;

  // Whether writing the document back over the file keeps everything the file held.
  bool faithful() const { return !foreign && dropped.empty() && partial == 0; }
};

// What reading `svg` from `path` tells about the file: written here when every layer came
// back from this program's layer marks and nothing was edited, dropped or read in part.
DocumentSource DescribeSvg(const std::string& path, const hostsim::SvgDocument& svg);

// What the window does before a save.
enum class SaveStep {
  kWrite,       // write at once
  kSaveAs,      // the file cannot be written faithfully (or there is none): ask for a name
  kAskLoss,     // saving over the document's file loses what the file holds: ask first
  kAskReplace,  // another file is there: ask before replacing it
  kRefuse,      // no format can be written under that name
};
// Ctrl+S: saving `source` to its own file, which exists or not.
SaveStep DecideSave(const DocumentSource& source, bool exists);
// Save As to `target`, which exists or not; `same` when it is the document's own file.
SaveStep DecideSaveAs(const DocumentSource& source, const std::string& target, bool exists,
                      bool same);

// What saving over the document's file would lose, for people: one sentence, or empty.
std::string LossText(const DocumentSource& source);

// The screen rectangle of button `index` of a question's `count` buttons.
host::Rect QuestionButtonRect(std::size_t index, std::size_t count);

// A question's text in lines of at most 78 bytes, broken at spaces, else between UTF-8
// characters, else (bytes that are no UTF-8) where the line is full.
std::vector<std::string> WrapLines(const std::string& text);

// The window's title: the document's file name (or "Untitled") with a mark when it has
// changes that are not saved, the library folder (when given), then the program's name.
std::string WindowTitle(const std::string& path, bool modified, const std::string& library = {});

// A digest of what the document would save (its layers, art, paint), leaving out the
// selection and the view, which are no change of the document.
std::size_t DocumentFingerprint(hostsim::Document& document);

}  // namespace velmgui
