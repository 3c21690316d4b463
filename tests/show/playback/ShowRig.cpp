// The show rig lives in tests/support (library kalvor_showrig); this file keeps build lists
// that name it working until they link the library instead.
#include "support/ShowRig.cpp"
