// libConlink.so is devio_core linked whole; this unit only names the library.
#include <conlink/Conlink.h>
#include <conlink/ConlinkDiscovery.h>
#include <conlink/ConlinkUtil.h>
