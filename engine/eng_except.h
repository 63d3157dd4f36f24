// Exceptions of the archive engine. Thrown by value, caught by reference,
// most derived class first. None is polymorphic; copies are deep.
#pragma once

#include <cstdint>
#include <string>

namespace EngExcept {

class Exception {
public:
    explicit Exception(std::wstring message) : message_(std::move(message)) {}
    std::wstring get_message() const { return message_; }

private:
    std::wstring message_;
};

// A file or archive operation failed. The message begins with the failing
// "Class::operation(): "; detail is a path or the placeholder "n/a" / "(n/a)".
class FileException : public Exception {
public:
    FileException(std::wstring message, std::wstring detail, int32_t code)
        : Exception(std::move(message)), detail_(std::move(detail)), code_(code)
    {
    }
    std::wstring get_detail() const { return detail_; }
    int32_t get_code() const { return code_; }

private:
    std::wstring detail_;
    int32_t code_;
};

class EFileNotFound : public FileException {
public:
    explicit EFileNotFound(std::wstring path) : FileException(L"File doesn't exist!", std::move(path), 2) {}
};

class EFolderNotFound : public Exception {
public:
    explicit EFolderNotFound(std::wstring folder) : Exception(L"Folder has not been found!"), folder_(std::move(folder))
    {
    }
    std::wstring get_folder() const { return folder_; }

private:
    std::wstring folder_;
};

class EFailedToOpenRegKey : public Exception {
public:
    explicit EFailedToOpenRegKey(const std::wstring& keyPath) : Exception(L"Failed to open key path: " + keyPath) {}
};

}  // namespace EngExcept
