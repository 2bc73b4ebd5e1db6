#include <cstdio>
#include <string>

#include "app/CGrovewrightApp.h"
#include "app/CommandLine.h"

int main(int argc, char** argv) {
    IpcLinkMaker makeLink;
    std::string problem;
    if (!LinkMakerFromCommandLine(argc, argv, makeLink, problem)) {
        std::fprintf(stderr, "grovewright: %s\n", problem.c_str());
        return 2;
    }
    CGrovewrightApp grovewright(argc, argv, makeLink);
    return grovewright.InitInstance();
}
