#include "FreePort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int FreePort(int socketType)
{
    const int fd = socket(AF_INET, socketType, 0);
    if (fd < 0)
        return 0;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t size = sizeof local;
    const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
                    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) == 0;
    close(fd);
    return ok ? ntohs(local.sin_port) : 0;
}
