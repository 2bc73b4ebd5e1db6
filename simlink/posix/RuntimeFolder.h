#pragma once

#include <string>

// The per-user folder that holds the local sockets standing in for the simulator server's windows:
// $XDG_RUNTIME_DIR when set, else /tmp/grovewright-<user>, created with mode 0700. A folder that is
// not the user's own directory, or that others may enter, is refused: a socket there could be
// anyone's.
struct RuntimeFolder {
    std::string path;     // empty when refused
    std::string problem;  // why it was refused

    static RuntimeFolder Find();

    // The socket standing for the server window of that class.
    std::string SocketPathFor(const std::string& className) const { return path + "/" + className; }
};
