#include "resources/resource_table.h"

namespace velm::res {

const StringList* FindStringList(const ResourceTable& table, std::int32_t id) {
  for (std::int32_t i = 0; i < table.stringListCount; ++i)
    if (table.stringLists[i].id == id) return &table.stringLists[i];
  return nullptr;
}

const Dialog* FindDialog(const ResourceTable& table, std::int32_t id) {
  for (std::int32_t i = 0; i < table.dialogCount; ++i)
    if (table.dialogs[i].id == id) return &table.dialogs[i];
  return nullptr;
}

const Image* FindImage(const ResourceTable& table, std::int32_t id, ImageKind kind) {
  for (std::int32_t i = 0; i < table.imageCount; ++i)
    if (table.images[i].id == id && table.images[i].kind == kind) return &table.images[i];
  return nullptr;
}

}  // namespace velm::res
