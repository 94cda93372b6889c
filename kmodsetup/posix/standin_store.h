// Driver store, services and loaded drivers of the Linux stand-in, and
// the INF actions (models, service installs) that act on them.
#pragma once

#include "inf_file.h"

#include <string>

// Reads a whole file; false when it cannot be read.
[[nodiscard]] bool standinFile_Read(const std::string &path, std::string *pText);

// Path of the driver store (a directory of the state).
[[nodiscard]] std::string standinStore_Dir();
// The store copy (oem<N>.inf) whose text equals infText, or "".
[[nodiscard]] std::string standinStore_FindCopy(const std::string &infText);
// Stores infText under the lowest free oem<N>.inf; "" when it cannot.
[[nodiscard]] std::string standinStore_AddCopy(const std::string &infText);
[[nodiscard]] bool standinStore_RemoveCopy(const std::string &oemName);

// Adds or replaces the service.
[[nodiscard]] bool standinServices_Add(const std::string &name, const std::string &binary);
// Removes the service and unloads its driver unless a device uses it;
// false when there is no such service.
[[nodiscard]] bool standinServices_Remove(const std::string &name);
[[nodiscard]] bool standinServices_Exists(const std::string &name);

// Loads the driver file (a new load address); *pbWasLoaded tells whether
// it was loaded already (then it stays where it is).
[[nodiscard]] bool standinDrivers_Load(const std::string &baseName, bool *pbWasLoaded);
[[nodiscard]] bool standinDrivers_IsLoaded(const std::string &baseName);
// Unloads the driver of serviceName when no device uses that service.
void standinDrivers_UnloadIfUnused(const std::string &serviceName);

// Base name of the binary of the section's first AddService, or "".
[[nodiscard]] std::string standinInf_FirstServiceBinary(const InfFile &inf,
                                                        const std::string &section);

// Runs the AddService and DelService lines of [<section>.Services]; the
// name of the last service added goes to *pServiceName (may be null).
// False when a line names a service section without ServiceBinary.
[[nodiscard]] bool standinInf_RunServices(const InfFile &inf, const std::string &section,
                                          std::string *pServiceName);
