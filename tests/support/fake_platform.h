#pragma once
// Control of the fake platform that hosted tests link in place of an OS layer.
#include <stdint.h>

#include <string>

#include <gtest/gtest.h>

namespace kivo::fake {

// Forgets captured output, written pieces, the request count and any planned failure.
// Live blocks stay live.
void reset();

// Bytes written to the console since the last take or reset; clears them.
std::string take_output();
// Number of console writes since the last reset (one per piece of text or line end).
int64_t write_calls();
// Pieces of text written since the last reset: each is one fetch of the output handle on
// Windows, and a line end goes with the piece it ends.
int64_t pieces();

// Heap blocks handed out and not yet released.
int64_t live_blocks();
// The size asked for the live block at p; -1 when p is no live block.
int64_t block_size(const void* p);
// Heap requests since the last reset, refused ones included.
int64_t heap_requests();
// Console bytes written since the last reset when the n-th heap request since then came in
// (1 is the first); -1 when there was no such request. Ties a request to the report line
// being produced, so a test can fail the allocation of one chosen section.
int64_t output_before_request(int64_t n);
// Makes the n-th heap request from now on fail (1 is the next one); 0 fails none.
void fail_request(int64_t n);

// The file time the clock reports (100-ns intervals since 1601-01-01).
void set_file_time(int64_t file_time);

// A test whose every case starts with a clean fake and must release every block it took.
class fixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  int64_t live_at_start_ = 0;
};

}  // namespace kivo::fake
