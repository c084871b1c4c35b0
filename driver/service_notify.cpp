#include "driver/service_notify.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace spoll
{

bool NotifyServiceManager(std::string_view state)
{
    const char *name = std::getenv("NOTIFY_SOCKET");
    if (!name || (name[0] != '/' && name[0] != '@'))
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    size_t length = std::strlen(name);
    if (length >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name, length);
    if (name[0] == '@')
        address.sun_path[0] = '\0'; // an abstract name: no file, no terminating zero in the length
    socklen_t size =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length + (name[0] == '/' ? 1 : 0));

    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ssize_t sent =
        ::sendto(fd, state.data(), state.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr *>(&address), size);
    ::close(fd);
    return sent == static_cast<ssize_t>(state.size());
}

} // namespace spoll
