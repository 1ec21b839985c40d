// The whole stand-in host: the document core's host object (hostsim/core/host.h) with the
// virtual desktop, the dialog manager and the drawing behind them, which StandInParts
// (host.cpp) gives every host unless it is given other parts.
#pragma once

#include "hostsim/core/host.h"
#include "hostsim/desktop/desktop.h"
#include "hostsim/desktop/dialog_manager.h"
