#pragma once
// Registering the driver's OPC server library: the command "regsvr32 /s" with the library's path,
// started in the installation folder without waiting for it.
#include <optional>
#include <string>
#include <vector>

namespace kvz::setup
{

constexpr const char *kRegistrationProgram = "regsvr32";

// The program found on PATH, or nothing when there is none.
std::optional<std::string> FindProgramOnPath(const std::string &name);

// The arguments after the program name.
std::vector<std::string> RegistrationArguments(const std::string &dllPath);

// Starts the registration; false (and nothing else) when no registration program exists or it
// could not be started.
bool StartOpcServerRegistration(const std::string &dllPath, const std::string &workingDir);

} // namespace kvz::setup
