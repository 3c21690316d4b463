// The engine rig lives in tests/support (library kalvor_kaerig); this file keeps build lists
// that name it working until they link the library instead.
#include "support/KaeRig.cpp"
