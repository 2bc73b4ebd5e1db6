#include "app/CommandLine.h"

#include <string_view>

#include "simlink/tcp/RelayIpcLinkMaker.h"

namespace {

constexpr std::string_view relayOption = "--relay";

bool RelayFromText(std::string_view text, IpcLinkMaker& makeLink, std::string& problem) {
    RelayAddress address;
    if (!ParseRelayAddress(text, address, problem)) {
        return false;
    }
    makeLink = RelayIpcLinkMaker(address.host, address.port);
    return true;
}

}  // namespace

bool LinkMakerFromCommandLine(int argc, char** argv, IpcLinkMaker& makeLink, std::string& problem) {
    makeLink = PlatformIpcLinkMaker();
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == relayOption) {
            if (i + 1 >= argc) {
                problem = "--relay needs the relay's address, HOST:PORT";
                return false;
            }
            return RelayFromText(argv[i + 1], makeLink, problem);
        }
        if (argument.starts_with("--relay=")) {
            return RelayFromText(argument.substr(relayOption.size() + 1), makeLink, problem);
        }
    }
    return true;
}
