#include "app/startup.h"

int main(int argc, char *argv[])
{
    return brackwell::run(argc, argv);
}
