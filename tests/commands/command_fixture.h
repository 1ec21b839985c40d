// The database commands run by the plug-in linked into the test, over a library on the
// stand-in host's drive C:, with the scripted user answering their dialogs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/store_fixture.h"
#include "database/record.h"
#include "hostsim/core/document.h"

namespace velmtest {

class CommandTest : public StoreTest {
 protected:
  void TearDown() override;

  // A selected rectangle in the current layer (the selection AddRecord captures).
  hostsim::Art* SelectedRectangle();
  // Makes `group` (UTF-8) the current group.
  void UseGroup(const std::string& group);
  std::string CurrentGroup() const;
  // The names of `group`'s records in file order (UTF-8).
  std::vector<std::string> Names(const std::string& group);
  // Record `index` of `group`'s header in host order.
  velm::Record HeaderOf(const std::string& group, std::int32_t index);
  // The search results, as "group/number" per entry in list order (UTF-8).
  std::vector<std::string> Results();
  // Shows the search results holding these records of `group`.
  void ShowResults(const std::vector<std::pair<std::string, std::int32_t>>& records);

  // The user answers the record dialog: `name` typed (unless empty), the group popup set
  // to `group` (unless empty), then `button` pressed.
  void AnswerRecordDialog(const std::string& name, const std::string& group, std::int32_t button);
  // The user acknowledges the error dialog, which must show `code`.
  void ExpectErrorDialog(const std::string& code);
};

}  // namespace velmtest
