#include "IoWaits.h"

namespace vornik::devio {

IoWaits& ioWaits() {
    static IoWaits waits;
    return waits;
}

}  // namespace vornik::devio
