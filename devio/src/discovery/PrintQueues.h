// Print queues of this machine, read from CUPS.
#pragma once

#include <string>
#include <vector>

namespace vornik::devio {

struct PrintQueueEntry {
    std::string name;
    std::string deviceUri;
    std::string makeAndModel;
    std::string info;
    std::string location;
    bool isDefault = false;
    unsigned state = 3;
};

// False when CUPS cannot be asked; the list is empty then.
bool listPrintQueues(std::vector<PrintQueueEntry>& out);

}  // namespace vornik::devio
