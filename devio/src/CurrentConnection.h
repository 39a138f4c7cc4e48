// The process-wide current connection of the connection interface.
//
// Set by the connect functions, read by every send and query. A printer and a
// cash drawer in one process share it; the last successful connect wins. The
// record is guarded by a lock, and each send or query works on its own copy
// (with its own copy of the parameter record), so a connect on one thread
// never changes the endpoint under a send running on another.
#pragma once

#include <conlink/Conlink.h>

namespace vornik::devio {

struct ConnectionSnapshot {
    _t_CONFIG_STATE config{};
    SerialSettings serial{};
    NetParams net{};

    // A copy whose params point into this snapshot. Call after the snapshot
    // has reached its final address.
    _t_CONFIG_STATE* bind();
};

// Clears the current connection (type 0, parameter records zeroed).
void clearCurrentConnection();
// Makes {type, name, params} current; params are copied.
void setCurrentConnection(std::int32_t type, const char* name, const SerialSettings* serial,
                          const NetParams* net);
ConnectionSnapshot currentConnection();

}  // namespace vornik::devio
