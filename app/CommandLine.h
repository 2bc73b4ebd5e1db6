#pragma once

#include <string>

#include "simlink/IpcLinkMaker.h"

// Grovewright's one option, --relay HOST:PORT (or --relay=HOST:PORT): links then go through a relay
// beside a simulator on Windows or in Wine instead of the platform's own transport. Options of Qt's
// own (-platform and the like) are left for Qt. False with a message for the user when the command
// line asks for something that cannot be done.
bool LinkMakerFromCommandLine(int argc, char** argv, IpcLinkMaker& makeLink, std::string& problem);
