// The art loader: puts the art of one stored record back into the current document at
// dropPoint, positioned by originMode, as one undoable step. It mirrors the art tree
// writer: the record's objects are read from the last to the first, markers push and pop
// containers, pattern sections build the groups that pattern fills refer to, and each
// path, text, raster and mesh object becomes new art with its paint and transparency.
#pragma once

#include <cstdint>

#include "host/errors.h"
#include "host/types.h"

namespace velm {

// Rebuilds record `recordNumber` of `group` in the current document (the record is read
// into currentRecord with its art). A walk through the whole stream returns the last host
// status (0 when all went well). A placement that ends early (a hidden or locked layer, a
// failed creation, a damaged stream) never returns 0: the host error that ended it, or
// -1; the art made so far stays in the document. Callers report a non-zero status as a
// failed drop.
host::Err VelmLoadArt(const char* group, std::int32_t recordNumber);

// Names the current undo step "配置の取り消し" / "配置のやり直し".
void SetPlacementUndoText();

// 0 when `layer` is visible and editable, 1 otherwise.
std::int32_t CurrentLayerUsable(host::LayerHandle layer);

// The offset that puts the point of the art's bounds chosen by `originMode` (0 … 8) on the
// drop point, from the record's bounds (left, top, right, bottom; the writer stores
// (0, height, width, 0)). Any other mode gives (0, 0).
host::RealPoint OriginOffset(const host::RealRect& bounds, std::int32_t originMode);

}  // namespace velm
