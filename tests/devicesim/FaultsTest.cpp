#include "Faults.h"

#include <gtest/gtest.h>

#include "JsonTestUtil.h"

namespace devicesim {
namespace {

using test::member;
using test::names;
using test::parses;

const Endpoint kTo{0x7F000001, 5000};

Message reportMessage() {
  Message m("epcinfo");
  m.add("epc", "E2000017221101441890AB12").add("epclen", "12").add("antid", "3").add("rssi", "-57");
  return m;
}

TEST(ParseFaults, AcceptsTheDocumentedList) {
  FaultShares shares;
  ASSERT_EQ(parseFaults("malformed=0.01,oversize=0.01,empty=0.01,capitals=0.1,badstatus=0.5,"
                        "duplicate=0.01",
                        shares),
            std::nullopt);
  EXPECT_DOUBLE_EQ(shares.malformed, 0.01);
  EXPECT_DOUBLE_EQ(shares.oversize, 0.01);
  EXPECT_DOUBLE_EQ(shares.empty, 0.01);
  EXPECT_DOUBLE_EQ(shares.capitals, 0.1);
  EXPECT_DOUBLE_EQ(shares.badstatus, 0.5);
  EXPECT_DOUBLE_EQ(shares.duplicate, 0.01);
  EXPECT_EQ(parseFaults(" capitals = 1 , duplicate=0 ", shares), std::nullopt);
  EXPECT_DOUBLE_EQ(shares.capitals, 1);
}

TEST(ParseFaults, ReaderFaultsAddUpOrReplaceWhenRepeatedAndRefuseBadValues) {
  FaultShares shares;
  ASSERT_EQ(parseFaults("dead-antenna=1,weak-antenna=2:20,dead-antenna=3,weak-antenna=2:5,"
                        "weak-antenna=4:0,missing=3,dead-antenna=1",
                        shares),
            std::nullopt);
  EXPECT_EQ(shares.deadAntennas, (std::vector<std::uint32_t>{1, 3}));
  EXPECT_EQ(shares.weakAntennas,
            (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{2, 5}, {4, 0}}));
  EXPECT_EQ(shares.missing, 3u);
  for (const char* bad : {"dead-antenna=0", "dead-antenna=33", "weak-antenna=2",
                          "weak-antenna=2:101", "weak-antenna=:5", "missing=-1"}) {
    EXPECT_NE(parseFaults(bad, shares), std::nullopt) << bad;
  }
}

TEST(ParseFaults, RefusesBadLists) {
  FaultShares shares;
  shares.capitals = 0.25;
  for (const char* bad :
       {"", "capitals", "capitals=", "capitals=x", "capitals=1.5", "capitals=-0.1", "capitals=nan",
        "capitals=inf", "bogus=0.1", "capitals=0.1,,empty=0.1",
        "malformed=0.5,oversize=0.4,empty=0.2", "capitals=0.1extra"}) {
    EXPECT_NE(parseFaults(bad, shares), std::nullopt) << bad;
  }
  EXPECT_DOUBLE_EQ(shares.capitals, 0.25) << "a refused list leaves the shares alone";
}

TEST(Faults, OversizeIsExactly8193BytesOfValidJson) {
  const std::string rendered = reportMessage().render();
  const std::string big = makeOversize(rendered);
  EXPECT_EQ(big.size(), 8193u);
  EXPECT_EQ(kOversizeBytes, 8193u);
  EXPECT_TRUE(parses(big));
  EXPECT_EQ(member(big, "epc"), "E2000017221101441890AB12");
}

TEST(Faults, MalformedIsAProperPrefixThatNeverParses) {
  const std::string rendered = reportMessage().render();
  for (double fraction : {0.0, 0.1, 0.5, 0.9, 0.999999}) {
    const std::string bad = makeMalformed(rendered, fraction);
    EXPECT_FALSE(parses(bad)) << bad;
    EXPECT_GE(bad.size(), rendered.size() / 2);
    EXPECT_LT(bad.size(), rendered.size());
    EXPECT_EQ(rendered.compare(0, bad.size(), bad), 0);
  }
}

TEST(Faults, NoSharesMeansTheCleanRenderedText) {
  Stats stats;
  FaultInjector injector(FaultShares{}, 1, stats);
  std::vector<Outgoing> out;
  injector.emit(reportMessage(), Kind::Report, kTo, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].bytes, reportMessage().render());
  EXPECT_EQ(out[0].to, kTo);
  EXPECT_EQ(out[0].kind, Kind::Report);
}

TEST(Faults, EveryKindAtShareOne) {
  Stats stats;
  std::vector<Outgoing> out;
  {
    FaultShares s;
    s.capitals = 1;
    FaultInjector(s, 1, stats).emit(reportMessage(), Kind::Report, kTo, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(names(out[0].bytes),
              (std::vector<std::string>{"TYPE", "EPC", "EPCLEN", "ANTID", "RSSI"}));
    EXPECT_EQ(member(out[0].bytes, "TYPE"), "epcinfo") << "values keep their case";
  }
  {
    out.clear();
    FaultShares s;
    s.empty = 1;
    FaultInjector(s, 1, stats).emit(reportMessage(), Kind::Report, kTo, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0].bytes.empty());
  }
  {
    out.clear();
    FaultShares s;
    s.oversize = 1;
    FaultInjector(s, 1, stats).emit(reportMessage(), Kind::Report, kTo, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes.size(), 8193u);
  }
  {
    out.clear();
    FaultShares s;
    s.malformed = 1;
    FaultInjector(s, 1, stats).emit(reportMessage(), Kind::Report, kTo, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_FALSE(parses(out[0].bytes));
  }
  {
    out.clear();
    FaultShares s;
    s.duplicate = 1;
    FaultInjector(s, 1, stats).emit(reportMessage(), Kind::Report, kTo, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].bytes, out[1].bytes);
  }
  {
    out.clear();
    FaultShares s;
    s.badstatus = 1;
    FaultInjector injector(s, 1, stats);
    for (int i = 0; i < 50; ++i) {
      Message reply("setrtc");
      reply.add("status", "ok");
      injector.emit(reply, Kind::Reply, kTo, out);
    }
    injector.emit(reportMessage(), Kind::Report, kTo, out);  // no status: left alone
    for (int i = 0; i < 50; ++i) {
      EXPECT_NE(member(out[static_cast<std::size_t>(i)].bytes, "status"), "ok");
      EXPECT_NE(member(out[static_cast<std::size_t>(i)].bytes, "status"), "<absent>");
    }
    EXPECT_EQ(out.back().bytes, reportMessage().render());
  }
  EXPECT_EQ(stats.capitals, 1u);
  EXPECT_EQ(stats.empty, 1u);
  EXPECT_EQ(stats.oversize, 1u);
  EXPECT_EQ(stats.malformed, 1u);
  EXPECT_EQ(stats.duplicate, 1u);
  EXPECT_EQ(stats.badstatus, 50u);
}

TEST(Faults, SharesAreRoughlyKeptAndTheSeedRepeatsThem) {
  FaultShares s;
  ASSERT_EQ(parseFaults("malformed=0.1,oversize=0.05,empty=0.05,capitals=0.2,duplicate=0.1", s),
            std::nullopt);
  auto run = [&s](std::uint64_t seed, Stats& stats) {
    FaultInjector injector(s, seed, stats);
    std::vector<Outgoing> out;
    for (int i = 0; i < 20000; ++i) injector.emit(reportMessage(), Kind::Report, kTo, out);
    return out;
  };
  Stats a, b, c;
  const auto first = run(7, a);
  const auto second = run(7, b);
  const auto other = run(8, c);
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t i = 0; i < first.size(); ++i) ASSERT_EQ(first[i].bytes, second[i].bytes);
  bool differs = first.size() != other.size();
  for (std::size_t i = 0; !differs && i < first.size(); ++i)
    differs = first[i].bytes != other[i].bytes;
  EXPECT_TRUE(differs) << "another seed spoils other datagrams";
  EXPECT_NEAR(static_cast<double>(a.malformed), 2000, 200);
  EXPECT_NEAR(static_cast<double>(a.oversize), 1000, 150);
  EXPECT_NEAR(static_cast<double>(a.empty), 1000, 150);
  EXPECT_NEAR(static_cast<double>(a.capitals), 4000, 300);
  EXPECT_NEAR(static_cast<double>(a.duplicate), 2000, 200);
  EXPECT_EQ(first.size(), 20000u + a.duplicate);
}

}  // namespace
}  // namespace devicesim
