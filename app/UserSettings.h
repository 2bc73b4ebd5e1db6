#pragma once

#include <QSettings>
#include <memory>

// The settings file every run shares, for what the windows remember (the map's view and tiles, the
// Forest window's global keys): ~/.config/grovewright/grovewright.conf on Linux.
std::unique_ptr<QSettings> UserSettings();
