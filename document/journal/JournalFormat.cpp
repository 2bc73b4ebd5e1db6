#include "document/journal/JournalFormat.h"

#include <bit>
#include <cstring>
#include <limits>

#include "document/journal/Crc32.h"

namespace JournalFormat {

namespace {

// Writes little-endian fields into bytes already sized for them.
class ByteWriter {
public:
    explicit ByteWriter(char* at_) : at(at_) {}

    void U16(std::uint16_t value) { Le(value, 2); }
    void U32(std::uint32_t value) { Le(value, 4); }
    void U64(std::uint64_t value) { Le(value, 8); }
    void F64(double value) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        U64(bits);
    }
    void Bytes(std::string_view bytes) {
        if (!bytes.empty()) {
            std::memcpy(at, bytes.data(), bytes.size());
        }
        at += bytes.size();
    }
    void Text(std::string_view text) {
        U32(static_cast<std::uint32_t>(text.size()));
        Bytes(text);
    }
    char* Position() const { return at; }

private:
    void Le(std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i) {
            *at++ = static_cast<char>((value >> (8 * i)) & 0xFFu);
        }
    }

    char* at;
};

// Reads little-endian fields, refusing any that reach beyond the bytes.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes_) : bytes(bytes_) {}

    bool U16(std::uint16_t& value) { return Le(value, 2); }
    bool U32(std::uint32_t& value) { return Le(value, 4); }
    bool U64(std::uint64_t& value) { return Le(value, 8); }
    bool F64(double& value) {
        std::uint64_t bits = 0;
        if (!U64(bits)) {
            return false;
        }
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }
    bool Bytes(std::size_t count, std::string_view& out) {
        if (count > bytes.size()) {
            return false;
        }
        out = bytes.substr(0, count);
        bytes.remove_prefix(count);
        return true;
    }
    std::size_t Remaining() const { return bytes.size(); }
    const char* Position() const { return bytes.data(); }

private:
    template <typename Unsigned>
    bool Le(Unsigned& value, std::size_t width) {
        if (bytes.size() < width) {
            return false;
        }
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&value, bytes.data(), sizeof value);  // the field as it is on disk: one load
        } else {
            std::uint64_t result = 0;
            for (std::size_t i = 0; i < width; ++i) {
                result |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
            }
            value = static_cast<Unsigned>(result);
        }
        bytes.remove_prefix(width);
        return true;
    }

    std::string_view bytes;
};

enum class Field { FileName, Folder, Seed, Objects, Positions };

// The fields each kind's payload holds, in order; an empty set for kinds without a payload.
struct Layout {
    bool known;
    Field fields[3];
    int count;
};

Layout LayoutOf(std::uint16_t kind) {
    switch (static_cast<JournalRecordKind>(kind)) {
        case JournalRecordKind::NewFile:
        case JournalRecordKind::Save:
            return {true, {Field::FileName, Field::Folder}, 2};
        case JournalRecordKind::OpenFile:
            return {true, {Field::FileName, Field::Folder, Field::Objects}, 3};
        case JournalRecordKind::TreePlant:
        case JournalRecordKind::CopsePlant:
            return {true, {Field::Seed, Field::Objects}, 2};
        case JournalRecordKind::AppendFrom:
        case JournalRecordKind::CopseLoad:
            return {true, {Field::FileName, Field::Objects}, 2};
        case JournalRecordKind::EditDelete:
            return {true, {Field::Positions}, 1};
        case JournalRecordKind::GeneratorState:
            return {true, {Field::Seed}, 1};
        case JournalRecordKind::AppendToStep:
            return {true, {Field::Objects}, 1};
        case JournalRecordKind::Undo:
        case JournalRecordKind::Redo:
        case JournalRecordKind::Close:
            return {true, {}, 0};
    }
    return {false, {}, 0};
}

std::size_t FieldSize(Field field, const JournalRecord& record) {
    switch (field) {
        case Field::FileName:
            return 4 + record.fileName.size();
        case Field::Folder:
            return 4 + record.folder.size();
        case Field::Seed:
            return 4;
        case Field::Objects:
            return 4 + record.objects.Count() * objectMinimum + record.objects.GuidBytesTotal();
        case Field::Positions:
            break;
    }
    return 4 + record.positions.size() * 4;
}

void WriteObjects(ByteWriter& out, const JournalObjects& objects) {
    out.U32(static_cast<std::uint32_t>(objects.Count()));
    for (std::size_t i = 0; i < objects.Count(); ++i) {
        out.F64(objects.LatitudeAt(i));
        out.F64(objects.LongitudeAt(i));
        out.Text(objects.GuidAt(i));
    }
}

void WriteField(ByteWriter& out, Field field, const JournalRecord& record) {
    switch (field) {
        case Field::FileName:
            out.Text(record.fileName);
            break;
        case Field::Folder:
            out.Text(record.folder);
            break;
        case Field::Seed:
            out.U32(record.seed);
            break;
        case Field::Objects:
            WriteObjects(out, record.objects);
            break;
        case Field::Positions:
            out.U32(static_cast<std::uint32_t>(record.positions.size()));
            for (const std::uint32_t position : record.positions) {
                out.U32(position);
            }
            break;
    }
}

// Counts above what the remaining bytes could hold are refused before anything is walked; every
// object's GUID length is checked against the bytes that remain.
bool ReadObjects(ByteReader& in, JournalRecordView::Objects& objects) {
    std::uint32_t count = 0;
    if (!in.U32(count) || count > in.Remaining() / objectMinimum) {
        return false;
    }
    const std::size_t before = in.Remaining();
    const char* first = in.Position();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint64_t position = 0;
        std::uint32_t length = 0;
        std::string_view guid;
        if (!in.U64(position) || !in.U64(position) || !in.U32(length) || !in.Bytes(length, guid)) {
            return false;
        }
    }
    objects = JournalRecordView::Objects(std::string_view(first, before - in.Remaining()), count);
    return true;
}

bool ReadPositions(ByteReader& in, JournalRecordView::Positions& positions) {
    std::uint32_t count = 0;
    if (!in.U32(count) || count > in.Remaining() / 4) {
        return false;
    }
    std::string_view bytes;
    in.Bytes(std::size_t{count} * 4, bytes);
    std::uint32_t previous = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t position = JournalRecordView::U32(bytes.data() + 4 * std::size_t{i});
        if (i > 0 && position <= previous) {
            return false;
        }
        previous = position;
    }
    positions = JournalRecordView::Positions(bytes);
    return true;
}

bool ReadText(ByteReader& in, std::string_view& text) {
    std::uint32_t length = 0;
    return in.U32(length) && in.Bytes(length, text);
}

bool ReadField(ByteReader& in, Field field, JournalRecordView& record) {
    switch (field) {
        case Field::FileName:
            return ReadText(in, record.fileName);
        case Field::Folder:
            return ReadText(in, record.folder);
        case Field::Seed:
            return in.U32(record.seed);
        case Field::Objects:
            return ReadObjects(in, record.objects);
        case Field::Positions:
            break;
    }
    return ReadPositions(in, record.positions);
}

}  // namespace

std::string EncodeHeader(const JournalHeader& header) {
    std::string bytes(headerSize, '\0');
    ByteWriter out(bytes.data());
    out.Bytes(magic);
    out.U32(header.formatVersion);
    out.U32(header.processId);
    out.U64(static_cast<std::uint64_t>(header.createdAt));
    out.U32(0);  // reserved
    out.U32(Crc32(0, std::string_view(bytes).substr(0, headerSize - 4)));
    return bytes;
}

bool AppendRecord(std::string& out, const JournalRecord& record) {
    const Layout layout = LayoutOf(static_cast<std::uint16_t>(record.kind));
    std::size_t payloadSize = 0;
    for (int i = 0; i < layout.count; ++i) {
        payloadSize += FieldSize(layout.fields[i], record);
    }
    if (!layout.known || payloadSize > std::numeric_limits<std::uint32_t>::max() ||
        record.objects.Count() > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    const std::size_t start = out.size();
    out.resize(start + recordFraming + payloadSize);
    ByteWriter writer(out.data() + start);
    writer.U32(static_cast<std::uint32_t>(payloadSize));
    writer.U16(static_cast<std::uint16_t>(record.kind));
    for (int i = 0; i < layout.count; ++i) {
        WriteField(writer, layout.fields[i], record);
    }
    writer.U32(Crc32(0, std::string_view(out).substr(start, recordFraming - 4 + payloadSize)));
    return true;
}

HeaderCheck DecodeHeader(std::string_view bytes, JournalHeader& header) {
    if (bytes.size() < headerSize || bytes.substr(0, magic.size()) != magic) {
        return HeaderCheck::NotAJournal;
    }
    ByteReader in(bytes.substr(magic.size(), headerSize - magic.size()));
    std::uint64_t createdAt = 0;
    std::uint32_t reserved = 0;
    std::uint32_t crc = 0;
    in.U32(header.formatVersion);
    in.U32(header.processId);
    in.U64(createdAt);
    in.U32(reserved);
    in.U32(crc);
    header.createdAt = static_cast<std::int64_t>(createdAt);
    if (header.formatVersion != version) {
        return HeaderCheck::UnknownVersion;
    }
    return Crc32(0, bytes.substr(0, headerSize - 4)) == crc ? HeaderCheck::Valid : HeaderCheck::Damaged;
}

Frame UncheckedFrame(std::string_view bytes) {
    Frame frame;
    ByteReader in(bytes);
    std::uint32_t length = 0;
    if (!in.U32(length) || !in.U16(frame.kind) || !in.Bytes(length, frame.payload) || in.Remaining() < 4) {
        return frame;
    }
    frame.size = recordFraming + length;
    frame.check = Frame::Check::Complete;
    return frame;
}

Frame NextFrame(std::string_view bytes) {
    Frame frame = UncheckedFrame(bytes);
    if (frame.check == Frame::Check::Complete) {
        const std::string_view crc = bytes.substr(frame.size - 4, 4);
        frame.check = Crc32(0, bytes.substr(0, frame.size - 4)) == JournalRecordView::U32(crc.data())
                          ? Frame::Check::Complete
                          : Frame::Check::WrongChecksum;
    }
    return frame;
}

std::string_view UncheckedObjectsField(std::uint16_t kind, std::string_view payload) {
    const Layout layout = LayoutOf(kind);
    ByteReader in(payload);
    for (int i = 0; i < layout.count; ++i) {
        std::uint32_t value = 0;
        std::string_view text;
        switch (layout.fields[i]) {
            case Field::Objects:
                return std::string_view(in.Position(), in.Remaining());
            case Field::FileName:
            case Field::Folder:
                if (!ReadText(in, text)) {
                    return {};
                }
                break;
            case Field::Seed:
            case Field::Positions:
                if (!in.U32(value)) {
                    return {};
                }
                break;
        }
    }
    return {};
}

bool DecodeView(std::uint16_t kind, std::string_view payload, JournalRecordView& record) {
    const Layout layout = LayoutOf(kind);
    if (!layout.known) {
        return false;
    }
    record = JournalRecordView{};
    record.kind = static_cast<JournalRecordKind>(kind);
    ByteReader in(payload);
    for (int i = 0; i < layout.count; ++i) {
        if (!ReadField(in, layout.fields[i], record)) {
            return false;
        }
    }
    return in.Remaining() == 0;
}

}  // namespace JournalFormat
