// SPDX-License-Identifier: GPL-3.0-or-later
#include "po/scriptpo.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "common/files.hpp"
#include "script/dump.hpp"
#include "tests/support/work_tree.hpp"
#include "tests/support/worked_examples.hpp"
#include "tools/sample_disc/sample_disc.hpp"

namespace qv::po {
namespace {

namespace fs = std::filesystem;

bool have_tool(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

int shell(const std::string& command) {
  return std::system(command.c_str());
}

std::string quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

class ScriptPo : public test::WorkTree {
 protected:
  int run(std::vector<std::string> args) {
    out_.str({});
    errors_.str({});
    return run_scriptpo(args, work(), out_, errors_);
  }
  std::string read(const fs::path& path) const { return text_of(common::read_file(path)); }
  fs::path translation(int room, const fs::path& dir = {}) const {
    return (dir.empty() ? work() : dir) / "Scripts Modificados" / ("Room " + std::to_string(room)) /
           "outscript.txt";
  }
  fs::path comments(int room, const fs::path& dir = {}) const {
    return (dir.empty() ? work() : dir) / "Comentarios" / ("Room " + std::to_string(room)) /
           "outscript.txt";
  }
  void write(const fs::path& path, std::string_view text) const {
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(common::write_file(path, text));
  }
  // The sample disc's rooms as scriptdump leaves them: 8script.ccs in every code directory.
  std::vector<std::string> write_sample_rooms() const {
    std::vector<std::string> dumps;
    for (int room = 0; room < tools::kRoomCount; ++room) {
      const auto script = tools::sample_room_script(room, 1);
      common::write_file(code_dir(room) / "8script.ccs", script);
      dumps.push_back(script::dump_room(script, room).text.value_or(""));
    }
    return dumps;
  }
  std::ostringstream out_;
  std::ostringstream errors_;
};

TEST_F(ScriptPo, TheWholeSampleGoesOutAndBackByteForByteAndPassesMsgfmt) {
  const std::vector<std::string> dumps = write_sample_rooms();
  ASSERT_EQ(run({"export"}), 0) << out_.str() << errors_.str();
  std::vector<std::string> files = {"import"};
  for (int room = 0; room < tools::kRoomCount; ++room) {
    char name[32];
    std::snprintf(name, sizeof name, "room_%03d.po", room);
    const bool has_text = dumps[room].find("<Text block") != std::string::npos;
    EXPECT_EQ(fs::exists(root() / "po" / name), has_text) << name;
    if (has_text) files.push_back(std::string("../po/") + name);
  }
  ASSERT_GT(files.size(), 500u);

  if (have_tool("msgfmt")) {
    EXPECT_EQ(shell("cd " + quoted(root() / "po") +
                    " && for f in *.po; do msgfmt --check-format --check-header -o /dev/null "
                    "\"$f\" 2>/dev/null || { echo \"$f\"; exit 1; }; done"),
              0);
  } else {
    std::puts("msgfmt is missing: the PO files were not checked with it");
  }

  ASSERT_EQ(run(files), 0) << out_.str();
  for (std::size_t i = 1; i < files.size(); ++i) {
    const int room = std::stoi(files[i].substr(11, 3));
    ASSERT_EQ(read(translation(room)), dumps[room]) << room;
  }
  // Exporting what was imported gives the same PO files again.
  ASSERT_EQ(run({"export", "--translations", ".", "--out", "../po2"}), 0) << out_.str();
  for (std::size_t i = 1; i < files.size(); ++i) {
    const std::string name = files[i].substr(6);
    ASSERT_EQ(read(root() / "po2" / name), read(root() / "po" / name)) << name;
  }
}

// Room 5 translated in the editor: an inline end marker, a text that gains a final line break
// (fuzzy), a comment of two lines, one of them "<End>", and one that ends with an empty line.
class EditedRoom : public ScriptPo {
 protected:
  void SetUp() override {
    ScriptPo::SetUp();
    common::write_file(code_dir(5) / "8script.ccs", test::kRoomFiveScript);
    edited_ = test::kRoomFiveDump;
    edited_.replace(edited_.find("Hi\r\nHi"), 6, "Hola\r\nHola");
    edited_.replace(edited_.find("Tavin<Close><End"), 16, "Tavin<Close>\r\n<End");
    write(translation(5, root() / "editor"), edited_);
    write(comments(5, root() / "editor"), kComments);
  }
  static constexpr std::string_view kComments =
      "Dos l\xEDneas\r\n <End>\r\n<End>\r\nrevisar\r\n\r\n<End>\r\n";
  std::string edited_;
};

TEST_F(EditedRoom, CommentsFuzzyEntriesAndLineBreaksSurviveTheRoundTrip) {
  ASSERT_EQ(run({"export", "--translations", "../editor"}), 0) << out_.str();
  EXPECT_EQ(out_.str(),
            "scriptpo: exported 1 rooms to ../po (2 entries, 2 translated, 1 fuzzy), 0 left out\n");
  const std::string po = read(root() / "po" / "room_005.po");
  EXPECT_NE(po.find("# Dos l\xC3\xADneas\n# <End>\n#. params: 6 1 2 3 4 5\n"
                    "msgctxt \"room 5, dialogue 1\"\n"),
            std::string::npos)
      << po;
  EXPECT_NE(po.find("#, fuzzy\nmsgctxt \"room 5, dialogue 2\"\nmsgid \"Tavin<Close>\"\n"
                    "msgstr \"Tavin<Close>\\n\"\n"),
            std::string::npos)
      << po;
  if (have_tool("msgfmt")) {
    EXPECT_EQ(shell("msgfmt --check-format --check-header -o /dev/null " +
                    quoted(root() / "po" / "room_005.po") + " 2>/dev/null"),
              0);
  }

  ASSERT_EQ(run({"import", "../po/room_005.po", "--translations", "../fresh"}), 0) << out_.str();
  EXPECT_EQ(out_.str(),
            "scriptpo: imported 1 PO files (2 dialogues translated, 1 fuzzy and in need of "
            "review), 0 refused\n");
  EXPECT_EQ(read(translation(5, root() / "fresh")), edited_);
  EXPECT_EQ(read(comments(5, root() / "fresh")), kComments);
}

TEST_F(EditedRoom, AnImportKeepsTheEditorsWorkWhereThePoFileIsEmpty) {
  // A PO file exported before the editor's work: every msgstr empty but one new comment.
  ASSERT_EQ(run({"export", "--out", "../old"}), 0);
  std::string po = read(root() / "old" / "room_005.po");
  po.insert(po.find("#. params: 0"), "# nuevo\n");
  write(root() / "old" / "room_005.po", po);
  ASSERT_EQ(run({"import", "../old/room_005.po", "--translations", "../editor"}), 0) << out_.str();
  EXPECT_EQ(read(translation(5, root() / "editor")), edited_);
  EXPECT_EQ(read(comments(5, root() / "editor")),
            "Dos l\xEDneas\r\n <End>\r\n<End>\r\nnuevo\r\n<End>\r\n");
}

TEST_F(EditedRoom, EachRefusalLeavesTheOlderFilesAsTheyWere) {
  const std::string header =
      "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
  const std::string good =
      "msgctxt \"room 5, dialogue 1\"\nmsgid \"Hi\\nHi<Close>\"\n"
      "msgstr \"Hey\\nHey<Close>\"\n\n";
  const struct {
    std::string body;
    std::string shown;  // what stdout names first
  } cases[] = {
      {good + "msgctxt \"room 5, dialogue 3\"\nmsgid \"x\"\nmsgstr \"y\"\n",
       "bad.po:9: error: msgctxt \"room 5, dialogue 3\" names no dialogue of room 5\n"},
      {good + "msgctxt \"room 5, dialogue 2\"\nmsgid \"Tavin\"\nmsgstr \"y\"\n",
       "bad.po:9: error: msgid is not the source text of dialogue 2"},
      {good + "msgctxt \"room 5, dialogue 2\"\nmsgid \"Tavin<Close>\"\n"
              "msgstr \"a<End of block>\"\n",
       "bad.po:9: error: msgstr holds \"<End of block>\"\n"},
      {good + "msgctxt \"room 5, dialogue 2\"\nmsgid \"Tavin<Close>\"\n"
              "msgstr \"a\\n<Text block 3><params: 0 0 0 0 0 0>\"\n",
       "bad.po:9: error: msgstr holds a line beginning \"<Text block\"\n"},
      {good + "msgctxt \"room 5, dialogue 2\"\nmsgid \"Tavin<Close>\"\n"
              "msgstr \"Tavin \xE2\x98\x83<Close>\"\n",
       "bad.po:9: error: msgstr holds '\xE2\x98\x83' (U+2603), which code page 1252 cannot "
       "hold\n"},
      {good + "msgctxt \"room 6, dialogue 1\"\nmsgid \"x\"\nmsgstr \"y\"\n",
       "bad.po:9: error: msgctxt names room 6, the file's first entry room 5: one file holds "
       "one room\n"},
      {good + "msgctxt \"room 5, dialogue 2\"\nmsgid \"Tavin<Close>\"\nmsgstr \"unclosed\n",
       "bad.po:12: error: end-of-line within string\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    write(work() / "bad.po", header + c.body);
    EXPECT_EQ(run({"import", "bad.po", "--translations", "../editor"}), 1);
    EXPECT_TRUE(out_.str().starts_with(c.shown)) << out_.str();
    EXPECT_NE(out_.str().find("scriptpo: bad.po refused; nothing was written for it\n"),
              std::string::npos);
    EXPECT_EQ(read(translation(5, root() / "editor")), edited_);
    EXPECT_EQ(read(comments(5, root() / "editor")), kComments);
    // Nor is anything created for a room that had no files yet.
    EXPECT_EQ(run({"import", "bad.po"}), 1);
    EXPECT_FALSE(fs::exists(work() / "Scripts Modificados"));
    EXPECT_FALSE(fs::exists(work() / "Comentarios"));
  }
}

TEST_F(ScriptPo, AFileTranslatedWithGettextsOwnToolsImports) {
  if (!have_tool("msgen") || !have_tool("msgfilter"))
    GTEST_SKIP() << "msgen or msgfilter is missing";
  common::write_file(code_dir(5) / "8script.ccs", test::kRoomFiveScript);
  ASSERT_EQ(run({"export"}), 0);
  const fs::path po = root() / "po" / "room_005.po";
  ASSERT_EQ(shell("msgen " + quoted(po) + " | msgfilter --keep-header -o " +
                  quoted(root() / "po" / "en.po") + " sed -e 's/i/1/g'"),
            0);
  ASSERT_EQ(run({"import", "../po/en.po"}), 0) << out_.str();
  std::string expected(test::kRoomFiveDump);
  expected.replace(expected.find("Hi\r\nHi"), 6, "H1\r\nH1");
  expected.replace(expected.find("Tavin"), 5, "Tav1n");
  EXPECT_EQ(read(translation(5)), expected);
  EXPECT_EQ(read(comments(5)), "<End>\r\n\r\n<End>\r\n\r\n");
}

TEST_F(ScriptPo, PlaceLeavesOutARoomWithErrorsAndPlacesTheOthers) {
  for (const int room : {5, 6}) {
    common::write_file(code_dir(room) / "8script.ccs", test::kRoomFiveScript);
    common::write_file(code_dir(room) / "outscript.txt", std::string("older"));
  }
  std::string five(test::kRoomFiveDump);
  five.replace(five.find("Hi\r\nHi"), 6, "Hola\r\nHola");
  write(translation(5), five);
  std::string six = script::dump_room(test::kRoomFiveScript, 6).text.value();
  six.replace(six.find("Tavin<Close>"), 12, "Tavin\xA1<Close>");
  write(translation(6), six);

  EXPECT_EQ(run({"place"}), 1);
  EXPECT_EQ(out_.str(),
            "Scripts Modificados/Room 6/outscript.txt:9:6: error: '\xC2\xA1' (U+00A1) is not one "
            "of the game's characters: the packer drops it [unsupported-character]\n"
            "scriptpo: room 6 left out (1 errors)\n"
            "scriptpo: 1 rooms placed, 1 left out, 1 dialogues translated\n"
            "scriptpo: run scriptpack next; a later scriptdump run writes the source dumps over "
            "what was placed\n");
  EXPECT_EQ(read(root() / "Rooms" / "disk1" / "5" / "code" / "outscript.txt"), five);
  EXPECT_EQ(read(root() / "Rooms" / "disk1" / "6" / "code" / "outscript.txt"), "older");
}

TEST_F(ScriptPo, UsageErrorsAndUnreadableFilesEndWithTwo) {
  common::write_file(code_dir(5) / "8script.ccs", test::kRoomFiveScript);
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{}, "usage: scriptpo export"},
      {{"merge"}, "scriptpo: unknown command merge\n"},
      {{"import"}, "scriptpo: import needs at least one PO file\n"},
      {{"export", "--out"}, "scriptpo: --out needs one folder\n"},
      {{"place", "--out", "x"}, "scriptpo: unknown option --out\n"},
      {{"place", "x.po"}, "scriptpo: place takes no file: x.po\n"},
      {{"import", "missing.po"}, "scriptpo: cannot read missing.po\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    EXPECT_EQ(run(c.args), 2);
    EXPECT_TRUE(errors_.str().starts_with(c.error)) << errors_.str();
  }
}

TEST_F(ScriptPo, ExportBesideNoTreeIsAFailure) {
  EXPECT_EQ(run({"export"}), 2);
  EXPECT_EQ(errors_.str(),
            "scriptpo: no room script found under ../rooms/disk1 (run scriptdump first)\n");
}

TEST_F(ScriptPo, TheDemoTranslationImportsAndPlacesCleanly) {
  write_sample_rooms();
  std::vector<std::string> args = {"import"};
  for (const auto& entry : fs::directory_iterator(QV_DEMO_TRANSLATION_DIR)) {
    if (entry.path().extension() == ".po") args.push_back(entry.path().string());
  }
  ASSERT_GE(args.size(), 4u);
  ASSERT_EQ(run(args), 0) << out_.str() << errors_.str();
  EXPECT_EQ(out_.str().find("fuzzy and"), out_.str().find("0 fuzzy and") + 2) << out_.str();
  ASSERT_EQ(run({"place"}), 0) << out_.str();
  EXPECT_NE(out_.str().find(std::to_string(args.size() - 1) + " rooms placed, 0 left out"),
            std::string::npos)
      << out_.str();
}

}  // namespace
}  // namespace qv::po
