#pragma once

#include <cstdint>

// Error codes recorded by the socket objects (0 = none). Beside the code each object
// keeps the errno of the failing call, which callers print as "ERROR = %d".
enum : int32_t {
    ERR_NO_OWNER = 1,       // opening without an owner to notify
    ERR_STARTUP = 0x10001,  // kept for the numbering: POSIX has no socket library to start
    ERR_SOCKET = 0x10002,   // socket() failed
    ERR_BIND = 0x10003,     // bind() failed
    ERR_LISTEN = 0x10004,   // listen() failed
    ERR_CONNECT = 0x10005,  // connect() failed (a connect still in progress is no failure)
    ERR_ACCEPT = 0x10006,   // accept() failed
    ERR_SEND = 0x10007,     // send, sendto, or switching on broadcast failed
    ERR_RECEIVE = 0x10008,  // receive failed, or a datagram was longer than the receive size
    ERR_SELECT = 0x1000A,   // watching the socket for notifications failed
    ERR_RESOLVE = 0x1000C,  // a host name did not resolve
    ERR_PEERNAME = 0x1000D, // getpeername() failed
};
