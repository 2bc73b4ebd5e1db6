#include <csignal>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "tools/bglcomp/BglcompOptions.h"
#include "tools/bglcomp/SceneryCompiler.h"

int main(int argc, char** argv) {
    // A file-size limit must fail the write (and so remove the temporary file), not kill the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const ParsedBglcompOptions parsed = ParseBglcompOptions(ToolArguments(argc, argv));
    if (const std::optional<int> exitStatus = CommandLineExit("bglcomp", parsed)) {
        return *exitStatus;
    }
    const int status =
        Bglcomp::RunBglcomp(parsed.options.fileWords, std::getenv("SOURCE_DATE_EPOCH"), std::cout);
    std::cout.flush();
    return status;
}
