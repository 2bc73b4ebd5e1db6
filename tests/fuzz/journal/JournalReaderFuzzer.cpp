#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "document/journal/JournalFormat.h"
#include "document/journal/JournalReader.h"
#include "document/journal/JournalReplay.h"

namespace {

void AppendLe(std::string& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// A valid header, then the input cut into chunks (a kind byte, a length byte, that many payload bytes),
// each framed with a CRC that matches, so that inputs reach the payloads and the replay instead of
// stopping at the first CRC. What is left over is appended raw, as a torn or damaged tail.
std::string FramedJournal(std::string_view input) {
    JournalHeader header;
    header.formatVersion = JournalFormat::version;
    std::string journal = JournalFormat::EncodeHeader(header);
    while (input.size() >= 2) {
        const auto kind = static_cast<std::uint16_t>(static_cast<unsigned char>(input[0]) % 14);
        const std::size_t length = static_cast<unsigned char>(input[1]);
        input.remove_prefix(2);
        if (length > input.size()) {
            break;
        }
        const std::size_t start = journal.size();
        AppendLe(journal, length, 4);
        AppendLe(journal, kind, 2);
        journal.append(input.substr(0, length));
        input.remove_prefix(length);
        const std::string_view frame = std::string_view(journal).substr(start);
        AppendLe(journal,
                 crc32(0, reinterpret_cast<const Bytef*>(frame.data()), static_cast<uInt>(frame.size())), 4);
    }
    journal.append(input);
    return journal;
}

// What every reading must hold: the intact part and the dropped part make up the bytes, and the kept
// records encode back to exactly the intact bytes they came from.
void Check(std::string_view bytes) {
    const JournalContents contents = JournalReader::Read(bytes);
    if (contents.status != JournalReadStatus::Read) {
        if (!contents.records.empty()) {
            std::abort();
        }
        return;
    }
    if (contents.intactSize + contents.bytesDropped != bytes.size() ||
        (contents.bytesDropped == 0) != (contents.damage == JournalDamage::None) ||
        (contents.bytesDropped == 0) != (contents.recordsDropped == 0)) {
        std::abort();
    }
    std::string reencoded(bytes.substr(0, JournalFormat::headerSize));
    for (const JournalRecord& record : contents.records) {
        JournalFormat::AppendRecord(reencoded, record);
    }
    if (reencoded != bytes.substr(0, contents.intactSize)) {
        std::abort();
    }
    JournalReplay replay;
    if (replay.ApplyAll(contents.records) > contents.records.size()) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) {
        Check(FramedJournal(input));
    } else {
        Check(input);
    }
    return 0;
}
