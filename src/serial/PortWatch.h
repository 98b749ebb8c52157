// The watch that refreshes the port list is system code: it lives in
// platform/PortWatch.h.
#pragma once

#include "platform/PortWatch.h"
