// Reading and writing whole files with the care that foreign files and full disks call for. Paths
// here are the system's own bytes (PathToNative of a wide path).
//
// Reading opens regular files only, and without blocking: a FIFO or a device named like a
// picture is refused at once instead of waiting forever for a writer.
//
// Writing never leaves a half-written file under the user's name: the bytes go to a temporary
// file beside the target, which is flushed to the disk and then renamed over the target, so that
// the target holds either all of the old file or all of the new one. The new file keeps the
// permissions (and, where the system allows, the owner and group) of the file it replaces, and a
// save through a symbolic link writes the file the link names and keeps the link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class FileReadStatus
{
    Ok,
    Missing,    // no such file (or a folder on the way is missing)
    NotRegular, // a folder, FIFO, device or socket
    TooLarge,   // more than the bytes asked for
    Denied,     // no permission
    Failed,     // any other error of the system
};

// The whole content of a regular file of at most maxBytes bytes.
FileReadStatus ReadRegularFile(const std::string& path, std::uint64_t maxBytes,
                               std::vector<unsigned char>& out);
FileReadStatus ReadRegularFile(const std::string& path, std::uint64_t maxBytes, std::string& out);

// The file a write to path lands in: path itself, or, when path is a symbolic link (or a chain
// of them), the name the last link points to, even when that file does not exist yet.
std::string ResolveSaveTarget(const std::string& path);

// What is at a path, symbolic links followed.
enum class FileKind
{
    Missing,
    Regular,
    Other, // a folder, FIFO, device or socket
};
FileKind KindOfFile(const std::string& path);

// A new, empty file beside target, created exclusively (mode 0666 less the umask) under a short
// name that the user can tell for a save in progress: the beginning of the target's name,
// "~orvalis-", six random characters and, when keepExtension is set, the target's own extension
// (so that a codec chooses its format from it as from the target). The name stays short
// whatever the target's length, within every file system's limit. Returns the open descriptor
// (the caller closes it) and the name, or -1 with errno set.
int CreateTemporaryBeside(const std::string& target, bool keepExtension, std::string& name);

// Gives the file open at fd the permission bits, owner and group of the file at `from`, as far
// as the system allows (a user may not give away a file, and may only pick one of their groups).
// False when the permission bits could not be set.
bool CopyFileAttributes(const std::string& from, int fd);
bool CopyFileAttributes(const std::string& from, const std::string& to);

// A copy of the regular file source as a new file target (refused when target exists), with
// source's permission bits, flushed to the disk; false (and no target) on any failure.
bool CopyFileExclusively(const std::string& source, const std::string& target);

// Flushes the folder that holds path, so that a rename in it survives a crash of the system.
void FlushFolderOf(const std::string& path);

// Writes bytes as the whole content of path, atomically as described above; false (and the old
// file as it was) on any failure, a full disk included. A target that exists and is not a
// regular file (a FIFO, a device, a folder) is refused: it is never replaced by a file.
bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size);
inline bool WriteFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes)
{
    return WriteFileAtomically(path, bytes.data(), bytes.size());
}
