#include "app/startup.h"

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    // Answered before any window exists, so the installed program can be checked without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("Brackwell " BRACKWELL_VERSION);
        return 0;
    }
    return brackwell::run(argc, argv);
}
