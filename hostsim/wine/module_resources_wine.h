// The Windows module's resources as the host reads them: from the module's resource
// section, through the Windows calls (part of the host's Windows loader, compiled by
// wine's compiler driver).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "resources/resource_table.h"

namespace hostsim::wine {

// The module's string tables, dialog templates, cursors, icons and bitmaps as one table
// of the kind the host reads, kept as long as this object.
class ModuleResources {
 public:
  ModuleResources();
  ~ModuleResources();
  ModuleResources(const ModuleResources&) = delete;
  ModuleResources& operator=(const ModuleResources&) = delete;

  // False with a reason when a resource is damaged; the table stays as it was.
  bool Read(HMODULE module, std::string* error);
  // Null before a successful Read.
  const velm::res::ResourceTable* table() const;

 private:
  struct Store;
  std::unique_ptr<Store> store_;
};

// The name of the module's entry point, as its property list gives it; empty when the
// module has no property list or it names none.
std::string EntryPointName(HMODULE module);

}  // namespace hostsim::wine
