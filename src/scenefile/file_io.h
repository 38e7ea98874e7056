#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The whole content of a regular file, or nothing when it cannot be opened or read completely
// (also for directories and other non-regular files).
std::optional<std::string> readWholeFile(const std::string& path);
// The same; on failure `reason` says why for the status line: "cannot read: " and the system's
// description ("permission denied", "no such file or directory") or "not a regular file".
std::optional<std::string> readWholeFile(const std::string& path, std::string& reason);

// Replaces the file at `path` by `content` without ever leaving a partial file there: writes a
// temporary file ".<name>.tessaly-save-<pid>.tmp" in the same folder, checks every write, flushes
// it to disk, closes it, then renames it over `path`. On any failure the temporary file is
// removed, a previous file at `path` stays as it was, and the result is false. Temporary files of
// this kind for the same name that a killed save left behind (ours, older than this program) are
// removed on the way.
//
// Write protection counts as it would for a plain open for writing: an existing target that this
// user may not open for writing, or that is not a regular file, is refused untouched. Where the
// folder allows no new file (or no rename over the target) but the target itself may be written,
// the target is overwritten in place with checked writes and fsync; a failed write there puts the
// previous content back when it can.
//
// A symbolic link at `path` is followed, through chains and relative targets, so the file it
// points to is written (and created, if missing) and the link stays. A new file gets the usual
// mode (0666 less the umask); a replaced file keeps its mode.
bool writeFileAtomically(const std::string& path, std::string_view content);
// The same; on failure `reason` says why for the status line: "cannot write: " and the
// description of the error that stopped it ("permission denied", "no space left on device"),
// "not a regular file" or "no file name". Empty on success.
bool writeFileAtomically(const std::string& path, std::string_view content, std::string& reason);

// Where a save has to overwrite its target in place, the keeper is first handed the target's
// present content and keeps it somewhere safe; it returns what removes that keeping once the new
// content is complete and synced, or an empty function (errno set) when it could not keep it, and
// the save is then refused untouched. Without a keeper (the default) in-place saves keep nothing.
using PreviousContentKeeper =
    std::function<std::function<void()>(const std::string& target, std::string_view previous)>;
void keepPreviousContentWith(PreviousContentKeeper keeper);

// Content written piece by piece, for files too big to hold whole beside what they are made of:
// the producer calls `append` with each piece in order and returns true once all is written, or
// false to give up (nothing is replaced then, and the reason is "cannot write: operation
// canceled"). `append` returns false once writing failed; the producer should stop then. It may
// be called a second time, for a write in place, and must then produce the same content again.
using ContentProducer = std::function<bool(const std::function<bool(std::string_view)>& append)>;
bool writeFileAtomically(const std::string& path, const ContentProducer& produce,
                         std::string& reason);

// The system's description of an errno value in English whatever the locale, starting with a
// small letter unless it begins with an acronym ("permission denied").
std::string errorText(int error);

// Writes all of `content` to the open descriptor, retrying short writes and interruptions, then
// flushes it to the device. False on the first error (a full disk, an I/O error).
bool writeAllAndSync(int fd, std::string_view content);
