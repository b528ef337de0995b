#pragma once

#include "app/main_window.h"
#include "app/program_state.h"
#include "platform/platform.h"

#include <memory>

namespace kiebitz::app {

// Start-up: program-wide values, InstallDir, the main window initialised,
// placed and shown. The clock synchronisation at start, when switched on, is
// queued to run as soon as the event loop runs. Returns the shown main
// window; the program then runs on its events.
// `syncAddresses` are where the synchronisation asks (tests: a local server).
std::unique_ptr<Form1> Main(const platform::Platform& platform, ProgramState& state,
                            timing::SyncAddresses syncAddresses = timing::defaultSyncAddresses());

}  // namespace kiebitz::app
