// The engine rig lives in tests/support; this name is kept for build lists that still use it.
#pragma once
#include "support/KaeRig.h"
