#include "app/GrovewrightResources.h"

#include <QtGlobal>

void LoadGrovewrightResources() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(grovewright);
        return true;
    }();
    (void)loaded;
}
