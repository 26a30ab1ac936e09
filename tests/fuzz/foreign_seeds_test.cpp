// The bitmap and wave readers on seed files written by other programs: each file loads
// with the pixels and fields those programs read in it, or is refused for a reason its
// header gives (corpus/foreign.manifest, written by make_foreign_seeds.py).
#include "bmp_decode.h"
#include "wave_reader.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string Corpus = FOREIGN_CORPUS;

// One manifest line: "bmp|wave NAME ok|refused key=value...".
struct Entry {
  std::string Kind, Name, Verdict;
  std::map<std::string, std::string> Fields;
  std::string Field(const std::string& Key) const {
    const auto it = Fields.find(Key);
    return it == Fields.end() ? std::string() : it->second;
  }
  unsigned long Number(const std::string& Key) const { return strtoul(Field(Key).c_str(), nullptr, 10); }
};

std::vector<Entry> ReadManifest() {
  std::ifstream in(Corpus + "/foreign.manifest");
  std::vector<Entry> entries;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    Entry e;
    words >> e.Kind >> e.Name >> e.Verdict;
    for (std::string pair; words >> pair;) {
      const size_t eq = pair.find('=');
      e.Fields[pair.substr(0, eq)] = eq == std::string::npos ? "" : pair.substr(eq + 1);
    }
    entries.push_back(e);
  }
  return entries;
}

std::vector<std::string> Split(const std::string& Text) {
  std::vector<std::string> parts;
  std::istringstream in(Text);
  for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
  return parts;
}

// The whole file in a block of exactly its size, so that a read past the end trips
// AddressSanitizer.
std::vector<uint8_t> ReadFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary | std::ios::ate);
  std::vector<uint8_t> bytes(in ? static_cast<size_t>(in.tellg()) : 0);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

const std::map<std::string, BmpStatus> BmpRefusals = {
    {"short", BmpTruncatedHeader}, {"infosize", BmpBadInfoSize}, {"compressed", BmpCompressed}, {"depth", BmpUnsupportedDepth}};
const std::map<std::string, WaveStatus> WaveRefusals = {
    {"notriff", WaveNotRiff}, {"notwave", WaveNotWave}, {"noformat", WaveNoFormat}, {"nodata", WaveNoData}};

void CheckBitmap(const Entry& E, const std::vector<uint8_t>& File) {
  BmpImage image;
  const BmpStatus status = DecodeBmp(File.data(), File.size(), image);
  if (E.Verdict == "refused") {
    std::set<BmpStatus> allowed;
    for (const std::string& reason : Split(E.Field("because"))) allowed.insert(BmpRefusals.at(reason));
    EXPECT_TRUE(allowed.count(status)) << "answered " << status << " for a file refused because " << E.Field("because");
    return;
  }
  ASSERT_EQ(status, BmpOk);
  EXPECT_EQ(image.Width, static_cast<int32_t>(E.Number("width")));
  EXPECT_EQ(image.Height, static_cast<int32_t>(E.Number("height")));
  std::vector<uint16_t> expected;
  for (const std::string& hex : Split(E.Field("pixels")))
    expected.push_back(static_cast<uint16_t>(strtoul(hex.c_str(), nullptr, 16)));
  EXPECT_EQ(image.Pixels, expected);
}

void CheckWave(const Entry& E, const std::vector<uint8_t>& File) {
  MemoryWave memory{File.data(), File.size()};
  WaveHeader h;
  const WaveStatus status = ParseWaveHeader(MemoryWaveSource(&memory), &h);
  if (E.Verdict == "refused") {
    EXPECT_EQ(status, WaveRefusals.at(E.Field("because")));
    return;
  }
  ASSERT_EQ(status, WaveOk);
  const uint16_t channels = static_cast<uint16_t>(E.Number("channels"));
  const uint16_t bits = static_cast<uint16_t>(E.Number("bits"));
  EXPECT_EQ(h.FormatTag, E.Number("tag"));
  EXPECT_EQ(h.Channels, channels);
  EXPECT_EQ(h.SamplesPerSec, E.Number("rate"));
  EXPECT_EQ(h.BitsPerSample, bits);
  EXPECT_EQ(h.BlockAlign, bits / 8 * channels);
  EXPECT_EQ(h.AvgBytesPerSec, E.Number("rate") * h.BlockAlign);
  if (h.FormatTag == 0xFFFE) EXPECT_EQ(h.ExtraSize, 22); // the extensible format's own size
  EXPECT_EQ(h.DataSize, E.Number("data"));
  // The samples start where the reader says: the first bytes are the ones sox decodes first.
  const std::string head = E.Field("head");
  ASSERT_LE(h.DataOffset + head.size() / 2, File.size());
  for (size_t i = 0; i < head.size() / 2; ++i) {
    EXPECT_EQ(File[h.DataOffset + i], strtoul(head.substr(2 * i, 2).c_str(), nullptr, 16)) << "sample byte " << i;
  }
}

} // namespace

TEST(ForeignFiles, EachLoadsAsOtherProgramsReadItOrIsRefusedForItsHeader) {
  const std::vector<Entry> entries = ReadManifest();
  std::map<std::string, int> kinds;
  std::set<std::string> listed;
  for (const Entry& e : entries) {
    SCOPED_TRACE(e.Kind + "/" + e.Name);
    ++kinds[e.Kind + " " + e.Verdict];
    listed.insert(e.Kind + "/" + e.Name);
    const std::vector<uint8_t> file = ReadFile(Corpus + "/" + e.Kind + "/" + e.Name);
    ASSERT_FALSE(file.empty());
    if (e.Kind == "bmp") {
      CheckBitmap(e, file);
    } else {
      ASSERT_EQ(e.Kind, "wave");
      CheckWave(e, file);
    }
  }
  for (const char* kind : {"bmp ok", "bmp refused", "wave ok", "wave refused"}) EXPECT_GT(kinds[kind], 0) << kind;
  // Every foreign file has its line: a file without one would go unchecked.
  for (const char* folder : {"bmp", "wave"}) {
    for (const auto& f : std::filesystem::directory_iterator(Corpus + "/" + folder)) {
      const std::string name = f.path().filename().string();
      for (const char* prefix : {"im_", "pil_", "flipped_", "sox_", "sf_"}) {
        if (name.rfind(prefix, 0) == 0) EXPECT_TRUE(listed.count(std::string(folder) + "/" + name)) << name;
      }
    }
  }
}
