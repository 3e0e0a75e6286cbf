// SPDX-License-Identifier: MIT
// Stands in for the host's e-mail agent in the tests: appends the command line it was given,
// exactly as Windows handed it over, to the file named by QUILLON_STAND_IN_LOG.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main() {
    const char* log = std::getenv("QUILLON_STAND_IN_LOG");
    if (log == nullptr) {
        return 2;
    }
    std::FILE* file = std::fopen(log, "ab");
    if (file == nullptr) {
        return 1;
    }
    std::fprintf(file, "%s\n", ::GetCommandLineA());
    std::fclose(file);
    return 0;
}
