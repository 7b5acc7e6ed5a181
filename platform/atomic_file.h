#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Replaces a file so that a crash, a full disk or a failed write never leaves a half-written
// file where a good one was: the bytes go to a temporary file in the same folder, are flushed
// to disk, and the temporary file is renamed over the target. On any failure the temporary
// file is removed and the old file is left as it was.
//
// Nor may a process killed in the middle leave its temporary file behind. Where the file
// system allows it the temporary file has no name while it is written (O_TMPFILE) and gets
// its hidden name, ".<target>.tmp-<pid>-<n>", only just before the rename; and every writer
// first removes the temporary files that dead processes left beside its target.
//
// A symbolic link at the target is followed and the file it leads to is replaced, as writing
// through the link would; a replaced file keeps its permission bits, a new one gets the
// usual ones (0666 less the umask).
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    // An open writer that was never committed removes its temporary file.
    ~AtomicFileWriter() { discard(); }

    // Creates the temporary file beside the target. False when the target could not be
    // written: its folder is missing or not writable, or the target exists but is not a
    // regular file this process may write.
    bool open(const std::filesystem::path& target);
    // Writes the bytes, flushes them and renames the temporary file over the target.
    // False on any failure, after which the target is as it was. The writer is closed
    // either way.
    bool commit(std::string_view bytes);
    // Closes and removes the temporary file without touching the target.
    void discard();

    bool isOpen() const { return m_descriptor >= 0; }
    // The file that Commit replaces, symbolic links resolved.
    const std::filesystem::path& target() const { return m_target; }

private:
    int m_descriptor = -1;
    // Empty while the temporary file has no name.
    std::string m_temporary;
    std::string m_temporaryStem;
    std::filesystem::path m_target;
};

// Open and Commit in one step. The folder must exist.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Why writing the target failed, in words for the user, worked out after the failure: a
// folder in the way, a missing or read-only folder, a write-protected file, or else the
// system's own reason for writeError (errno as the failed write left it, 0 when unknown).
std::string writeFailureReason(const std::filesystem::path& target, int writeError);

// True for the name of a temporary file of this writer (".<target>.tmp-<pid>-<n>").
bool isAtomicWriterTemporary(const std::string& fileName);
// Removes the temporary files beside the target that processes no longer running left behind.
// Answers how many were removed.
int removeStaleTemporaries(const std::filesystem::path& target);
