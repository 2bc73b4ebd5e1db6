#include "tools/bglcomp/SceneryXmlReading.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "tools/bglcomp/SceneryReader.h"

namespace Bglcomp {

namespace {

// Contents that hold only the one problem that stopped the reading.
SceneryXmlContents Failure(std::string message, long line = 1) {
    SceneryXmlContents contents;
    contents.diagnostics.push_back(Diagnostic{line, true, std::move(message)});
    contents.errorCount = 1;
    return contents;
}

}  // namespace

SceneryXmlContents ReadSceneryXmlText(std::string_view text, std::size_t chunkSize) {
    if (text.empty()) {
        return Failure("the file is empty");
    }
    chunkSize = std::max<std::size_t>(chunkSize, 1);
    SceneryReader reader;
    while (!text.empty() && reader.Feed(text.data(), std::min(text.size(), chunkSize))) {
        text.remove_prefix(std::min(text.size(), chunkSize));
    }
    return reader.Finish();
}

SceneryXmlContents ReadSceneryXmlFd(int fd) {
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0) {
        return Failure("the file is empty");
    }
    SceneryReader reader;
    std::vector<char> chunk(xmlChunkSize);
    for (;;) {
        const ssize_t got = read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Failure(std::string("cannot read the file: ") + std::strerror(errno), 0);
        }
        if (got == 0 || !reader.Feed(chunk.data(), static_cast<std::size_t>(got))) {
            return reader.Finish();
        }
    }
}

}  // namespace Bglcomp
