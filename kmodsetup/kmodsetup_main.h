// The installer's run: reads the words, opens the optional log, performs
// one install, update or uninstall and answers the exit code (0 done,
// 1 usage or failure, 2 installed already / not installed). Some
// failures end the process from inside with the same codes.
#pragma once

[[nodiscard]] int kmodsetupMain(int argc, const char *const *argv);
