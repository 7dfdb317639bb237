// The generated header compiled by the system's C and C++ compilers into a program that walks
// g_payload and compares every record with the file it came from.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "payloadgen_support.h"

namespace payloadgen_test {
namespace {

// Prints each record's path in hex (names may hold line ends), its size and whether its bytes
// equal the file's, then whether the table ends in the all-zero record.
constexpr char walker[] = R"(#include <stdio.h>
#include <string.h>
#include "payload.h"

static int same_as_file(const payload_file_t* r) {
    char read_path[1024];
    FILE* f;
    unsigned long i = 0;
    int c, same = 1;
    if (strcmp(r->path, "kivoc.exe") == 0 || strcmp(r->path, "kivo.exe") == 0)
        sprintf(read_path, "bin/Release/%s", r->path);
    else if (strncmp(r->path, "lib\\", 4) == 0)
        sprintf(read_path, "lib/%s", r->path + 4);
    else
        strcpy(read_path, r->path);
    f = fopen(read_path, "rb");
    if (f == 0) return 0;
    while ((c = getc(f)) != EOF) {
        if (i >= r->size || r->data[i] != c) same = 0;
        ++i;
    }
    fclose(f);
    return same && i == r->size;
}

int main(void) {
    const payload_file_t* r;
    const unsigned char* s;
    for (r = g_payload; r->path != 0; ++r) {
        for (s = (const unsigned char*)r->path; *s; ++s) printf("%02x", *s);
        printf(" %lu %s\n", r->size, same_as_file(r) ? "same" : "different");
    }
    printf("end %d %lu\n", r->data == 0, r->size);
    return 0;
}
)";

std::string expected_walk(const tree& t) {
  std::string text;
  for (const auto& [path, size] : model_records(t)) {
    for (const char c : path) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(c));
      text += hex;
    }
    text.append(" ").append(std::to_string(size)).append(" same\n");
  }
  return text + "end 1 0\n";
}

TEST(PayloadgenRoundTrip, CompiledHeaderHoldsEveryFileUnderItsName) {
  if (std::system("command -v cc > /dev/null && command -v c++ > /dev/null") != 0) {
    GTEST_SKIP() << "needs the system compilers cc and c++";
  }
  scratch_dir dir;
  tree t;
  t.kivoc = random_bytes(300 * 1024 + 5, 21);
  t.kivo = "";
  t.mod = "module kivo\n";
  t.lock = random_bytes(16, 22);
  // Names only POSIX allows: quotes, control bytes, trigraph-like runs, a digit after an
  // escaped byte; and the empty file and a longest name.
  for (const std::string& name :
       {std::string("plain.kv"), std::string("q\"uote"), std::string("back\\slash"),
        std::string("new\nline"), std::string("ctl\x01" "7"), std::string("del\x7f"),
        std::string("tri?\?=graph?\?("), std::string("\xc3\xa9t\xc3\xa9"), std::string("empty"),
        std::string(255, 'L')}) {
    t.lib[name] = name == "empty" ? std::string() : random_bytes(name.size() * 7, 23);
  }
  build_tree(dir.path(), t);
  const run_result r = run_payloadgen(dir.path());
  ASSERT_EQ(r.exit_code, 0) << r.err;
  write_file(dir / "walk.c", walker);

  // C in its strict ISO mode, where trigraphs are live; C++ where they are gone.
  for (const char* compile : {"cc -std=c99 -Wall", "c++ -x c++ -std=c++17 -Wall"}) {
    SCOPED_TRACE(compile);
    const std::string command = "cd '" + dir.path() + "' && " + compile +
                                " -I tools -o walk walk.c 2> compile.log && ./walk > walk.out";
    ASSERT_EQ(std::system(command.c_str()), 0) << read_file(dir / "compile.log");
    EXPECT_EQ(read_file(dir / "walk.out"), expected_walk(t));
  }
}

}  // namespace
}  // namespace payloadgen_test
