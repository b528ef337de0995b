#pragma once

#include "capture/auction.h"
#include "core/program_values.h"
#include "settings/keys.h"

namespace kiebitz::app {

// Everything the running program keeps for the whole run.
struct ProgramState {
    core::ProgramValues values;
    settings::SettingsCopies settings;
    capture::AuctionRecord auction;
    QString helpFile;  // set at start, only kept
};

}  // namespace kiebitz::app
