// Puts the stand-in host together: the document core's host with the desktop district's
// desktop and dialog manager, the suites over them, and the drawing district's text layout.
#include "hostsim/host.h"

#include <memory>
#include <string>

#include "hostsim/core/host_preferences.h"
#include "hostsim/core/text_metrics.h"
#include "hostsim/desktop/adm_drawing.h"

namespace hostsim {
namespace {

class StandInHostParts final : public HostParts {
 public:
  Desktop& desktop() override { return *desktop_; }
  DialogManager& dialogs() override { return dialogs_; }
  const TextMetrics* textMetrics() override { return StandInTextMetrics(); }

  void FillSuites(HostSuites& s) override {
    InstallDialogSuites(s.sAdmBasic_, s.sAdmDialog_, s.sAdmItem_, s.sAdmList_, s.sAdmEntry_,
                        s.sAdmTracker_);
    InstallPaletteSuites(s.sAdmDialog_, s.sAdmItem_, s.sAdmList_, s.sAdmEntry_, s.sAdmNotifier_,
                         s.sAdmDialogGroup_);
    InstallDrawArtSuite(s.sDrawArt_);
    InstallDesktopSuites(s.desktopSuite_, s.sContext_);
    InstallAdmDrawingSuites(s.sAdmDrawer_, s.sAdmImage_);
  }

  void Attach(Host& host) override {
    // A floating dialog shows unless it was hidden when its state was last saved.
    dialogs_.SetVisibilityRule([&host](const std::string& name) {
      HostPreferences::Value shown;
      return host.preferences().Get(name, "kADM_DPVisibleStr", HostPreferences::Kind::kBoolean,
                                    &shown) != host::kNoErr ||
             shown.integer != 0;
    });
  }

 private:
  // The dialog manager goes before the desktop it draws on.
  std::unique_ptr<Desktop> desktop_ = std::make_unique<Desktop>();
  DialogManager dialogs_;
};

}  // namespace

std::unique_ptr<HostParts> StandInParts() {
  return std::make_unique<StandInHostParts>();
}

}  // namespace hostsim
