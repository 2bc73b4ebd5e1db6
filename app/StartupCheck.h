#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "simlink/IpcLinkMaker.h"

class QWidget;

// The simulator the program works with: FS2004 reports version 7.
inline constexpr std::uint32_t fs2004Version = 7;

struct StartupLink {
    bool connected = false;
    std::uint32_t simulatorVersion = 0;
};

// Opens a link asked for any simulator and reads its version, off the window's thread. Where that
// takes longer than a moment (a simulator that does not answer keeps it for many seconds), a small
// "Connecting to the simulator..." window shows until it ends.
StartupLink CheckSimulatorLink(const IpcLinkMaker& makeLink, QWidget* parent);

// How to mend a failed start, shown below the message: what was tried (the simulator's link on this
// machine, or the relay the command line names) and what to start.
QString NoConnectionRemedy();
// Names the folder the compiler was looked for in and what to put there.
QString CompilerMissingRemedy(const std::string& programFolder);
