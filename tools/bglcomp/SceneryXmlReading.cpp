#include "tools/bglcomp/SceneryXmlReading.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <system_error>
#include <thread>

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

// Gives the bytes of a file from `offset` up to `end`, without moving the descriptor's position, so
// that two threads can read two parts of one file.
class FilePart {
public:
    FilePart(int fd, std::size_t offset, std::size_t end) : fd_(fd), offset_(offset), end_(end) {}

    std::ptrdiff_t ReadInto(char* into, std::size_t room) {
        for (;;) {
            const ssize_t got = pread(fd_, into, std::min(room, end_ - offset_), static_cast<off_t>(offset_));
            if (got >= 0 || errno != EINTR) {
                offset_ += got > 0 ? static_cast<std::size_t>(got) : 0;
                return got;
            }
        }
    }

private:
    int fd_;
    std::size_t offset_;
    std::size_t end_;
};

// Runs the scanner over what readInto(into, room) gives until it gives nothing (the end) or fails
// (less than nothing). The bytes an item left unfinished move to the buffer's front to be read again
// with the next piece behind them. expectedSize: the bytes the reading is expected to give, so that a
// small text gets a small buffer and a large one its room at once; a buffer found full ends the scan.
// textEnds: what the reading gives ends the whole text (not only a part of it). The number of bytes
// left unscanned at the end (an item the part's end cut), or nothing where the scan failed.
template <typename ReadInto>
std::optional<std::size_t> ScanPieces(SceneryScanner& scanner, std::size_t pieceSize,
                                      std::size_t expectedSize, bool textEnds, ReadInto readInto) {
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
        const std::size_t used = scanner.Scan(std::string_view(buffer.data(), kept), atEnd && textEnds);
        if (scanner.Declined()) {
            return std::nullopt;
        }
        std::memmove(buffer.data(), buffer.data() + used, kept - used);
        kept -= used;
    }
    return kept;
}

template <typename ReadInto>
std::optional<SceneryXmlContents> Scan(std::size_t pieceSize, std::size_t expectedSize, ReadInto readInto) {
    SceneryScanner scanner(expectedSize);
    if (!ScanPieces(scanner, pieceSize, expectedSize, true, readInto) || !scanner.Finished()) {
        return std::nullopt;
    }
    return scanner.TakeContents();
}

// What ScanPieces reads from: a part's ReadInto (TextPieces, FilePart).
template <typename Part>
auto ReadingFrom(Part& part) {
    return [&part](char* into, std::size_t room) { return part.ReadInto(into, room); };
}

// The scanner's reading of a text of `size` bytes in two parts at once, [0, split) from `formerPart` on
// the calling thread and the rest from `latterPart` on another, the rest read as though the first part
// ended between two objects, which the first part's scan must then confirm. Nothing where it does not,
// or either part is refused.
template <typename Part>
std::optional<SceneryXmlContents> ScanInTwoParts(std::size_t size, std::size_t split, Part& formerPart,
                                                 Part& latterPart) {
    SceneryScanner latter = SceneryScanner::AfterAnObject(size - split);
    bool latterRead = false;
    std::thread other;
    try {
        other = std::thread([&] {
            latterRead =
                ScanPieces(latter, scanChunkSize, size - split, true, ReadingFrom(latterPart)).has_value() &&
                latter.Finished();
        });
    } catch (const std::system_error&) {
        return std::nullopt;  // no second thread: the whole reading is no slower
    }
    SceneryScanner former(size);  // room for all the records, the latter's appended
    const std::optional<std::size_t> cut =
        ScanPieces(former, scanChunkSize, split, false, ReadingFrom(formerPart));
    other.join();
    const bool formerReadWhole = cut && *cut == 0;  // no item cut by the split
    if (!formerReadWhole || !former.BetweenObjects() || !latterRead) {
        return std::nullopt;
    }
    SceneryXmlContents contents = former.TakeContents();
    SceneryXmlContents rest = latter.TakeContents();
    contents.records.insert(contents.records.end(), rest.records.begin(), rest.records.end());
    contents.objectCount += rest.objectCount;
    return contents;
}

constexpr std::string_view objectEndTag = "</SceneryObject>";

// Where a large file is split: just after the last object's end tag before its middle. Only a guess,
// which the reading in two parts confirms or refuses (the tag may stand in a comment, say).
std::optional<std::size_t> SplitNearMiddle(int fd, std::size_t size) {
    std::vector<char> window(std::size_t{1} << 16);
    const std::size_t middle = size / 2;
    const std::size_t start = middle > window.size() ? middle - window.size() : 0;
    FilePart part(fd, start, middle);
    const std::ptrdiff_t got = part.ReadInto(window.data(), window.size());
    if (got <= 0) {
        return std::nullopt;
    }
    const std::size_t found =
        std::string_view(window.data(), static_cast<std::size_t>(got)).rfind(objectEndTag);
    if (found == std::string_view::npos) {
        return std::nullopt;
    }
    return start + found + objectEndTag.size();
}

// Reads a large regular file in two parts at once; nothing where the file is small, the machine has one
// processor, or the reading in two parts refuses it.
std::optional<SceneryXmlContents> ScanLargeFile(int fd, std::size_t size) {
    if (size < splitReadingSize || std::thread::hardware_concurrency() < 2) {
        return std::nullopt;
    }
    const std::optional<std::size_t> split = SplitNearMiddle(fd, size);
    if (!split) {
        return std::nullopt;
    }
    FilePart former(fd, 0, *split);
    FilePart latter(fd, *split, size);
    return ScanInTwoParts(size, *split, former, latter);
}

}  // namespace

std::optional<SceneryXmlContents> ScanSceneryXmlSplit(std::string_view text, std::size_t split) {
    split = std::min(split, text.size());
    TextPieces former(text.substr(0, split), scanChunkSize);
    TextPieces latter(text.substr(split), scanChunkSize);
    return ScanInTwoParts(text.size(), split, former, latter);
}

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
    return Scan(std::max<std::size_t>(chunkSize, 1), text.size(), ReadingFrom(pieces));
}

SceneryXmlContents ReadSceneryXmlFd(int fd) {
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0) {
        return Failure("the file is empty");
    }
    const off_t start = lseek(fd, 0, SEEK_CUR);
    if (start == 0 && S_ISREG(status.st_mode)) {
        if (std::optional<SceneryXmlContents> scanned =
                ScanLargeFile(fd, static_cast<std::size_t>(status.st_size))) {
            return std::move(*scanned);
        }
    }
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
