#pragma once

#include <QApplication>

#include "simlink/IpcLinkMaker.h"

// The application: runs the start-up checks and then the main window, and gives the process's exit
// code (1 when a check failed).
class CGrovewrightApp : public QApplication {
    Q_OBJECT

public:
    // `makeLink` makes the links to the simulator (the platform's transport, or another one chosen on
    // the command line).
    CGrovewrightApp(int& argc, char** argv, IpcLinkMaker makeLink);

    int InitInstance();

private:
    IpcLinkMaker makeLink;
};
