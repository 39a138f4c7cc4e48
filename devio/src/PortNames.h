// How endpoint names of the connection interface become Linux device paths.
//
//   serial    "ttyUSB0" -> /dev/ttyUSB0, "COM3" -> /dev/ttyS2, "/dev/pts/4" as is
//   parallel  "lp0" -> /dev/lp0,         "LPT1" -> /dev/lp0,   "/dev/lp1" as is
//
// One trailing ':' is dropped first ("ttyUSB0:" and "COM3:" are accepted, as
// the port lists write them). A name longer than its limit, or empty, has no
// path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vornik::devio {

std::string dropTrailingColon(std::string_view name);

std::optional<std::string> serialDevicePath(const char* name);
std::optional<std::string> parallelDevicePath(const char* name);

}  // namespace vornik::devio
