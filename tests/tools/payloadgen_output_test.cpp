// The header payloadgen writes: byte for byte against an independent model of the format on
// generated trees, and compiled by the system's C and C++ compilers.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "payloadgen_support.h"

namespace payloadgen_test {
namespace {

namespace fs = std::filesystem;

// Equality of long texts, reported around the first difference instead of a full dump.
testing::AssertionResult same_text(const std::string& actual, const std::string& expected) {
  if (actual == expected) return testing::AssertionSuccess();
  const auto at = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  const std::size_t from =
      static_cast<std::size_t>(std::max<long>(at.first - actual.begin() - 40, 0));
  return testing::AssertionFailure()
         << "texts differ near byte " << from + 40 << "\n  actual:   " << actual.substr(from, 80)
         << "\n  expected: " << expected.substr(from, 80);
}

// Runs payloadgen in root, which holds t, over a stale header, and compares with the model.
void expect_model(const std::string& root, const tree& t) {
  write_file(root + "/tools/payload.h", std::string(100000, 'x'));
  fs::permissions(root + "/tools/payload.h", fs::perms(0604));
  const run_result r = run_payloadgen(root);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "payload.h generated: " + std::to_string(model_records(t).size()) +
                       " files embedded.\n");
  EXPECT_TRUE(same_text(read_file(root + "/tools/payload.h"), model_header(t)));
  EXPECT_EQ(fs::status(root + "/tools/payload.h").permissions(), fs::perms(0604))
      << "the replaced header's mode was not kept";
  const fs::directory_iterator tools(root + "/tools");
  EXPECT_EQ(std::distance(begin(tools), end(tools)), 1) << "a temporary file was left";
}

// lib/ names that need escaping in a C literal (quotes, control bytes, trigraph runs, a digit
// after an escaped byte), in an order unlike the byte order, with bytes above 0x7F.
tree with_odd_names(tree t) {
  // clang-format off
  static const char* const names[] = {
      "q\"uote", "back\\slash", "new\nline", "tab\there", "ctl\0017", "del\x7f", "what?",
      "tri?\?=graph?\?(", "tri?\?)", "%s%n%d", "sp ace", "\xff\xfe", "\xc3\xa9t\xc3\xa9", "b",
      "B", "a.txt", ".hidden", "10", "9", "Z", "~"};
  // clang-format on
  for (const std::string name : names) t["lib/" + name] = random_bytes(name.size() * 7, 8);
  t["lib/" + std::string(255, 'L')] = "the longest name";
  return t;
}

TEST(PayloadgenOutput, WritesTheDocumentedExample) {
  scratch_dir dir;
  const tree t = {{"bin/Release/kivoc.exe", "ABCDEFGHIJKLMNOPQRST"},
                  {"kivo.mod", ""},
                  {"lib/a.txt", "abc"},
                  {"lib/b", "0123456789abcdef"}};
  build_tree(dir.path, t);
  expect_model(dir.path, t);
  EXPECT_EQ(read_file(dir / "tools/payload.h"),
            "#pragma once\ntypedef struct {\n    const char*          path;\n"
            "    const unsigned char* data;\n    unsigned long        size;\n} payload_file_t;\n\n"
            "/* bin/Release/kivoc.exe  (20 bytes) */\n"
            "static const unsigned char p_kivoc[] = {\n"
            "0x41,0x42,0x43,0x44,0x45,0x46,0x47,0x48,0x49,0x4a,0x4b,0x4c,0x4d,0x4e,0x4f,0x50,\n"
            "0x51,0x52,0x53,0x54\n};\n\n"
            "/* kivo.mod  (0 bytes) */\n"
            "static const unsigned char p_mod[] = {\n\n};\n\n"
            "/* lib/a.txt  (3 bytes) */\n"
            "static const unsigned char p_lib0[] = {\n"
            "0x61,0x62,0x63\n};\n\n"
            "/* lib/b  (16 bytes) */\n"
            "static const unsigned char p_lib1[] = {\n"
            "0x30,0x31,0x32,0x33,0x34,0x35,0x36,0x37,0x38,0x39,0x61,0x62,0x63,0x64,0x65,0x66\n"
            "\n};\n\n"
            "static const payload_file_t g_payload[] = {\n"
            "    { \"kivoc.exe\", p_kivoc, 20UL },\n"
            "    { \"kivo.mod\", p_mod, 0UL },\n"
            "    { \"lib\\\\a.txt\", p_lib0, 3UL },\n"
            "    { \"lib\\\\b\", p_lib1, 16UL },\n"
            "    { 0, 0, 0 }\n};\n");
}

TEST(PayloadgenOutput, GeneratedTreesMatchTheModel) {
  tree line_ends = {{"bin/Release/kivoc.exe", ""},
                    {"bin/Release/kivo.exe", random_bytes(1, 1)},
                    {"kivo.mod", random_bytes(15, 2)},
                    {"kivo.lock", random_bytes(31, 3)}};
  for (const int n : {16, 17, 32, 33, 48})
    line_ends["lib/n" + std::to_string(n)] = random_bytes(n, n);
  tree many = {{"bin/Release/kivoc.exe", "k"}};  // past any table of 512 entries
  for (int i = 0; i < 700; ++i) many["lib/f" + std::to_string(i)] = random_bytes(i % 37, i);
  const struct {
    const char* name;
    tree t;
    bool links = false;  // lib/ also holds directories and links
  } cases[] = {
      {"only the compiler, no lib/", {{"bin/Release/kivoc.exe", random_bytes(5, 4)}}},
      {"lib a regular file", {{"bin/Release/kivoc.exe", "k"}, {"lib", "not a directory"}}},
      {"line ends", line_ends},
      {"odd names, links and directories", with_odd_names({{"bin/Release/kivoc.exe", "k"}}), true},
      {"many files", many},
      {"sizes that cross the tool's read, format and output buffers",
       {{"bin/Release/kivoc.exe", random_bytes((1 << 20) + 17, 5)},
        {"lib/chunk", random_bytes(256 * 1024, 6)},
        {"lib/piece", random_bytes(64 * 1024 + 1, 7)}}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    scratch_dir dir;
    build_tree(dir.path, c.t);
    tree t = c.t;
    if (c.links) {
      // Skipped: a subdirectory with a file, a hidden directory, a link to a directory.
      write_file(dir / "lib/sub/inner.txt", "not embedded");
      fs::create_directory(dir / "lib/.git");
      fs::create_directory_symlink("sub", dir / "lib/linkdir");
      // Embedded like any file: a link to a file outside lib/.
      write_file(dir / "outside.bin", "through a link");
      fs::create_symlink("../outside.bin", dir / "lib/linkfile");
      t["lib/linkfile"] = "through a link";
    }
    expect_model(dir.path, t);
  }
}

// Only a link at the header itself is refused: tools/ may be a link to a directory.
TEST(PayloadgenOutput, WritesThroughAToolsDirectoryThatIsALink) {
  scratch_dir dir;
  const tree t = {{"bin/Release/kivoc.exe", "k"}, {"lib/a.txt", "abc"}};
  build_tree(dir.path, t);
  fs::rename(dir / "tools", dir / "real-tools");
  fs::create_directory_symlink("real-tools", dir / "tools");
  expect_model(dir.path, t);
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "real-tools/payload.h")));
}

TEST(PayloadgenOutput, CompiledHeaderHoldsEveryFileUnderItsName) {
  if (std::system("command -v cc > /dev/null && command -v c++ > /dev/null") != 0) {
    GTEST_SKIP() << "needs the system compilers cc and c++";
  }
  scratch_dir dir;
  const tree t = with_odd_names({{"bin/Release/kivoc.exe", random_bytes(300 * 1024 + 5, 9)},
                                 {"bin/Release/kivo.exe", ""},
                                 {"kivo.mod", "module kivo\n"},
                                 {"kivo.lock", random_bytes(16, 10)}});
  build_tree(dir.path, t);
  ASSERT_EQ(run_payloadgen(dir.path).exit_code, 0);
  // Every record as its path and NUL, its bytes and its size; then the all-zero record.
  write_file(dir / "walk.c",
             "#include <stdio.h>\n#include <string.h>\n#include \"payload.h\"\n"
             "int main(void) {\n  const payload_file_t* r = g_payload;\n"
             "  for (; r->path != 0; ++r) {\n    fwrite(r->path, 1, strlen(r->path) + 1, stdout);\n"
             "    fwrite(r->data, 1, r->size, stdout);\n    printf(\"|%lu\\n\", r->size);\n  }\n"
             "  printf(\"end %d %lu\\n\", r->data == 0, r->size);\n  return 0;\n}\n");
  std::string expected;
  for (const model_record& r : model_records(t)) {
    expected += r.table_path + '\0' + *r.bytes + "|" + std::to_string(r.bytes->size()) + "\n";
  }
  expected += "end 1 0\n";
  // C in its strict ISO mode, where trigraphs are live; C++ where they are gone.
  for (const char* compile : {"cc -std=c99 -Wall", "c++ -x c++ -std=c++17 -Wall"}) {
    SCOPED_TRACE(compile);
    const std::string command = "cd '" + dir.path + "' && " + compile +
                                " -I tools -o walk walk.c 2> compile.log && ./walk > walk.out";
    ASSERT_EQ(std::system(command.c_str()), 0) << read_file(dir / "compile.log");
    EXPECT_TRUE(same_text(read_file(dir / "walk.out"), expected));
  }
}

}  // namespace
}  // namespace payloadgen_test
