// Tests of the stand-in host's document: a host with an open document and the suite
// tables the plug-in would acquire, called the way the plug-in calls them.
#pragma once

#include <gtest/gtest.h>

#include "common/host_fixture.h"
#include "host/suite_list.h"
#include "hostsim/core/document.h"

namespace velmtest {

class DocumentTest : public HostTest {
 protected:
  // The host's table of suite S, as the plug-in acquires it.
  template <class S>
  const S& Suite() {
    const void* table = nullptr;
    EXPECT_EQ(host().suites().Acquire(S::kName, S::kVersion, &table), host::kNoErr) << S::kName;
    host().suites().Release(S::kName, S::kVersion);
    return *static_cast<const S*>(table);
  }
  hostsim::Document& doc() { return *host().document(); }

  // The art the scene names `id` (fails the test when there is none).
  host::ArtHandle ArtNamed(const std::string& id) {
    hostsim::Art* art = doc().FindById(id);
    EXPECT_NE(art, nullptr) << id;
    return art ? art->handle() : nullptr;
  }
};

// A corner segment at (h, v).
inline host::PathSegment Corner(host::Real h, host::Real v) {
  return host::PathSegment{{h, v}, {h, v}, {h, v}, 1};
}

}  // namespace velmtest
