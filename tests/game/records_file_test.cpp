// The records table and its file: reading what any file holds, qualifying, placing and
// sorting entries, and what of a hostile entry is shown.
#include "records_file.h"

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <limits>
#include <string>
#include <vector>

namespace {

RecordEntry Entry(const char* Name, int32_t Score, double Date = 45000) {
  RecordEntry e{};
  e.NameLength = static_cast<uint8_t>(strlen(Name));
  memcpy(e.Name, Name, e.NameLength);
  e.Date = Date;
  e.Score = Score;
  return e;
}

std::vector<uint8_t> FileOf(const std::vector<RecordEntry>& Entries) {
  std::vector<uint8_t> bytes(Entries.size() * sizeof(RecordEntry));
  if (!Entries.empty()) memcpy(bytes.data(), Entries.data(), bytes.size());
  return bytes;
}

std::string NameOf(const RecordEntry& E) { return std::string(E.Name, ShownNameLength(E)); }
// By value: the packed fields are not aligned, so no reference may bind to them.
int32_t ScoreOf(const RecordEntry& E) { return E.Score; }
double DateOf(const RecordEntry& E) { return E.Date; }

TEST(RecordsFile, ReadsWhatTheFileHoldsInFullAndZeroForTheRest) {
  std::vector<RecordEntry> ten;
  for (int i = 0; i < RecordCount; ++i) ten.push_back(Entry("Ann", 100 - i));
  const std::vector<uint8_t> full = FileOf(ten);
  std::vector<uint8_t> longer = full;
  longer.resize(400, 0xAB);
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    int32_t entries; // how many leading entries are read
  } cases[] = {
      {"no file", {}, 0},
      {"340 bytes", full, 10},
      {"two entries and part of a third", std::vector<uint8_t>(full.begin(), full.begin() + 100), 2},
      {"a longer file", longer, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordsTable table;
    memset(&table, 0x5A, sizeof table);
    ReadRecordsTable(c.bytes.data(), c.bytes.size(), table);
    for (int i = 1; i <= RecordCount; ++i) {
      EXPECT_EQ(ScoreOf(table[i]), i <= c.entries ? 101 - i : 0) << i;
      EXPECT_EQ(NameOf(table[i]), i <= c.entries ? "Ann" : "") << i;
    }
    uint8_t out[RecordsFileBytes];
    WriteRecordsTable(table, out);
    if (c.entries == 10) EXPECT_EQ(memcmp(out, c.bytes.data(), RecordsFileBytes), 0) << "written back unchanged";
  }
}

TEST(RecordsFile, OnlyAScoreAboveTheTenthEarnsAPlaceBelowEqualScores) {
  RecordsTable table{};
  EXPECT_FALSE(QualifiesForRecords(table, 0)) << "a score of 0 never does";
  EXPECT_TRUE(QualifiesForRecords(table, 1));
  for (int i = 1; i <= RecordCount; ++i) table[i] = Entry(("P" + std::to_string(i)).c_str(), 100 - 5 * i);
  // Scores 95, 90, ..., 50.
  EXPECT_FALSE(QualifiesForRecords(table, 50)) << "equal to the tenth";
  EXPECT_TRUE(QualifiesForRecords(table, 51));
  PlaceRecord(table, NewRecordEntry("New", 3, 45001, 90));
  EXPECT_EQ(NameOf(table[2]), "P2") << "an equal score stays above";
  EXPECT_EQ(NameOf(table[3]), "New");
  EXPECT_EQ(DateOf(table[3]), 45001);
  EXPECT_EQ(NameOf(table[10]), "P9") << "the old tenth is gone";
  PlaceRecord(table, NewRecordEntry("A name far longer than the field", 33, 45001, 1000));
  EXPECT_EQ(NameOf(table[1]), "A name far longer tha") << "cut at 21 characters";
}

TEST(RecordsFile, TwoCopiesJoinWithoutLosingOrDoublingARecord) {
  struct Case {
    const char* Name;
    std::vector<RecordEntry> Table, Other;
    std::vector<std::string> Expected; // name:score, best first
  };
  const RecordEntry a = Entry("a", 50), b = Entry("b", 40), c = Entry("c", 30), cLater = Entry("c", 30, 45001);
  std::vector<RecordEntry> tenOf20;
  for (int i = 0; i < RecordCount; ++i) tenOf20.push_back(Entry("t", 20));
  const Case cases[] = {
      {"no first copy", {}, {a, b}, {"a:50", "b:40"}},
      {"the same table twice", {a, b}, {a, b}, {"a:50", "b:40"}},
      {"a copy with a later record", {a, c}, {a, b, c}, {"a:50", "b:40", "c:30"}},
      {"two tables of their own", {b}, {a, c}, {"a:50", "b:40", "c:30"}},
      {"the same entry twice in one copy", {a, a}, {a}, {"a:50", "a:50"}},
      {"an equal name and score on another day", {c}, {cLater}, {"c:30", "c:30"}},
      {"equal scores: the first copy's come first", tenOf20, {Entry("o", 20)}, std::vector<std::string>(10, "t:20")},
      {"only the best ten", tenOf20, {Entry("o", 21)}, {"o:21", "t:20", "t:20", "t:20", "t:20", "t:20", "t:20", "t:20",
                                                        "t:20", "t:20"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.Name);
    RecordsTable table, other;
    const std::vector<uint8_t> first = FileOf(k.Table), second = FileOf(k.Other);
    ReadRecordsTable(first.data(), first.size(), table);
    ReadRecordsTable(second.data(), second.size(), other);
    MergeRecordsTables(table, other);
    std::vector<std::string> got;
    for (int i = 1; i <= RecordCount; ++i)
      if (ScoreOf(table[i])) got.push_back(NameOf(table[i]) + ":" + std::to_string(ScoreOf(table[i])));
    EXPECT_EQ(got, k.Expected);
  }
}

TEST(RecordsFile, AHostileEntryShowsNoMoreThanItsFieldAndNoImpossibleDate) {
  RecordEntry e = Entry("Bob", 1);
  e.NameLength = 255;
  EXPECT_EQ(ShownNameLength(e), 21u);
  const struct {
    double date;
    bool shown;
  } dates[] = {
      {0, true},
      {45000, true},
      {-657434, true},
      {2958465, true},
      {2958466, false},
      {-1e300, false},
      {std::numeric_limits<double>::quiet_NaN(), false},
      {std::numeric_limits<double>::infinity(), false},
      {-std::numeric_limits<double>::infinity(), false},
  };
  for (const auto& d : dates) EXPECT_EQ(ShowableDate(d.date), d.shown) << d.date;
}

} // namespace
