#include "platform/null_facilities.h"

#include "platform/platform.h"

namespace kiebitz::platform {

namespace {

// One of each, shared by every Platform: none of them keeps a state that
// matters. Made on first use, so that a Platform may be built at any time.
struct NullFacilities {
    ReadOnlyClock clock;
    NoSound sound;
    NoWindowFlash flash;
    NoMessageBox messages;
    NoSettingsStore settings;
    NoWindowList windows;
    NoShellWindows shellWindows;
    NoDdeClient dde;
    NoAccessibilitySwitch accessibility;
    NoHttpControl http;
    NoFileDialog fileDialog;
    NoPointer pointer;
    NoShellOpen shell;
    NoTimeZone timeZone;
};

NullFacilities& nulls()
{
    static NullFacilities facilities;
    return facilities;
}

}  // namespace

Platform::Platform()
    : clock(&nulls().clock),
      sound(&nulls().sound),
      flash(&nulls().flash),
      messages(&nulls().messages),
      settings(&nulls().settings),
      windows(&nulls().windows),
      shellWindows(&nulls().shellWindows),
      dde(&nulls().dde),
      accessibility(&nulls().accessibility),
      http(&nulls().http),
      fileDialog(&nulls().fileDialog),
      pointer(&nulls().pointer),
      shell(&nulls().shell),
      timeZone(&nulls().timeZone)
{}

}  // namespace kiebitz::platform
