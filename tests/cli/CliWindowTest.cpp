#include "../app/WindowFixture.h"
#include "CliProcess.h"
#include "FieldChecks.h"
#include "InputChecks.h"
#include "Profile.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// The time column is the last of every line and tells when a report was processed: blank it.
std::string WithoutTimes(const std::string& csv) {
  std::string result;
  std::size_t begin = 0;
  for (std::size_t end; (end = csv.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
    const std::string line = csv.substr(begin, end - begin);
    result += (begin == 0 ? line : line.substr(0, line.rfind(',') + 1)) + "\r\n";
  }
  return result + csv.substr(begin);
}

// The window in English, as the shipped files give it.
class CliCsvTest : public WindowTest {
 protected:
  std::filesystem::path WorkingDirectory() override {
    const std::filesystem::path source = std::getenv("TAGWICK_SOURCE_DIR");
    std::filesystem::copy(source / "Language", work.path / "Language");
    profile::WriteString((work.path / "Language" / "Lang.ini").string(), "General", "CurID", "0");
    return work.path;
  }
};

}  // namespace

TEST_F(CliCsvTest, CsvEqualsTheWindowsExportOfTheSameReports) {
  // Defaults, both signal spellings, a number, a repeated tag, EPCs differing only in case, a
  // comma inside a value, and two reports both front ends skip; the last one is a new tag.
  const std::vector<std::string> reports = {
      R"({"type":"epcinfo","epc":"E28011606000020A1B2C3D4E"})",
      R"({"type":"epcinfo","epc":"a1","rssi":"-60","epclen":"4","antid":"2"})",
      R"({"type":"epcinfo","epc":"A1","RSSI":"200","antid":"1,3"})",
      R"({"type":"epcinfo","epc":"a1","rssi":-30})",
      R"({"type":"epcinfo","epc":"B2","rssi":"strong"})",
      R"(epcinfo, not JSON)",
      R"({"type":"epcinfo","epc":"C3","rssi":"129"})",
  };
  const std::filesystem::path cliCsv = work.path / "cli.csv";
  {
    FakeDevice cliDevice;
    CliProcess cli({"--device", "127.0.0.1:" + cliDevice.PortText(), "inventory", "1", "--csv",
                    cliCsv.string()});
    ASSERT_TRUE(cliDevice.Receive().has_value());  // debug start
    ASSERT_EQ(cliDevice.Receive(), Request("teststart"));
    for (const std::string& report : reports) cliDevice.Send(report);
    ASSERT_EQ(cli.Wait(), 0) << cli.Err();
  }

  Connect();
  form->btnTest->click();
  ASSERT_EQ(device.Receive(), Request("teststart"));
  for (const std::string& report : reports) device.Send(report);
  ASSERT_TRUE(WaitUntil([&] { return form->edtCount->text() == "4"; }));
  const std::filesystem::path windowCsv = work.path / "window.csv";
  dialogs.savePath = QString::fromStdString(windowCsv.string());
  form->btnExport->click();

  const std::string expected = ReadFile(windowCsv);
  EXPECT_EQ(expected.substr(0, 40), "No.,EPC,Length,Antenna,Count,RSSI,Time\r\n");
  EXPECT_EQ(WithoutTimes(ReadFile(cliCsv)), WithoutTimes(expected));
}

// The command line checks its arguments with std::regex, the window with Qt's matcher: both must
// take and refuse the same texts.
TEST(CliFieldChecks, AgreeWithTheWindowsChecks) {
  const char* const texts[] = {"192.168.1.1",
                               "255.255.255.0",
                               "0.0.0.0",
                               "192.168.1.255",
                               "255.255.255.255",
                               "256.1.1.1",
                               "1.2.3",
                               "1x2x3x4",
                               "1111111",
                               " 192.168.12.1 ",
                               "001.02.3.4",
                               "1.2.3.4.5",
                               "1.2.3.04",
                               "",
                               "0",
                               "65536",
                               "80a",
                               "-1",
                               "12 34",
                               "\t80\n",
                               "+80",
                               "1\n2.3.4",
                               "1.2.3.254",
                               "199.99.9.249",
                               "\xd9\xa3"};
  for (const char* text : texts) {
    EXPECT_EQ(IsAddressText(text), IsIPAddressText(text)) << '"' << text << '"';
    EXPECT_EQ(IsDigitsOnlyText(text), IsDigitsText(text)) << '"' << text << '"';
  }
}
