// Program entry on Linux, where there is no window subsystem.
#include "kmodsetup_main.h"

int main(int argc, char **argv) {
    return kmodsetupMain(argc, argv);
}
