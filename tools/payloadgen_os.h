// Everything payloadgen asks of the operating system: file types, directory listing, reading
// inputs, and the temporary header file that is renamed into place only when complete.
// One implementation per OS: payloadgen_os_posix.cpp, payloadgen_os_windows.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace payloadgen::os {

// The header is a text file: on Windows its lines end in CR LF, elsewhere in LF.
#if defined(_WIN32)
inline constexpr char line_end[] = "\r\n";
#else
inline constexpr char line_end[] = "\n";
#endif

// Set up once before anything else: an interrupted or size-limited run must not leave the
// temporary header behind.
void prepare_process();

// True if there is a directory entry at path; a symbolic link counts, even a dangling one,
// so that a broken link is reported as a file that cannot be opened rather than skipped.
bool entry_exists(const std::string& path);

// True if path is a directory, symbolic links followed.
bool is_directory(const std::string& path);

enum class list_status { ok, missing, failed };

// Appends the names in dir (not "." or "..") to names, in the order the system gives them.
// missing: dir does not exist or is not a directory; failed: it could not be read.
list_status list_directory(const std::string& dir, std::vector<std::string>& names);

using handle = std::intptr_t;

enum class open_status { ok, cannot_open, not_regular };

struct input_file {
  handle h = -1;
  std::uint64_t size = 0;
};

// Opens a regular file for reading and measures it. A directory cannot be opened; any other
// kind of file (FIFO, socket, device) is not_regular and is never read, so it cannot block.
open_status open_input(const std::string& path, input_file& file);

// Reads up to capacity bytes; returns the count, 0 at the end of the file, -1 on an error.
std::ptrdiff_t read_input(input_file& file, void* buffer, std::size_t capacity);

void close_input(input_file& file);

struct output_file {
  handle h = -1;
  std::string dir, final_name;
  std::string temp_path;  // empty while the file has no name (Linux's O_TMPFILE)
};

// Whether the file at path may be replaced by the header: there is none, or there is a
// regular file that this run could open for writing, as writing the header in place would.
// A symbolic link there is refused, so that no write is ever aimed through it.
bool may_replace(const std::string& path);

// Creates a new, exclusively owned temporary file in dir, for final_name. Where the system
// can, the file has no name until it is complete, so a killed run leaves nothing behind.
bool create_temp(const std::string& dir, const std::string& final_name, output_file& out);

// Writes every byte or fails.
bool write_output(output_file& out, const char* data, std::size_t size);

// Closes the temporary file and renames it over final_path (replacing an existing file, whose
// mode it takes), if may_replace(final_path) still holds. On failure the temporary file is
// removed and final_path is left as it was.
bool commit_output(output_file& out, const std::string& final_path);

// Closes and removes the temporary file.
void discard_output(output_file& out);

}  // namespace payloadgen::os
