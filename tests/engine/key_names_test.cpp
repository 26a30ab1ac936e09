// The key-name table.
#include "key_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

TEST(KeyName, NamesFollowTheKeyCodesIncludingTheMixedCaseOnes) {
  struct {
    uint8_t code;
    const char* name;
  } const cases[] = {
      {0x01, "ESC"},   {0x02, "1"},     {0x0B, "0"},     {0x0E, "BACK"},  {0x1C, "ENTER"}, {0x1E, "A"},
      {0x29, "~"},     {0x2A, "LSHFT"}, {0x2B, "\\"},    {0x36, "RSHFT"}, {0x39, "SPACE"}, {0x44, "F10"},
      {0x4A, "Gray-"}, {0x4E, "Gray+"}, {0x53, "Gray."}, {0x57, "F11"},   {0x64, "F13"},   {0x66, "F15"},
      {0x8D, "Gray="}, {0x93, "_"},     {0x9C, "NENTR"}, {0x9D, "RCTRL"}, {0xB3, "Gray,"}, {0xB5, "Gray/"},
      {0xB8, "RALT"},  {0xC9, "PgUp"},  {0xCB, "Left"},  {0xCD, "Right"}, {0xD1, "PgDn"},  {0xDF, "SLEEP"},
      {0x00, ""},      {0x54, ""},      {0x59, ""},      {0x7A, ""},      {0xB4, ""},      {0xCA, ""},
      {0xE0, ""},      {0xFF, ""},
  };
  for (const auto& c : cases) EXPECT_STREQ(KeyName(c.code), c.name) << int(c.code);
}

TEST(KeyName, EveryCodeHasAShortNameAnd123AreNamed) {
  int named = 0;
  std::set<std::string> names;
  for (int code = 0; code < 256; ++code) {
    const char* name = KeyName(static_cast<uint8_t>(code));
    ASSERT_NE(name, nullptr) << code;
    EXPECT_LE(std::strlen(name), 5u) << code;
    if (*name) {
      ++named;
      names.insert(name);
    }
  }
  EXPECT_EQ(named, 123);
  EXPECT_EQ(names.size(), 123u) << "no two keys share a name";
}

} // namespace
