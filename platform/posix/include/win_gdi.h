// Filled in by the platform work for this group.
#pragma once
#include "win_types.h"
