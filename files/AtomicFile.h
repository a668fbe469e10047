#pragma once

#include <string>
#include <string_view>

// Replaces a file's content so that a reader, a crash or a full disk sees either the old content
// or the new one, never a file cut short: the bytes go to a temporary file in the same folder,
// reach the disk, and the temporary file is renamed over the old one, which keeps its
// permissions. On any failure the old file is untouched and the temporary file removed.
//
// A path that names something other than a regular file (a device such as /dev/null, a pipe)
// cannot be replaced and is written in place. A symbolic link to a file replaces the file it
// points to.
namespace atomicfile {

struct Result {
  enum class Failure { None, Create, Write };
  // Create: the file could not be opened for writing (missing folder, read-only file or
  // folder, a directory in its place). Write: writing or flushing failed (a full disk).
  Failure failure = Failure::None;
  // The system's reason, for the message.
  std::string reason;

  explicit operator bool() const { return failure == Failure::None; }
};

Result Replace(const std::string& path, std::string_view bytes);

}  // namespace atomicfile
