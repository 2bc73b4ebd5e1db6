#include "app/CGrovewrightApp.h"

int main(int argc, char** argv) {
    CGrovewrightApp grovewright(argc, argv, PlatformIpcLinkMaker());
    return grovewright.InitInstance();
}
