#include "app/CGrovewrightApp.h"

#include <QIcon>

#include "app/CTopDialog.h"
#include "app/RecoveryCommands.h"

CGrovewrightApp::CGrovewrightApp(int& argc, char** argv, IpcLinkMaker linkMaker)
    : QApplication(argc, argv), makeLink(std::move(linkMaker)) {
    // Settings live in ~/.config/grovewright/; the window titles stay as they are (no display name).
    setOrganizationName(QStringLiteral("grovewright"));
    setApplicationName(QStringLiteral("grovewright"));
}

int CGrovewrightApp::InitInstance() {
    CTopDialog topDialog(makeLink);
    setWindowIcon(topDialog.windowIcon());
    if (!topDialog.OnInitDialog()) {
        return 1;
    }
    topDialog.show();
    topDialog.Recovery().OfferRecovery();
    topDialog.exec();
    return 0;
}
