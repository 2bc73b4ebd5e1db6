#pragma once

#include <string>

#include "simlink/IpcLinkMaker.h"

// What Grovewright's command line asks for. Its own options: --help, --version, --relay HOST:PORT
// (links go through a relay beside a simulator on Windows or in Wine) and --relay-secret-file FILE.
// Qt's own options (-platform, -style and the like) are accepted and left for Qt.
struct CommandLineChoice {
    enum class Action {
        Run,          // start the window with `makeLink`
        ShowText,     // print `text` on standard output and end with status 0 (--help, --version)
        Refuse,       // print `text` on standard error and end with status 2
        NoDisplay,    // print `text` on standard error and end with status 1
    };
    Action action = Action::Run;
    std::string text;
    IpcLinkMaker makeLink;
};

CommandLineChoice ReadCommandLine(int argc, char** argv);
