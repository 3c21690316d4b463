// The remote units' part of the program's wiring: the KR-1 on the main window's serial
// line, its start-up and closing steps, and the playlist load's preset screen. main()
// calls this once and keeps what it returns for the life of the program.
#pragma once

#include <memory>

namespace kalvor {

class Lifecycle;
class SerialLine;
class Settings;
class ShowLayer;

struct RemoteUnits;

struct RemoteUnitsDeleter {
    void operator()(RemoteUnits* units) const;
};
using RemoteUnitsPtr = std::unique_ptr<RemoteUnits, RemoteUnitsDeleter>;

RemoteUnitsPtr wireRemoteUnits(ShowLayer& show, Settings& settings, SerialLine& line,
                               Lifecycle& lifecycle);

} // namespace kalvor
