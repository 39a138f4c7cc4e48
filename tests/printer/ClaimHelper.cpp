// A second application for the claim tests: opens an LDN through the
// POSPrinter control object, claims it with a time-out and prints the result.
//   claim_helper <LDN> <timeout ms>
#include "vornik/OposControl.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    vornik::opos::POSPrinter printer;
    std::u16string ldn;
    for (const char* p = argv[1]; *p; ++p) ldn += static_cast<char16_t>(*p);
    const int open = printer.Open(ldn);
    const int claim = open == 0 ? printer.ClaimDevice(std::atoi(argv[2])) : -1;
    std::printf("open %d claim %d\n", open, claim);
    return 0;
}
