#include "AtomicFile.h"

#include <algorithm>
#include <atomic>

#ifdef _WIN32
#include <windows.h>

#include "Utf8Path.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#endif

namespace atomicfile {

namespace {

// Temporary names differ between processes and between calls, so that two writers of one file
// never share a temporary file; the last rename wins whole.
std::atomic<unsigned> counter{0};

Result Failed(Result::Failure failure, std::string reason) {
  return {failure, std::move(reason)};
}

}  // namespace

#ifdef _WIN32

namespace {

// Paths and messages through the wide calls, converted from and to UTF-8 by the tool: the "A"
// calls would use the ANSI code page, which is not UTF-8 on Windows 10 1809.
std::string Reason(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::string reason = text ? Utf8(text) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  return reason;
}

}  // namespace

Result Replace(const std::string& path, std::string_view bytes) {
  const std::wstring widePath = Wide(path);
  const DWORD attributes = GetFileAttributesW(widePath.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  // A read-only file is refused as writing it in place would be.
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    return Failed(Result::Failure::Create, Reason(ERROR_ACCESS_DENIED));
  }
  std::wstring temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = widePath + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter++) + L".tmp";
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) return Failed(Result::Failure::Create, Reason(GetLastError()));

  auto fail = [&](DWORD code) {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    DeleteFileW(temp.c_str());
    return Failed(Result::Failure::Write, Reason(code));
  };
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return fail(GetLastError());
    bytes.remove_prefix(written);
  }
  if (!FlushFileBuffers(file)) return fail(GetLastError());
  const BOOL closed = CloseHandle(file);
  file = INVALID_HANDLE_VALUE;
  if (!closed) return fail(GetLastError());
  if (!MoveFileExW(temp.c_str(), widePath.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return fail(GetLastError());
  }
  // The new file keeps the old one's attributes (hidden, say).
  if (exists) SetFileAttributesW(widePath.c_str(), attributes);
  return {};
}

#else

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::string Reason(int error) {
  return std::strerror(error);
}

// Devices and pipes have no content to keep: they are written as they are.
Result WriteInPlace(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return Failed(Result::Failure::Create, Reason(errno));
  if (!WriteAll(fd, bytes)) {
    const int error = errno;
    ::close(fd);
    return Failed(Result::Failure::Write, Reason(error));
  }
  if (::close(fd) != 0) return Failed(Result::Failure::Write, Reason(errno));
  return {};
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The rename itself reaches the disk only with its folder.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

Result Replace(const std::string& path, std::string_view bytes) {
  std::string target = path;
  struct stat entry {};
  if (::lstat(path.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode)) {
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  }
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) return Failed(Result::Failure::Create, Reason(EISDIR));
  if (exists && !S_ISREG(old.st_mode)) return WriteInPlace(target, bytes);
  if (exists) {
    // A file that could not be written in place is not replaced either: a read-only file stays.
    const int probe = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (probe < 0) return Failed(Result::Failure::Create, Reason(errno));
    ::close(probe);
  }

  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = target + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
    // 0666 less the umask, as a file created in place would get; an existing file's mode below.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return Failed(Result::Failure::Create, Reason(errno));

  auto fail = [&](int error) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    return Failed(Result::Failure::Write, Reason(error));
  };
  if (exists) {
    // Owner first: a change of owner clears the set-id bits that the mode then restores.
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) return fail(errno);
  }
  if (!WriteAll(fd, bytes)) return fail(errno);
  if (::fsync(fd) != 0) return fail(errno);
  const int closed = ::close(fd);
  fd = -1;
  if (closed != 0) return fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
  SyncFolder(FolderOf(target));
  return {};
}

#endif

}  // namespace atomicfile
