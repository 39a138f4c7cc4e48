// Registry keys as the text of Windows .reg files, both ways.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\OLEforRetail\ServiceOPOS\POSPrinter\Receipt]
//   @="Vornik.Opos.Printer"
//   "IOType"="ENet"
//   "Count"=dword:00000007
//   "Blob"=hex:01,02,ff
//   "Other"=hex(7):41,00,00,00
//
// Files are written as UTF-8; UTF-8 and UTF-16LE (with its byte-order mark)
// are read. String values are written back without a terminating NUL, as the
// configuration tool writes them. "[-KEY]" deletes a key tree and "NAME"=-
// deletes a value, as in regedit.
#pragma once

#include "platform/Registry.h"

#include <string>
#include <vector>

namespace vornik::regtool {

// Splits "HKEY_LOCAL_MACHINE\A\B" (or "HKLM\A\B", "HKCR\...") into its root
// and the path below it; false for an unknown root.
bool splitRootPath(const std::string& full, platform::HKEY& root, std::string& rest);

// The .reg text of key and everything below it (full path with its root).
// False (with a reason) when the key cannot be opened.
bool exportKey(const std::string& fullPath, std::string& text, std::string* error);

// Applies .reg text. Returns the number of values written; the errors name
// their line. A malformed line is skipped, the rest still applies.
int importText(const std::string& text, std::vector<std::string>& errors);

// Deletes key and all its subkeys and values.
platform::LONG deleteTree(platform::HKEY root, const std::string& path);

}  // namespace vornik::regtool
