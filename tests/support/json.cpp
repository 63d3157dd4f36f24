#include "json.h"

#include <windows.h>

#include <cstdlib>
#include <stdexcept>

namespace testjson {
namespace {

struct Parser {
    const std::string& s;
    size_t i = 0;

    [[noreturn]] void fail() const { throw std::runtime_error("malformed JSON at " + std::to_string(i)); }
    void skip_space()
    {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n'))
            ++i;
    }
    bool take(const char* word)
    {
        size_t n = std::char_traits<char>::length(word);
        if (s.compare(i, n, word) != 0)
            return false;
        i += n;
        return true;
    }
    char next()
    {
        if (i >= s.size())
            fail();
        return s[i++];
    }

    std::wstring string()
    {
        std::string utf8;
        std::wstring out;
        auto flush = [&] {
            if (utf8.empty())
                return;
            int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
            std::wstring w(size_t(n), L'\0');
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), w.data(), n);
            out += w;
            utf8.clear();
        };
        for (;;) {
            char c = next();
            if (c == '"')
                break;
            if (c != '\\') {
                utf8 += c;
                continue;
            }
            flush();
            switch (char e = next()) {
            case 'n':
                out += L'\n';
                break;
            case 't':
                out += L'\t';
                break;
            case 'r':
                out += L'\r';
                break;
            case 'b':
                out += L'\b';
                break;
            case 'f':
                out += L'\f';
                break;
            case 'u': {
                if (i + 4 > s.size())
                    fail();
                out += wchar_t(std::strtoul(s.substr(i, 4).c_str(), nullptr, 16));
                i += 4;
                break;
            }
            default:
                out += wchar_t(e);
                break;  // \" \\ \/
            }
        }
        flush();
        return out;
    }

    Value value()
    {
        skip_space();
        Value v;
        if (i >= s.size())
            fail();
        char c = s[i];
        if (c == '{') {
            ++i;
            v.kind = Value::Object;
            skip_space();
            if (i < s.size() && s[i] == '}')
                return ++i, v;
            for (;;) {
                skip_space();
                if (next() != '"')
                    fail();
                std::wstring wkey = string();
                std::string key(wkey.begin(), wkey.end());
                skip_space();
                if (next() != ':')
                    fail();
                v.members[key] = value();
                skip_space();
                char d = next();
                if (d == '}')
                    break;
                if (d != ',')
                    fail();
            }
        } else if (c == '[') {
            ++i;
            v.kind = Value::Array;
            skip_space();
            if (i < s.size() && s[i] == ']')
                return ++i, v;
            for (;;) {
                v.items.push_back(value());
                skip_space();
                char d = next();
                if (d == ']')
                    break;
                if (d != ',')
                    fail();
            }
        } else if (c == '"') {
            ++i;
            v.kind = Value::String;
            v.text = string();
        } else if (take("true")) {
            v.kind = Value::Bool;
            v.boolean = true;
        } else if (take("false")) {
            v.kind = Value::Bool;
        } else if (take("null")) {
            v.kind = Value::Null;
        } else {
            char* end = nullptr;
            v.kind = Value::Number;
            v.number = std::strtod(s.c_str() + i, &end);
            if (end == s.c_str() + i)
                fail();
            i = size_t(end - s.c_str());
        }
        return v;
    }
};

}  // namespace

const Value& Value::operator[](const std::string& key) const
{
    auto it = members.find(key);
    if (it == members.end())
        throw std::runtime_error("JSON member missing: " + key);
    return it->second;
}

Value parse(const std::string& text)
{
    Parser p{text};
    Value v = p.value();
    p.skip_space();
    if (p.i != text.size())
        p.fail();
    return v;
}

Value parse_file(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open manifest");
    std::string text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        text.append(buf, got);
    CloseHandle(h);
    return parse(text);
}

}  // namespace testjson
