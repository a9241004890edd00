// The subset of the Windows API that QLV Preview and its hosts call, for systems other than
// Windows. Same names, types and signatures as the real header; each group lives in its own
// header below. Only code that needs the platform includes this.
#pragma once

#include "win_types.h"
#include "win_kernel.h"
#include "win_gdi.h"
#include "win_user.h"
