// payloadgen's OS layer on Windows. Narrow (ANSI code page) names throughout, as the
// directory listing gives them.
#include "payloadgen_os.h"

#include <windows.h>

#include <cstring>

namespace payloadgen::os {
namespace {

// The temporary header's path, for the console control handler: a run stopped by Ctrl-C or
// a closed console must not leave it behind. The handler runs on its own thread; the file is
// opened with FILE_SHARE_DELETE so that deleting it there works while it is still open.
char g_temp_path[MAX_PATH + 64];
volatile LONG g_temp_live = 0;

BOOL WINAPI remove_temp(DWORD) {
  if (g_temp_live) DeleteFileA(g_temp_path);
  return FALSE;  // let the default handler end the process
}

HANDLE handle_of(handle h) { return reinterpret_cast<HANDLE>(h); }

handle from_handle(HANDLE h) { return reinterpret_cast<handle>(h); }

}  // namespace

void prepare_process() { SetConsoleCtrlHandler(remove_temp, TRUE); }

bool entry_exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool is_directory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

list_status list_directory(const std::string& dir, std::vector<std::string>& names) {
  WIN32_FIND_DATAA found;
  const std::string pattern = dir + "\\*.*";
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      return list_status::missing;
    }
    // A regular file in dir's place is no directory, as for a missing one; which error the
    // search gives for it differs between systems (ERROR_DIRECTORY, ERROR_INVALID_NAME).
    const DWORD attributes = GetFileAttributesA(dir.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0
               ? list_status::missing
               : list_status::failed;
  }
  list_status status = list_status::ok;
  do {
    if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) {
      continue;
    }
    names.emplace_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  if (GetLastError() != ERROR_NO_MORE_FILES) status = list_status::failed;
  FindClose(search);
  return status;
}

open_status open_input(const std::string& path, input_file& file) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return open_status::cannot_open;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return open_status::not_regular;
  }
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return open_status::cannot_open;
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return open_status::not_regular;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(h, &size) || size.QuadPart < 0) {
    CloseHandle(h);
    return open_status::cannot_open;
  }
  file.h = from_handle(h);
  file.size = static_cast<std::uint64_t>(size.QuadPart);
  return open_status::ok;
}

std::ptrdiff_t read_input(input_file& file, void* buffer, std::size_t capacity) {
  const DWORD want = capacity > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity);
  DWORD got = 0;
  if (!ReadFile(handle_of(file.h), buffer, want, &got, nullptr)) return -1;
  return static_cast<std::ptrdiff_t>(got);
}

void close_input(input_file& file) {
  if (file.h != -1) CloseHandle(handle_of(file.h));
  file.h = -1;
}

// Opened for writing (without any change to it), and neither read-only (which a process
// with the power to write anyway, as wine run by root, would otherwise ignore) nor a link or
// other reparse point: a directory and a header locked by another program are refused too.
bool may_replace(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND;
  }
  BY_HANDLE_FILE_INFORMATION info;
  const bool plain = GetFileInformationByHandle(h, &info) &&
                     (info.dwFileAttributes &
                      (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT |
                       FILE_ATTRIBUTE_DIRECTORY)) == 0;
  CloseHandle(h);
  return plain;
}

bool create_temp(const std::string& dir, const std::string& final_name, output_file& out) {
  out.dir = dir;
  out.final_name = final_name;
  const std::string stem =
      dir + "\\." + final_name + "." + std::to_string(GetCurrentProcessId()) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = stem + std::to_string(attempt) + ".tmp";
    if (path.size() >= sizeof g_temp_path) return false;
    std::memcpy(g_temp_path, path.c_str(), path.size() + 1);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      InterlockedExchange(&g_temp_live, 1);
      out.h = from_handle(h);
      out.temp_path = std::move(path);
      return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool write_output(output_file& out, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD put = 0;
    if (!WriteFile(handle_of(out.h), data, want, &put, nullptr) || put == 0) return false;
    data += put;
    size -= put;
  }
  return true;
}

bool commit_output(output_file& out, const std::string& final_path) {
  const bool closed = CloseHandle(handle_of(out.h)) != 0;
  out.h = -1;
  const bool renamed =
      closed && may_replace(final_path) &&
      MoveFileExA(out.temp_path.c_str(), final_path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!renamed) DeleteFileA(out.temp_path.c_str());
  InterlockedExchange(&g_temp_live, 0);
  return renamed;
}

void discard_output(output_file& out) {
  if (out.h != -1) CloseHandle(handle_of(out.h));
  out.h = -1;
  DeleteFileA(out.temp_path.c_str());
  InterlockedExchange(&g_temp_live, 0);
}

}  // namespace payloadgen::os
