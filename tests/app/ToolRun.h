// The dpi setter under its older name, for suites that still include this header.
#pragma once
#include "ToolDriver.h"

namespace toolrun {
using testutil::SetLogPixels;
}
