#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "tools/bglcomp/SceneryCompiler.h"

int main(int argc, char** argv) {
    // A file-size limit must fail the write (and so remove the temporary file), not kill the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int status = Bglcomp::RunBglcomp(arguments, std::getenv("SOURCE_DATE_EPOCH"), std::cout);
    std::cout.flush();
    return status;
}
