// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/scriptcheck.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "common/files.hpp"
#include "script/dump.hpp"
#include "tests/support/work_tree.hpp"
#include "tests/support/worked_examples.hpp"

namespace qv::check {
namespace {

namespace fs = std::filesystem;

class ScriptCheck : public test::WorkTree {
 protected:
  int run(std::vector<std::string> args = {}) {
    out_.str({});
    errors_.str({});
    return run_scriptcheck(args, work(), out_, errors_);
  }
  std::ostringstream out_;
  std::ostringstream errors_;
};

TEST_F(ScriptCheck, TreeModeComparesWithTheSourceWhereThereIsOne) {
  // Room 5: the source is there and the translation lost a "<Close>"; room 6 has no
  // "8script.ccs", so only its own text is checked; room 7 has no dump text at all.
  const fs::path five = code_dir(5);
  common::write_file(five / "8script.ccs", test::kRoomFiveScript);
  std::string translated(test::kRoomFiveDump);
  translated.replace(translated.find("Tavin<Close>"), 12, "Tavin\xA1");
  common::write_file(five / "outscript.txt", translated);
  common::write_file(code_dir(6) / "outscript.txt", std::string(test::kTwoBlockDump));
  code_dir(7);

  EXPECT_EQ(run(), 1);
  EXPECT_EQ(out_.str(),
            "../Rooms/disk1/5/code/outscript.txt:9:1: warning: missing <Close> (source 1, "
            "translation 0) [tag-mismatch]\n"
            "../Rooms/disk1/5/code/outscript.txt:9:6: error: '\xC2\xA1' (U+00A1) is not one of "
            "the game's characters: the packer drops it [unsupported-character]\n"
            "scriptcheck: 2 rooms, 4 dialogues, 1 translated, 1 errors, 1 warnings\n");
  EXPECT_EQ(errors_.str(), "");
}

TEST_F(ScriptCheck, FilesAreCheckedAsGivenAndTheSummaryLeavesOutTranslatedWithoutASource) {
  common::write_file(work() / "a.txt", std::string(test::kTwoBlockDump));
  common::write_file(work() / "b.txt", std::string("<Room 7 is empty !!!>\r\n"));
  EXPECT_EQ(run({"a.txt", "b.txt"}), 0);
  EXPECT_EQ(out_.str(), "scriptcheck: 2 rooms, 2 dialogues, 0 errors, 0 warnings\n");

  common::write_file(work() / "source.txt", std::string(test::kTwoBlockDump));
  EXPECT_EQ(run({"a.txt", "--source", "source.txt"}), 0);
  EXPECT_EQ(out_.str(), "scriptcheck: 1 rooms, 2 dialogues, 0 translated, 0 errors, 0 warnings\n");
}

TEST_F(ScriptCheck, UsageErrorsAndUnreadableFilesEndWithTwo) {
  common::write_file(work() / "a.txt", std::string(test::kTwoBlockDump));
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"a.txt", "a.txt", "--source", "a.txt"}, "scriptcheck: --source needs exactly one FILE\n"},
      {{"a.txt", "--source"}, "usage: scriptcheck"},
      {{"--fix", "a.txt"}, "scriptcheck: unknown option --fix\n"},
      {{"missing.txt"}, "scriptcheck: cannot read missing.txt\n"},
      {{"a.txt", "--source", "missing.txt"}, "scriptcheck: cannot read missing.txt\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    EXPECT_EQ(run(c.args), 2);
    EXPECT_TRUE(errors_.str().starts_with(c.error)) << errors_.str();
  }
}

}  // namespace
}  // namespace qv::check
