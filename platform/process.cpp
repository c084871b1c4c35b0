#include "platform/process.h"

#include "platform/paths.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace kvz
{

SpawnResult SpawnProcess(const std::string &program, const std::vector<std::string> &args,
                         const std::string &workingDir)
{
    SpawnResult result;
    std::string dir = workingDir.empty() ? DirectoryOf(program) : workingDir;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!dir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());

    std::vector<std::string> argvStrings;
    argvStrings.push_back(program);
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &s : argvStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        result.error = rc;
        return result;
    }
    result.pid = pid;
    return result;
}

std::optional<int> WaitProcess(pid_t pid)
{
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r != pid || !WIFEXITED(status))
        return std::nullopt;
    return WEXITSTATUS(status);
}

bool ProcessExists(pid_t pid)
{
    if (pid <= 0)
        return false;
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace kvz
