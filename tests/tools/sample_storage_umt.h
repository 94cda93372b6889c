// The sample storage process's user-mode-thread command:
//   umt <name> <policy> <threads> <waiters>
// starts a scheduler and <waiters> user-mode threads of the class
// "<name>-class" that wait on a semaphore nobody increments, so the
// debug port serves a scheduler (type 13) and a class (type 145) whose
// figures stay put. Answers "ok" once every waiter is waiting.
#pragma once

#include <sstream>
#include <string>

std::string sampleUmt_Command(std::istringstream &args);
