#pragma once

#include <cstddef>
#include <string>

// The per-user folder that holds the local sockets standing in for the simulator server's windows:
// $XDG_RUNTIME_DIR when set, else /tmp/grovewright-<user>, created with mode 0700. A folder that is
// not the user's own directory (another's, or a symbolic link), or that others may enter, is refused:
// a socket there could be anyone's. So is one whose socket paths would be too long to connect to.
struct RuntimeFolder {
    std::string path;     // empty when refused
    std::string problem;  // why it was refused, in words that tell the user what to mend

    static RuntimeFolder Find();

    // The longest window class a socket is named after ("UIPCMAIN", "FS98MAIN").
    static constexpr std::size_t longestClassName = 8;

    // The socket standing for the server window of that class.
    std::string SocketPathFor(const std::string& className) const { return path + "/" + className; }
};
