// The header payloadgen writes, compared byte for byte with an independent model of the
// format on generated trees.
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "payloadgen_support.h"

namespace payloadgen_test {
namespace {

// Equality of long texts, reported as the first differing line instead of a full dump.
testing::AssertionResult same_text(const std::string& actual, const std::string& expected) {
  if (actual == expected) return testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  const std::size_t line_start = expected.rfind('\n', at == 0 ? 0 : at - 1);
  const std::size_t from = line_start == std::string::npos ? 0 : line_start + 1;
  const auto line = [](const std::string& s, std::size_t start) {
    return s.substr(start, std::min<std::size_t>(s.find('\n', start) - start, 200));
  };
  return testing::AssertionFailure()
         << "texts differ at byte " << at << " (sizes " << actual.size() << " and "
         << expected.size() << ")\n  actual:   " << line(actual, from)
         << "\n  expected: " << line(expected, from);
}

class PayloadgenOutput : public testing::Test {
 protected:
  // Runs payloadgen on the tree already built and checks it against the model of t.
  void expect_model(const tree& t) {
    const run_result r = run_payloadgen(dir.path());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, model_count_line(t));
    header = read_file(dir / "tools/payload.h");
    EXPECT_TRUE(same_text(header, model_header(t)));
    const std::vector<entry_state> tools = snapshot(dir / "tools");
    ASSERT_EQ(tools.size(), 1u) << "a temporary file was left in tools/";
    EXPECT_EQ(tools[0].name, "payload.h");
  }

  void build_and_expect_model(const tree& t) {
    build_tree(dir.path(), t);
    expect_model(t);
  }

  scratch_dir dir;
  std::string header;
};

TEST_F(PayloadgenOutput, SmallTreeGivesTheDocumentedHeader) {
  tree t;
  t.kivoc = "ABCDEFGHIJKLMNOPQRST";
  t.lib["a.txt"] = "abc";
  build_and_expect_model(t);
  EXPECT_EQ(header,
            "#pragma once\n"
            "typedef struct {\n"
            "    const char*          path;\n"
            "    const unsigned char* data;\n"
            "    unsigned long        size;\n"
            "} payload_file_t;\n"
            "\n"
            "/* bin/Release/kivoc.exe  (20 bytes) */\n"
            "static const unsigned char p_kivoc[] = {\n"
            "0x41,0x42,0x43,0x44,0x45,0x46,0x47,0x48,0x49,0x4a,0x4b,0x4c,0x4d,0x4e,0x4f,0x50,\n"
            "0x51,0x52,0x53,0x54\n"
            "};\n"
            "\n"
            "/* lib/a.txt  (3 bytes) */\n"
            "static const unsigned char p_lib0[] = {\n"
            "0x61,0x62,0x63\n"
            "};\n"
            "\n"
            "static const payload_file_t g_payload[] = {\n"
            "    { \"kivoc.exe\", p_kivoc, 20UL },\n"
            "    { \"lib\\\\a.txt\", p_lib0, 3UL },\n"
            "    { 0, 0, 0 }\n"
            "};\n");
}

TEST_F(PayloadgenOutput, OnlyTheCompilerGivesOneRecord) {
  tree t;
  t.kivoc = random_bytes(5, 1);
  build_and_expect_model(t);
  EXPECT_EQ(header.substr(header.find("static const payload_file_t")),
            "static const payload_file_t g_payload[] = {\n"
            "    { \"kivoc.exe\", p_kivoc, 5UL },\n"
            "    { 0, 0, 0 }\n"
            "};\n");
}

TEST_F(PayloadgenOutput, OptionalInputsKeepTheirOrderWithoutGaps) {
  tree t;
  t.kivoc = random_bytes(40, 2);
  t.mod = "module kivo\n";
  t.lock = random_bytes(3, 3);
  build_and_expect_model(t);
  EXPECT_EQ(header.find("p_kivo["), std::string::npos);
  EXPECT_NE(header.find("    { \"kivoc.exe\", p_kivoc, 40UL },\n"
                        "    { \"kivo.mod\", p_mod, 12UL },\n"
                        "    { \"kivo.lock\", p_lock, 3UL },\n"),
            std::string::npos);
}

TEST_F(PayloadgenOutput, ArraysBreakLinesAfterEverySixteenValues) {
  tree t;
  t.kivoc = "";
  t.kivo = random_bytes(1, 4);
  t.mod = random_bytes(15, 5);
  t.lock = random_bytes(31, 6);
  std::string counting;
  for (int i = 0; i < 48; ++i) counting += static_cast<char>(i);
  for (int n : {16, 17, 32, 33, 48}) {
    t.lib[std::string("n").append(std::to_string(n))] = counting.substr(0, n);
  }
  build_and_expect_model(t);
  EXPECT_NE(header.find("/* bin/Release/kivoc.exe  (0 bytes) */\n"
                        "static const unsigned char p_kivoc[] = {\n"
                        "\n"
                        "};\n\n"),
            std::string::npos);
  EXPECT_NE(header.find("{ \"kivoc.exe\", p_kivoc, 0UL },"), std::string::npos);
  const std::string line0 =
      "0x00,0x01,0x02,0x03,0x04,0x05,0x06,0x07,0x08,0x09,0x0a,0x0b,0x0c,0x0d,0x0e,0x0f";
  EXPECT_NE(header.find("p_lib0[] = {\n" + line0 + "\n\n};\n"), std::string::npos);
  EXPECT_NE(header.find("p_lib1[] = {\n" + line0 + ",\n0x10\n};\n"), std::string::npos);
}

TEST_F(PayloadgenOutput, LibFilesComeInByteOrderAndDirectoriesAreSkipped) {
  tree t;
  t.kivoc = random_bytes(20, 7);
  // Created in an order unlike the byte order, which puts upper case and digits first and
  // bytes above 0x7F last.
  for (const char* name : {"\xe9t\xe9", "b", "B", "a.txt", ".hidden", "10", "9", "Z", "~"}) {
    t.lib[name] = random_bytes(std::string(name).size() * 3, 8);
  }
  build_tree(dir.path(), t);
  write_file(dir / "lib/sub/inner.txt", "not embedded");
  make_dirs(dir / "lib/.git");
  write_file(dir / "outside.bin", "through a link");
  ASSERT_EQ(symlink("sub", (dir / "lib/linkdir").c_str()), 0);
  ASSERT_EQ(symlink("../outside.bin", (dir / "lib/linkfile").c_str()), 0);
  t.lib["linkfile"] = "through a link";
  expect_model(t);
  EXPECT_EQ(header.find("inner"), std::string::npos);
  EXPECT_NE(header.find("p_lib9[]"), std::string::npos);
  EXPECT_EQ(header.find("p_lib10"), std::string::npos);
}

TEST_F(PayloadgenOutput, MoreThan512FilesAreAllEmbedded) {
  tree t;
  t.kivoc = random_bytes(10, 9);
  for (int i = 0; i < 700; ++i) {
    const auto size = static_cast<std::size_t>(i % 37);
    t.lib[std::string("f").append(std::to_string(i))] = random_bytes(size, 10 + i);
  }
  build_and_expect_model(t);
  EXPECT_EQ(run_payloadgen(dir.path()).out, "payload.h generated: 701 files embedded.\n");
}

TEST_F(PayloadgenOutput, LargeFilesCrossingBufferBoundariesAreExact) {
  tree t;
  t.kivoc = random_bytes((1 << 20) + 17, 11);
  t.lib["chunk"] = random_bytes(256 * 1024, 12);
  t.lib["piece"] = random_bytes(64 * 1024 + 1, 13);
  build_and_expect_model(t);
}

TEST_F(PayloadgenOutput, OddNamesAreEscapedInTheTableAndRawInTheComment) {
  tree t;
  t.kivoc = "k";
  const std::string names[] = {
      "q\"uote",      "back\\slash", "new\nline", "tab\there", "ctl\x01" "7", "del\x7f",
      "what?",        "tri?\?=graph", "tri?\?)",     "%s%n%d",    "sp ace",       "\xff\xfe",
      std::string(255, 'L')};
  for (const std::string& name : names) t.lib[name] = name;
  build_and_expect_model(t);
  for (const char* escaped :
       {"\"lib\\\\q\\\"uote\"", "\"lib\\\\back\\\\slash\"", "\"lib\\\\new\\012line\"",
        "\"lib\\\\tab\\011here\"", "\"lib\\\\ctl\\0017\"", "\"lib\\\\del\\177\"",
        "\"lib\\\\what\\?\"", "\"lib\\\\tri\\?\\?=graph\"", "\"lib\\\\%s%n%d\"",
        "\"lib\\\\\xff\xfe\""}) {
    EXPECT_NE(header.find(escaped), std::string::npos) << escaped;
  }
  EXPECT_NE(header.find("/* lib/new\nline  (8 bytes) */\n"), std::string::npos);
}

TEST_F(PayloadgenOutput, RandomTreesMatchTheModel) {
  const std::string alphabet = std::string("abcXYZ019._-~ ?\"\\\t\x01\x7f\x80\xff");
  for (std::uint32_t seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE(seed);
    scratch_dir run_dir;
    const std::string noise = random_bytes(400, seed * 977);
    std::size_t at = 0;
    const auto next = [&] { return static_cast<unsigned char>(noise[at++ % noise.size()]); };
    tree t;
    t.kivoc = random_bytes(next() * 3, seed);
    if (next() % 2) t.kivo = random_bytes(next(), seed + 100);
    if (next() % 2) t.mod = random_bytes(next() % 20, seed + 200);
    if (next() % 2) t.lock = random_bytes(next() % 20, seed + 300);
    const int files = next() % 40;
    for (int i = 0; i < files; ++i) {
      std::string name;
      for (int n = 1 + next() % 8; n > 0; --n) name += alphabet[next() % alphabet.size()];
      if (name == "." || name == "..") continue;
      const std::size_t size = next() < 20 ? next() * 97u : next() % 40;
      t.lib[name] = random_bytes(size, seed * 1000 + i);
    }
    build_tree(run_dir.path(), t);
    const run_result r = run_payloadgen(run_dir.path());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, model_count_line(t));
    EXPECT_TRUE(same_text(read_file(run_dir / "tools/payload.h"), model_header(t)));
  }
}

TEST_F(PayloadgenOutput, APreviousHeaderIsReplacedWhole) {
  tree t;
  t.kivoc = random_bytes(3, 14);
  build_tree(dir.path(), t);
  write_file(dir / "tools/payload.h", std::string(100000, 'x'));
  expect_model(t);
}

}  // namespace
}  // namespace payloadgen_test
