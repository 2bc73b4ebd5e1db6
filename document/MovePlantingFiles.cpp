#include "document/MovePlantingFiles.h"

#include <fstream>

#include "document/AtomicFileWriter.h"
#include "document/SystemCalls.h"

namespace {

// Copies `from` to a temporary file beside `to` and renames it over `to` once complete.
std::error_code CopyReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    AtomicFileWriter writer(to);
    if (const std::error_code error = writer.Open()) {
        return error;
    }
    std::string buffer(1 << 20, '\0');
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (const std::error_code error = writer.Write(std::string_view(buffer.data(), got))) {
            return error;
        }
    }
    if (in.bad()) {
        return std::make_error_code(std::errc::io_error);
    }
    return writer.Commit();
}

std::error_code MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code error = SystemCalls::RenameReplacing(from, to);
    if (!error || !SystemCalls::CrossesFileSystems(error)) {
        return error;
    }
    error = CopyReplacing(from, to);
    if (!error) {
        std::error_code ignored;
        std::filesystem::remove(from, ignored);
    }
    return error;
}

MoveOutcome MoveOne(const std::filesystem::path& programFolder, const std::string& folder,
                    const std::string& name, bool produced, bool sameFolder) {
    MoveOutcome move = NothingMoved(name, folder);
    if (!produced) {
        return move;
    }
    if (sameFolder) {
        move.status = MoveStatus::AlreadyThere;
        return move;
    }
    move.error = MoveReplacing(programFolder / name, std::filesystem::path(folder) / name);
    move.status = move.error ? MoveStatus::Failed : MoveStatus::Moved;
    return move;
}

}  // namespace

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error)) {
        return true;
    }
    if (!error) {
        return false;  // both exist and differ
    }
    const auto normalA = std::filesystem::weakly_canonical(a, error);
    const auto normalB = std::filesystem::weakly_canonical(b, error);
    return normalA == normalB;
}

MoveOutcome NothingMoved(const std::string& name, const std::string& folder) {
    MoveOutcome move;
    move.status = MoveStatus::NotProduced;
    move.path = name;
    move.destination = folder;
    return move;
}

MoveOutcomes MovePlantingFiles(const std::filesystem::path& programFolder, const std::string& folder,
                               const std::string& xmlFileName, bool xmlProduced, const std::string& bglName,
                               bool bglProduced) {
    const bool sameFolder = SameFolder(programFolder, folder);
    MoveOutcomes moves{MoveOne(programFolder, folder, xmlFileName, xmlProduced, sameFolder),
                       MoveOne(programFolder, folder, bglName, bglProduced, sameFolder)};
    if (moves.xml.status == MoveStatus::Moved || moves.bgl.status == MoveStatus::Moved) {
        // A finished save retires the session's journal, so the files' new names must outlast a power
        // loss too. Best effort: the bytes are durable already, and a folder that cannot be synced
        // leaves the names where the file system's own ordering puts them.
        SystemCalls::SyncFolder(folder);
    }
    return moves;
}
