#pragma once
// Saving a file whole, the one way every save of the program goes: the new content is written
// to a scratch file that no other program can reach, then put in place with one rename, so a
// failure, a cancel or a stopped run leaves what was there before and nothing beside it.

#include "tax/Result.h"

#include <optional>
#include <string>
#include <string_view>

namespace batch {

// The file a save to `path` writes: the path itself for a new name or a regular file, the file
// a link names when that is a regular file (the link stays a link). None for anything else: a
// pipe, a device, a folder or a link to nothing, which a rename over it would destroy.
std::optional<std::string> SaveTarget(const std::string& path);

class SaveFile {
public:
    enum class Scratch {
        Unnamed, // a file with no name until it is put in place, where the system has them
        Named,   // a fresh hidden name, made exclusively and removed on INT, TERM and HUP
    };

    enum class Links {
        kFollow,  // a name the user gave: a link to a regular file is written through (SaveTarget)
        kReplace, // a name the program made in a folder it fills: a link there is replaced by the
                  // file, never followed; a pipe, device or folder is refused
    };

    // Starts a save to `path`, as SaveTarget resolves it (or, with Links::kReplace, the name
    // itself): the scratch file in the target's folder (an unnamed one unless the system or
    // `scratch` says otherwise), so that even a killed run leaves nothing. A link at the
    // scratch's place is never followed.
    static tax::Result<SaveFile> Begin(const std::string& path, Scratch scratch = Scratch::Unnamed,
                                       Links links = Links::kFollow);

    SaveFile(SaveFile&& other) noexcept;
    SaveFile& operator=(SaveFile&& other) noexcept;
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;
    // A save not committed is dropped, and its scratch with it.
    ~SaveFile();

    // The file that will be replaced.
    const std::string& Target() const { return target_; }
    // The scratch file under a name that a library opening files by name (the zip library) can
    // open for writing, truncating what is there.
    const std::string& ScratchName() const { return scratchName_; }
    bool Unnamed() const { return unnamed_; }

    tax::Status Write(std::string_view bytes);
    // Drops what was written so far: the scratch file empty again, as Begin left it.
    tax::Status Rewind();
    // Writes the scratch file to the disk and puts it in place, with the mode of the file it
    // replaces, and its owner and group where the system lets this process give them.
    tax::Status Commit();
    // The error number of the last failure, for callers that report the system's own text.
    int LastError() const { return errno_; }

private:
    SaveFile() = default;
    tax::Failure Failed(int error);
    void Drop();

    std::string target_;
    std::string leaf_;        // the target's name in its folder
    std::string scratchName_; // as ScratchName()
    std::string scratchLeaf_; // a named scratch's name in the folder
    int dir_ = -1;            // the target's folder
    int fd_ = -1;
    int slot_ = -1;           // where a named scratch waits for the signal handler
    bool unnamed_ = false;
    bool replaces_ = false;   // the target exists: its mode and owner are kept
    unsigned mode_ = 0, uid_ = 0, gid_ = 0;
    int errno_ = 0;
};

// Writes `bytes` to `path` through a SaveFile.
tax::Status SaveWhole(const std::string& path, std::string_view bytes);

} // namespace batch
