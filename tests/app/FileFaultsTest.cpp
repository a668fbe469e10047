#include <sys/fsuid.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>

#include "WindowFixture.h"

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

// A working directory prepared by each test before the window starts.
class FileFaultsTest : public WindowTest {
 protected:
  std::filesystem::path WorkingDirectory() override {
    std::filesystem::create_directory(work.path / "Language");
    Prepare(work.path / "Language");
    return work.path;
  }
  virtual void Prepare(const std::filesystem::path&) {}
};

class GarbageLanguageFiles : public FileFaultsTest {
  void Prepare(const std::filesystem::path& dir) override {
    std::mt19937 random(7);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(random() % 256);
    WriteFile(dir / "Lang.ini", "[Lang]\n000_Ext=eng\n000_Name=x\n" + garbage);
    WriteFile(dir / "Pellow.eng", garbage + "\n[ExtStr]\nText001=" + garbage);
  }
};

class HugeLanguageValue : public FileFaultsTest {
  void Prepare(const std::filesystem::path& dir) override {
    WriteFile(dir / "Lang.ini", "[General]\nCurID=0\n[Lang]\n000_Ext=eng\n000_Name=English\n");
    WriteFile(dir / "Pellow.eng", "[MainForm]\nlbl1=" + std::string(1 << 20, 'L') +
                                      "\n[ExtStr]\nText012=" + std::string(1 << 20, 'T') + "\n");
  }
};

class UnwritableLanguageList : public FileFaultsTest {
  void Prepare(const std::filesystem::path& dir) override {
    // A list file that cannot be opened for writing, whoever runs the test.
    std::filesystem::create_directory(dir / "Lang.ini");
  }
};

constexpr uid_t kNobody = 65534;

// Root writes read-only files. While this lasts, this thread reaches files as the unprivileged user
// "nobody", whom file modes bind; the other threads are left as they are.
class UnprivilegedFileAccess {
 public:
  explicit UnprivilegedFileAccess(bool root) : root(root) {
    if (!root) return;
    setfsgid(kNobody);
    setfsuid(kNobody);
  }
  ~UnprivilegedFileAccess() {
    if (!root) return;
    setfsuid(0);
    setfsgid(0);
  }
  UnprivilegedFileAccess(const UnprivilegedFileAccess&) = delete;
  UnprivilegedFileAccess& operator=(const UnprivilegedFileAccess&) = delete;
  // setfsuid reports the previous value, and an invalid id changes nothing.
  bool InEffect() const {
    return !root || setfsuid(static_cast<uid_t>(-1)) == static_cast<int>(kNobody);
  }

 private:
  bool root;
};

}  // namespace

TEST_F(GarbageLanguageFiles, WindowStartsWorksAndCloses) {
  Connect();
  form->btn10->click();
  EXPECT_EQ(dialogs.boxes.size(), 1u);
  form->close();
  EXPECT_EQ(device.Receive(), Request("debugstop"));
}

TEST_F(HugeLanguageValue, ValuesAreCutTo2047Bytes) {
  EXPECT_EQ(form->lbl1->text(), QString(2047, 'L'));
  Connect();
  form->edtGateWayIP->setText(QStringLiteral("300.1.1.1"));
  form->CheckIPOnExit(form->edtGateWayIP);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, QString(2047, 'T'));
}

TEST_F(UnwritableLanguageList, ClosingStillClosesWithoutABox) {
  form->close();
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_FALSE(form->isVisible());
}

using ExportFaultsTest = WindowTest;

TEST_F(ExportFaultsTest, AFullDiskIsReportedOnceAndTheGridKept) {
  Connect();
  dialogs.savePath = QStringLiteral("/dev/full");
  form->btnExport->click();
  ASSERT_EQ(dialogs.boxes.size(), 1u);  // the error, and not the confirmation after it
  EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Error);
  EXPECT_TRUE(dialogs.boxes[0].text.startsWith("Cannot write file /dev/full"));
  EXPECT_EQ(Cell(5, 0), "RSSI");
  EXPECT_NE(udpthread, nullptr);
}

TEST_F(ExportFaultsTest, AReadOnlyFileIsNotOverwritten) {
  // The file and its folder belong to whoever exports, who could remove, rename or re-mode them:
  // only the file's read-only mode stands in the way.
  const auto folder = work.path / "mine";
  std::filesystem::create_directory(folder);
  const auto path = folder / "locked.csv";
  WriteFile(path, "keep");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  const bool root = geteuid() == 0;
  if (root) {
    std::filesystem::permissions(work.path, std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
  }
  Connect();
  dialogs.savePath = QString::fromStdString(path.string());
  {
    UnprivilegedFileAccess unprivileged(root);
    ASSERT_TRUE(unprivileged.InEffect());
    form->btnExport->click();
  }
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "Cannot create file " + *dialogs.savePath + ".");
  std::ifstream kept(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");
}
