#pragma once

#include <string>

namespace vanteo {

// A TCP socket listening on 127.0.0.1, for the simulator's KISS server and the stand-in servers
// of the tests. `port` 0 asks the system for a free port; on success `port` holds the port it
// got. Returns the socket (close-on-exec), or -1 with the system's message in `error`. POSIX
// only.
int ListenOnLoopback(int& port, int backlog, std::string& error);

}  // namespace vanteo
