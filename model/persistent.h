#pragma once
// A small persistence layer: plain records saved to and loaded from byte streams as their raw bytes.
#include <windows.h>
#include <cstring>

class CStream {
public:
    virtual ~CStream() = default;
    virtual int Write(const void* buffer, int length) = 0;
    virtual int Read(void* buffer, int length) = 0;
};

// A stream over one Win32 file. A failed open is kept silently: reads and writes then give 0.
class CFileStream : public CStream {
public:
    CFileStream(const wchar_t* path, DWORD creationDisposition, DWORD desiredAccess, DWORD shareMode,
                DWORD flagsAndAttributes);
    ~CFileStream() override;
    CFileStream(const CFileStream&) = delete;
    CFileStream& operator=(const CFileStream&) = delete;

    int Write(const void* buffer, int length) override;
    int Read(void* buffer, int length) override;
    void Close();

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

class CPersistent {
public:
    virtual ~CPersistent() = default;
    virtual int Save(CStream* stream) = 0;
    virtual int Load(CStream* stream) = 0;
};

// Writes or reads exactly sizeof(T) raw bytes in one stream call; returns the stream's count.
template <class T>
struct PersistentStreamOperator {
    static int Write(CStream* stream, const T* value) { return stream->Write(value, sizeof(T)); }
    static int Read(CStream* stream, T* value) { return stream->Read(value, sizeof(T)); }
};

template <class T, class Operator = PersistentStreamOperator<T>>
class CPersistentTmpl : public CPersistent {
public:
    CPersistentTmpl() { std::memset(&value_, 0, sizeof value_); }
    explicit CPersistentTmpl(const T& value) { std::memcpy(&value_, &value, sizeof value_); }

    int Save(CStream* stream) override { return Operator::Write(stream, &value_); }
    int Load(CStream* stream) override { return Operator::Read(stream, &value_); }
    const T& Get() const { return value_; }

private:
    T value_;
};

template <class T>
int SavePersistent(const T& value, CStream* stream)
{
    CPersistentTmpl<T> persistent(value);
    return persistent.Save(stream);
}

// Bytes the stream did not deliver come back as zero.
template <class T>
int LoadPersistent(T& value, CStream* stream)
{
    CPersistentTmpl<T> persistent;
    const int count = persistent.Load(stream);
    std::memcpy(&value, &persistent.Get(), sizeof(T));
    return count;
}
