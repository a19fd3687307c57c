// SPDX-License-Identifier: GPL-3.0-or-later
// The preview's refresh as plain functions: body, windows, tag removal and scroll state.
#include "dialogue/preview.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "script/vocabulary.hpp"

namespace qv::dialogue {
namespace {

constexpr std::string_view kHeader = "<Text block 3><params: 0 1 2 3 4 5>\r\n";
constexpr std::string_view kEnd = "<End of block>\r\n";

std::string dialogue(std::string_view body) {
  return std::string(kHeader) + std::string(body) + std::string(kEnd);
}

struct RefreshCase {
  const char* name;
  std::string text;
  int scroll;
  std::array<std::string, 3> captions;
  bool enabled;
  int maximum;
  int value;
};

void PrintTo(const RefreshCase& c, std::ostream* out) {
  *out << c.name;
}

class RefreshTest : public ::testing::TestWithParam<RefreshCase> {};

TEST_P(RefreshTest, ShowsTheWindows) {
  const RefreshCase& c = GetParam();
  const PreviewState state = refresh_preview(c.text, c.scroll);
  EXPECT_EQ(state.captions, c.captions);
  EXPECT_EQ(state.scroll_enabled, c.enabled);
  if (c.enabled) {
    EXPECT_EQ(state.scroll_maximum, c.maximum);
  }
  EXPECT_EQ(state.scroll_value, c.value);
}

const std::string kFourWindows =
    dialogue("One\r\n<New>\r\nTwo\r\n<New>\r\nThree\r\n<New>\r\nFour\r\n<Close>\r\n");
const std::string kSixWindows =
    dialogue("A<New>\r\nB<New>\r\nC<New>\r\nD<New>\r\nE<New>\r\nF<Close>\r\n");

INSTANTIATE_TEST_SUITE_P(
    Dialogues, RefreshTest,
    ::testing::Values(
        RefreshCase{"NoNewShowsTheWholeBodyOnTop",
                    dialogue("Hello there\r\nfriend<Close>\r\n"),
                    0,
                    {"Hello there\r\nfriend", "", ""},
                    false,
                    0,
                    0},
        RefreshCase{"ThreeWindowsFillAllLabels",
                    dialogue("One<New>\r\nTwo<New>\r\nThree<Close>\r\n"),
                    0,
                    {"One", "Two", "Three"},
                    false,
                    0,
                    0},
        RefreshCase{"ThreeWindowsIgnoreAStaleScrollValue",
                    dialogue("One<New>\r\nTwo<New>\r\nThree<Close>\r\n"),
                    4,
                    {"One", "Two", "Three"},
                    false,
                    0,
                    0},
        RefreshCase{"FourWindowsAtTheTop",
                    kFourWindows,
                    0,
                    {"One\r\n", "Two\r\n", "Three\r\n"},
                    true,
                    1,
                    0},
        RefreshCase{"FourWindowsScrolledByOne",
                    kFourWindows,
                    1,
                    {"Two\r\n", "Three\r\n", "Four\r\n"},
                    true,
                    1,
                    1},
        RefreshCase{"AScrollValuePastTheMaximumComesDown",
                    kFourWindows,
                    7,
                    {"Two\r\n", "Three\r\n", "Four\r\n"},
                    true,
                    1,
                    1},
        RefreshCase{"SixWindowsScrolledToTheMiddle", kSixWindows, 2, {"C", "D", "E"}, true, 3, 2},
        RefreshCase{"TextAfterTheFirstCloseIsHidden",
                    dialogue("Shown<Close>\r\nHidden<New>\r\nAlso hidden<Close>\r\n"),
                    0,
                    {"Shown", "", ""},
                    false,
                    0,
                    0},
        RefreshCase{"EndOfBlockEndsABodyWithoutClose",
                    dialogue("Open ended\r\n"),
                    0,
                    {"Open ended\r\n", "", ""},
                    false,
                    0,
                    0},
        RefreshCase{"ControlTagsGoFromEveryWindow",
                    dialogue("<Color 2>Hi<Speed 3><New>\r\n<Member 1> <Tavin><Close>\r\n"),
                    0,
                    {"Hi", "<Member 1> <Tavin>", ""},
                    false,
                    0,
                    0},
        RefreshCase{"FirstDialogueSkipsTheDumpHeaderLines",
                    "<Room 5 with 2 text entries>\r\n"
                    "<additional params: 33 0 0 0 0 0 0 9>\r\n"
                    "\r\n"
                    "<Text block 1><params: 6 1 2 3 4 5>\r\n"
                    "Hi<Close>\r\n"
                    "<End of block>\r\n",
                    0,
                    {"Hi", "", ""},
                    false,
                    0,
                    0},
        RefreshCase{"AHalfTypedTagIsShownAsTyped",
                    dialogue("Wait<Spe<New>\r\nmore<Close>\r\n"),
                    0,
                    {"Wait<Spe", "more", ""},
                    false,
                    0,
                    0},
        RefreshCase{"AnEmptyTextShowsNothing", "", 0, {"", "", ""}, false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The lengths that come out negative in the header arithmetic: the refresh picks an empty or
// shortened window instead of failing.
struct BodyCase {
  const char* name;
  std::string text;
  std::string body;
};

void PrintTo(const BodyCase& c, std::ostream* out) {
  *out << c.name;
}

class BodyTest : public ::testing::TestWithParam<BodyCase> {};

TEST_P(BodyTest, CutsTheBody) {
  EXPECT_EQ(preview_body(GetParam().text), GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, BodyTest,
    ::testing::Values(BodyCase{"NeitherCloseNorEndRunsToTheEnd",
                               "<Text block 1><params: 0 0 0 0 0 0>\r\nstill typing",
                               "still typing"},
                      BodyCase{"CloseInsideTheHeaderGivesNothing",
                               "<Close><Text block 1><params: 0 0 0 0 0 0>\r\nHi<End of block>\r\n",
                               ""},
                      BodyCase{"HeaderWithoutItsClosingBracketGivesNothing",
                               "<Text block 1><params: 0 0\r\nHi<Close>", ""},
                      BodyCase{"NoHeaderStartsAfterTwoCharacters", "abcdef<Close>", "cdef"},
                      BodyCase{"HeaderAtTheVeryEnd", "<Text block 1><params: 0 0 0 0 0 0>", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitWindows, NewTagsTooCloseTogetherGiveEmptyWindows) {
  const std::vector<std::string> expected = {"a", "", "", "b"};
  EXPECT_EQ(split_windows("a<New><New>\r\n<New>\r\nb"), expected);
}

TEST(SplitWindows, ANewAtTheEndGivesAnEmptyLastWindow) {
  const std::vector<std::string> expected = {"a", ""};
  EXPECT_EQ(split_windows("a<New>\r"), expected);
}

struct StripCase {
  const char* name;
  std::string text;
  std::string shown;
};

void PrintTo(const StripCase& c, std::ostream* out) {
  *out << c.name;
}

class StripTest : public ::testing::TestWithParam<StripCase> {};

TEST_P(StripTest, RemovesOnlyControlTags) {
  EXPECT_EQ(strip_control_tags(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, StripTest,
    ::testing::Values(
        StripCase{"ColourWordSpeed", "<Color 4>word<Speed 2>", "word"},
        StripCase{"TwoTagsInARow", "a<Color 4><Speed 2>b", "ab"},
        StripCase{"ManyTagsInARow", "<Delay 9><Upcase><Upcase2><Value 3><Choose 1>x", "x"},
        StripCase{"UnknownCodesAndChunks", "<Unknow03><Unknow15 7><UNKNOWN CHUNK 200>y", "y"},
        StripCase{"AutoTagsAndNames", "<Auto accent><Auto close 5><Name ?><Name suffix>z", "z"},
        StripCase{"ButtonAndUnknownAccent", "Push <PSX button 3><Unknow auto-accent>", "Push "},
        StripCase{"SuffixGoesButS1Stays", "run<suffix> thing<s1>", "run thing<s1>"},
        StripCase{"PrefixesAreCaseSensitive", "<unknown><sp><co>", "<unknown><sp><co>"},
        StripCase{"MemberObjectAndTokensStay", "<Member 2> <Object 1> <Tavin> <a> <New>",
                  "<Member 2> <Object 1> <Tavin> <a> <New>"},
        StripCase{"PlainTextAndLineBreaksStay", "Hi,\r\n you  there", "Hi,\r\n you  there"},
        StripCase{"AKeptTagBeforeARemovedOne", "<a><Color 1>b", "<a>b"},
        StripCase{"RemovalReachesTheFirstClosingBracket", "<Co>lour>x", "lour>x"},
        StripCase{"HalfTypedTagStays", "Hello <Col", "Hello <Col"},
        StripCase{"HalfTypedTagAfterARemovedOne", "<Speed 1>Hi<Del", "Hi<Del"},
        StripCase{"ALoneBracketAtTheEnd", "text<", "text<"},
        StripCase{"OneCharacterAfterTheBracketCountsASpace", "<U", "<U"}),
    [](const auto& info) { return std::string(info.param.name); });

// The prefixes are vocabulary: each of them hides at least one tag or token of the table, and
// the tags the preview must show are not hidden.
TEST(PreviewHiddenPrefixes, EachHidesAVocabularyTag) {
  std::vector<std::string> texts;
  for (const script::Tag& tag : script::tags()) texts.emplace_back(tag.text);
  for (std::uint8_t i = 0; i < script::kTableSize; ++i) {
    texts.emplace_back(*script::accent_token(i));
  }
  ASSERT_EQ(script::preview_hidden_prefixes().size(), 12u);
  for (std::string_view prefix : script::preview_hidden_prefixes()) {
    const std::string opening = "<" + std::string(prefix);
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
      return t.starts_with(opening);
    })) << prefix;
  }
  for (std::string_view kept :
       {"<Close>", "<New>", "<Member %d>", "<Object %d>", "<Tavin>", "<s1>", "<'re>", "<th1>"}) {
    EXPECT_EQ(strip_control_tags(std::string(kept)), kept);
  }
}

}  // namespace
}  // namespace qv::dialogue
