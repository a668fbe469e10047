#include <gtest/gtest.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "AtomicFile.h"
#include "CsvExport.h"
#include "Language.h"
#include "MemoryGrid.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Runs `body` in a child process and answers how it ended: its exit code, or 128 + the signal
// that ended it.
int InChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The disk fills after `bytes`: writes beyond fail with EFBIG instead of a signal.
void LimitFileSize(rlim_t bytes) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{bytes, bytes};
  setrlimit(RLIMIT_FSIZE, &limit);
}

// The process is killed the moment it renames a file: between a complete temporary file and
// the rename that would put it in place.
bool KillAtRename() {
#if defined(__x86_64__)
  constexpr std::uint32_t kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
  constexpr std::uint32_t kArch = AUDIT_ARCH_AARCH64;
#else
  return false;
#endif
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
#ifdef __NR_rename
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_rename, 3, 0),
#else
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat, 3, 0),
#endif
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat, 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat2, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
  };
  sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
  return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

class ReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tagwick-replace-XXXXXX").string();
    dir = mkdtemp(pattern.data());
    csv = dir / "keep.csv";
    langIni = dir / "Language" / "Lang.ini";
    fs::create_directories(dir / "Language");
    // A language list well above the size the disk allows, so that a write that empties the
    // file first cannot get it back.
    std::string list = "[General]\nAppName=Pellow\nCurID=7\nNumber=200\n[Lang]\n";
    for (int slot = 0; slot < 200; ++slot) {
      list += std::to_string(1000 + slot) + "_Name=" + std::string(40, 'n') + "\n";
    }
    WriteFile(langIni, list);
    WriteFile(csv, "good\r\n");
    grid.Init();
    grid.SetRowCount(400);
    for (int row = 1; row < 400; ++row) grid.SetCell(1, row, std::string(24, 'E'));
  }
  void TearDown() override { fs::remove_all(dir); }

  // The two writers: the export, and the language list written at close.
  int ExportCsv() const {
    std::string error;
    if (WriteCsvFile(csv.string(), grid, error)) return 0;
    return error.rfind("Cannot write file " + csv.string() + ": File too large", 0) == 0 ? 10 : 11;
  }
  int CloseLanguage() const {
    std::string shown;
    {
      TKorvelLanguage language(dir.string(), "en_US", [&](const std::string& m) { shown = m; });
    }
    if (shown.empty()) return 0;
    return shown.find(langIni.string() + ": File too large") != std::string::npos ? 10 : 11;
  }

  std::size_t Entries(const fs::path& folder) const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
  }

  fs::path dir;
  fs::path csv;
  fs::path langIni;
  MemoryGrid grid;
};

TEST_F(ReplaceTest, AFullDiskKeepsTheOldFileWholeAndNamesFileAndReason) {
  const std::string oldList = ReadFile(langIni);
  EXPECT_EQ(InChild([&] {
              LimitFileSize(4096);
              return ExportCsv();
            }),
            10);
  EXPECT_EQ(ReadFile(csv), "good\r\n");
  EXPECT_EQ(Entries(dir), 2u) << "a temporary file was left behind";

  EXPECT_EQ(InChild([&] {
              LimitFileSize(4096);
              return CloseLanguage();
            }),
            10);
  EXPECT_TRUE(ReadFile(langIni) == oldList) << "Lang.ini changed";
  EXPECT_EQ(Entries(dir / "Language"), 1u);
}

TEST_F(ReplaceTest, AWriterKilledBeforeItsRenameLeavesTheOldFile) {
  const std::string oldList = ReadFile(langIni);
  for (const auto& write : {std::function<int()>([&] { return ExportCsv(); }),
                            std::function<int()>([&] { return CloseLanguage(); })}) {
    const int end = InChild([&] { return KillAtRename() ? write() : 99; });
    if (end == 99) GTEST_SKIP() << "no seccomp filter here";
    EXPECT_EQ(end, 128 + SIGSYS);
  }
  EXPECT_EQ(ReadFile(csv), "good\r\n");
  EXPECT_TRUE(ReadFile(langIni) == oldList) << "Lang.ini changed";
}

TEST_F(ReplaceTest, TheNewFileKeepsTheOldModeAndALinkKeepsPointingAtIt) {
  fs::permissions(csv, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const fs::path link = dir / "link.csv";
  fs::create_symlink(csv, link);
  ASSERT_TRUE(atomicfile::Replace(link.string(), "new\r\n"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(csv), "new\r\n");
  EXPECT_EQ(fs::status(csv).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Entries(dir), 3u);
}

}  // namespace
