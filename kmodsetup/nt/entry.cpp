// Window-subsystem entry: the words come from the process's argument
// vector, not from the command-line parameter.
#include "kmodsetup_main.h"

#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return kmodsetupMain(__argc, __argv);
}
