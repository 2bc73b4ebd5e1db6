#include "tools/bglcomp/SceneryXmlReading.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "tools/bglcomp/SceneryReader.h"
#include "tools/bglcomp/SceneryScanner.h"

namespace Bglcomp {

namespace {

// Contents that hold only the one problem that stopped the reading.
SceneryXmlContents Failure(std::string message, long line = 1) {
    SceneryXmlContents contents;
    contents.diagnostics.push_back(Diagnostic{line, true, std::move(message)});
    contents.errorCount = 1;
    return contents;
}

// Gives the text chunkSize bytes at a time, as a file would come.
class TextPieces {
public:
    TextPieces(std::string_view text, std::size_t chunkSize)
        : rest_(text), chunkSize_(std::max<std::size_t>(chunkSize, 1)) {}

    std::ptrdiff_t ReadInto(char* into, std::size_t room) {
        const std::size_t size = std::min({room, chunkSize_, rest_.size()});
        std::memcpy(into, rest_.data(), size);
        rest_.remove_prefix(size);
        return static_cast<std::ptrdiff_t>(size);
    }

private:
    std::string_view rest_;
    std::size_t chunkSize_;
};

std::ptrdiff_t ReadSome(int fd, char* into, std::size_t room) {
    for (;;) {
        const ssize_t got = read(fd, into, room);
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

// Runs the scanner over what readInto(into, room) gives until it gives nothing (the end) or fails
// (less than nothing). The bytes an item left unfinished move to the buffer's front to be read again
// with the next piece behind them. expectedSize: the bytes the reading is expected to give, so that a
// small text gets a small buffer and a large one room for its records at once; a buffer found full
// ends the scan.
template <typename ReadInto>
std::optional<SceneryXmlContents> Scan(std::size_t pieceSize, std::size_t expectedSize, ReadInto readInto) {
    SceneryScanner scanner(expectedSize);
    const std::size_t bufferSize = SceneryScanner::longestItem + pieceSize;
    std::vector<char> buffer(expectedSize < bufferSize ? expectedSize + 1 : bufferSize);
    std::size_t kept = 0;
    bool atEnd = false;
    while (!atEnd) {
        if (kept == buffer.size()) {
            return std::nullopt;
        }
        const std::ptrdiff_t got = readInto(buffer.data() + kept, buffer.size() - kept);
        if (got < 0) {
            return std::nullopt;
        }
        atEnd = got == 0;
        kept += static_cast<std::size_t>(got);
        const std::size_t used = scanner.Scan(std::string_view(buffer.data(), kept), atEnd);
        if (scanner.Declined()) {
            return std::nullopt;
        }
        std::memmove(buffer.data(), buffer.data() + used, kept - used);
        kept -= used;
    }
    if (!scanner.Finished()) {
        return std::nullopt;
    }
    return scanner.TakeContents();
}

}  // namespace

SceneryXmlContents ReadSceneryXmlText(std::string_view text, std::size_t chunkSize) {
    if (std::optional<SceneryXmlContents> scanned = ScanSceneryXmlText(text, chunkSize)) {
        return std::move(*scanned);
    }
    return ParseSceneryXmlText(text, chunkSize);
}

SceneryXmlContents ParseSceneryXmlText(std::string_view text, std::size_t chunkSize) {
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

std::optional<SceneryXmlContents> ScanSceneryXmlText(std::string_view text, std::size_t chunkSize) {
    TextPieces pieces(text, chunkSize);
    return Scan(std::max<std::size_t>(chunkSize, 1), text.size(),
                [&pieces](char* into, std::size_t room) { return pieces.ReadInto(into, room); });
}

SceneryXmlContents ReadSceneryXmlFd(int fd) {
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0) {
        return Failure("the file is empty");
    }
    const off_t start = lseek(fd, 0, SEEK_CUR);
    if (start >= 0) {
        const auto expectedSize = static_cast<std::size_t>(std::max<off_t>(status.st_size, 0));
        std::optional<SceneryXmlContents> scanned =
            Scan(scanChunkSize, expectedSize,
                 [fd](char* into, std::size_t room) { return ReadSome(fd, into, room); });
        if (scanned) {
            return std::move(*scanned);
        }
        if (lseek(fd, start, SEEK_SET) != start) {
            return Failure(std::string("cannot read the file again: ") + std::strerror(errno), 0);
        }
    }
    SceneryReader reader;
    std::vector<char> chunk(xmlChunkSize);
    for (;;) {
        const std::ptrdiff_t got = ReadSome(fd, chunk.data(), chunk.size());
        if (got < 0) {
            return Failure(std::string("cannot read the file: ") + std::strerror(errno), 0);
        }
        if (got == 0 || !reader.Feed(chunk.data(), static_cast<std::size_t>(got))) {
            return reader.Finish();
        }
    }
}

}  // namespace Bglcomp
