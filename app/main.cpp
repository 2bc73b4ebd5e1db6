#include <cstdio>

#include "app/CGrovewrightApp.h"
#include "app/CommandLine.h"

int main(int argc, char** argv) {
    const CommandLineChoice choice = ReadCommandLine(argc, argv);
    switch (choice.action) {
        case CommandLineChoice::Action::ShowText:
            std::fputs(choice.text.c_str(), stdout);
            return 0;
        case CommandLineChoice::Action::Refuse:
            std::fputs(choice.text.c_str(), stderr);
            return 2;
        case CommandLineChoice::Action::NoDisplay:
            std::fputs(choice.text.c_str(), stderr);
            return 1;
        case CommandLineChoice::Action::Run:
            break;
    }
    CGrovewrightApp grovewright(argc, argv, choice.makeLink);
    return grovewright.InitInstance();
}
