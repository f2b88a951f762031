#include "store/LuongChay.h"

#include <cstdio>
#include <cstdlib>

void LuongChay::saiLuong(const char* noi) {
    // Written straight to stderr and aborted: the logging of a program whose state is about to be wrong is not
    // to be trusted to get the line out first.
    std::fprintf(stderr, "Korvane Zize: %s was called from a thread it does not belong to\n", noi);
    std::fflush(stderr);
    std::abort();
}
