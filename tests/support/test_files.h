// Paths and whole files for the tests: the fixtures, the user's shell folders,
// the environment, and files read or written in one piece.
#pragma once

#include <string>
#include <string_view>

// A file or folder below the fixtures folder, which ctest names in BRISVALE_FIXTURES.
std::wstring fixture_path(const std::wstring& relative);
// The text with its %VARIABLE%s replaced from this process's environment.
std::wstring expand(const std::wstring& text);
// A folder of the user's, such as CSIDL_APPDATA or CSIDL_PERSONAL, made when missing.
std::wstring shell_folder(int csidl);
// The whole file; empty when there is none.
std::string read_file(const std::wstring& path);
// Creates or replaces a file with these bytes. Throws std::runtime_error naming
// the path when it cannot, so a broken set-up fails where it breaks.
void write_file(const std::wstring& path, std::string_view bytes);
