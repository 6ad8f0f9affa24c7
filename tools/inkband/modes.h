// The tool's names for the host library's mode table (host/print_modes.h),
// which the CUPS filter and the printer application share.
#pragma once

#include "host/print_modes.h"

namespace inkband::tool {

using host::allModes;
using host::defaultMode;
using host::depthList;
using host::findMode;
using host::findModeByCodes;
using host::Ink;
using host::kMaxSourcePlanes;
using host::kMaxSplitLevels;
using host::kMaxWirePlanes;
using host::letterList;
using host::letterName;
using host::ModeInfo;
using host::modeNames;
using host::modeTable;
using host::SourcePlane;
using host::SplitPlane;
using host::wireLetters;
using host::WirePlane;

}  // namespace inkband::tool
