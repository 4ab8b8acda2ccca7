// The program's entry: the start-up routine does the rest.
#include "app/Startup.h"

int main(int argc, char **argv)
{
    return Startup::run(argc, argv);
}
