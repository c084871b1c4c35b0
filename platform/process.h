#pragma once
// Starting other programs (the driver, the registration command) and asking after them.
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kvz
{

struct SpawnResult {
    pid_t pid = -1;
    int error = 0; // errno when the program could not be started
};

// Starts `program` with `args` (argv[1..]) in `workingDir` (empty: the program's own folder), with
// standard input from /dev/null. Never waits.
SpawnResult SpawnProcess(const std::string &program, const std::vector<std::string> &args,
                         const std::string &workingDir = {});

// Waits for a started program; its exit status, or nothing when it did not exit normally.
std::optional<int> WaitProcess(pid_t pid);

// True while a process with this id exists (zombies of our own children included).
bool ProcessExists(pid_t pid);

} // namespace kvz
