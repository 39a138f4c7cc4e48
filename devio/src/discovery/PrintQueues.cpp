#include "PrintQueues.h"

#include <cups/cups.h>

#include <cstdlib>

namespace vornik::devio {

bool listPrintQueues(std::vector<PrintQueueEntry>& out) {
    out.clear();
    cups_dest_t* dests = nullptr;
    int n = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    auto option = [](const cups_dest_t& d, const char* name) {
        const char* v = cupsGetOption(name, d.num_options, d.options);
        return std::string(v ? v : "");
    };
    for (int i = 0; i < n; ++i) {
        const cups_dest_t& d = dests[i];
        if (d.instance) continue;  // instances are option sets of a queue, not queues
        PrintQueueEntry e;
        e.name = d.name;
        e.deviceUri = option(d, "device-uri");
        e.makeAndModel = option(d, "printer-make-and-model");
        e.info = option(d, "printer-info");
        e.location = option(d, "printer-location");
        e.isDefault = d.is_default != 0;
        if (auto s = option(d, "printer-state"); !s.empty()) e.state = static_cast<unsigned>(std::atoi(s.c_str()));
        out.push_back(std::move(e));
    }
    cupsFreeDests(n, dests);
    return n > 0 || cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

}  // namespace vornik::devio
