#pragma once

#include <gtest/gtest.h>
#include "../common/PosixOnWindows.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "../common/FakeDevice.h"
#include "AnalysisPage.h"
#include "DateTimePicker.h"
#include "Dialogs.h"
#include "Sound.h"
#include "TagGridModel.h"
#include "Umainform.h"
#include "Uudpthread.h"

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

// What the window showed in a modal dialog, and the scripted answers.
struct ShownBox {
  QString text;
  QString title;
  BoxIcon icon;
  BoxButtons buttons;
};

class FakeDialogs : public Dialogs {
 public:
  BoxAnswer MessageBox(QWidget*, const QString& text, const QString& title, BoxIcon icon,
                       BoxButtons buttons) override {
    boxes.push_back({text, title, icon, buttons});
    if (onBox) onBox();
    if (answers.empty()) return BoxAnswer::Ok;
    BoxAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<QString> SaveFileName(QWidget*, const QString& fileName,
                                      const QString& filter) override {
    saveRequests.push_back({fileName, filter});
    return savePath;
  }
  std::optional<QString> OpenFileName(QWidget*, const QString&) override { return openPath; }

  std::vector<ShownBox> boxes;
  std::deque<BoxAnswer> answers;
  std::function<void()> onBox;
  std::optional<QString> savePath;
  std::optional<QString> openPath;
  std::vector<std::pair<QString, QString>> saveRequests;
};

class FakeSound : public Sound {
 public:
  void Play(const std::string& path) override {
    paths.push_back(path);
    if (onPlay) onPlay();
  }
  std::vector<std::string> paths;
  std::function<void()> onPlay;
};

// The source tree, from the environment that ctest gives; a clear failure without it.
inline std::filesystem::path SourceDir() {
  const char* source = std::getenv("TAGWICK_SOURCE_DIR");
  if (!source || !*source) {
    throw std::runtime_error(
        "TAGWICK_SOURCE_DIR is not set: run this test through ctest, or set it to the source tree");
  }
  return source;
}

// A temporary working directory for one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tagwick-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

// A language of its own under `directory`: every numbered text reads as its key ("Text012",
// "BtnCaption002"), so that a text looked up under a wrong number shows.
inline void WriteNumberedLanguage(const std::filesystem::path& directory) {
  std::filesystem::create_directories(directory / "Language");
  std::ofstream(directory / "Language" / "Lang.ini")
      << "[General]\nAppName=Pellow\nNumber=1\nCurID=0\n[Lang]\n000_Ext=tst\n000_Name=Test\n";
  std::ofstream file(directory / "Language" / "Pellow.tst");
  file << "[General]\nFontName=DejaVu Sans\nCharset=1\nFontSize=9\n[ExtStr]\n";
  char key[32];
  for (int number = 1; number <= 16; ++number) {
    std::snprintf(key, sizeof key, "Text%03d", number);
    file << key << '=' << key << '\n';
  }
  for (int number = 1; number <= 4; ++number) {
    std::snprintf(key, sizeof key, "BtnCaption%03d", number);
    file << key << '=' << key << '\n';
  }
}

// The real main window on the offscreen platform, with faked dialogs and sound, started in a
// working directory of the test's choice, and a loopback device to connect to.
class WindowTest : public ::testing::Test {
 protected:
  // Working directory for FormCreate: an empty one (no language) unless a test says otherwise.
  virtual std::filesystem::path WorkingDirectory() { return work.path; }

  void SetUp() override {
    previous = std::filesystem::current_path();
    std::filesystem::current_path(WorkingDirectory());
    form = std::make_unique<TMainForm>(dialogs, sound);
    form->FormCreate();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }

  void TearDown() override {
    if (form) {
      form->close();
      form.reset();
    }
    std::filesystem::current_path(previous);
  }

  // The buttons that follow the connection: those of the first two pages.
  QList<QPushButton*> LinkButtons() const {
    return form->ts1->findChildren<QPushButton*>() + form->ts2->findChildren<QPushButton*>();
  }

  template <typename W = QWidget>
  W* Find(const char* name) {
    W* widget = form->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  // Points the window at the fake device, connects, and takes the debug-start request.
  void Connect() {
    form->edtIP->setText(QStringLiteral("127.0.0.1"));
    form->edtPort->setText(QString::fromStdString(device.PortText()));
    form->btnIP->click();
    ASSERT_TRUE(device.Receive().has_value()) << "no debug-start request";
  }

  // Processes window events until `done` or a generous timeout.
  bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    return QTest::qWaitFor(done, timeoutMs);
  }

  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    for (const QString& line : form->mmo1->toPlainText().split('\n')) {
      lines.push_back(line.toStdString());
    }
    return lines;
  }
  // The log's lines without their time stamps.
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> texts;
    for (const std::string& line : LogLines()) {
      std::size_t arrow = line.find(" ==> ");
      texts.push_back(arrow == std::string::npos ? line : line.substr(arrow + 5));
    }
    return texts;
  }
  bool LogContains(const std::string& text) const {
    for (const std::string& t : LogTexts()) {
      if (t == text) return true;
    }
    return false;
  }

  std::string Cell(int col, int row) { return form->Grid().Cell(col, row); }

  TempDir work;
  std::filesystem::path previous;
  FakeDialogs dialogs;
  FakeSound sound;
  FakeDevice device;
  std::unique_ptr<TMainForm> form;
};

inline std::string Request(const std::string& type) {
  return "{\n\t\"type\":\t\"" + type + "\"\n}";
}
