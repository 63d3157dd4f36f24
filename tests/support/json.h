// A small JSON reader for the test manifests (objects, arrays, strings, numbers, true/false/null).
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testjson {

struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::wstring text;  // strings, decoded from UTF-8
    std::vector<Value> items;
    std::map<std::string, Value> members;

    const Value& operator[](const std::string& key) const;  // throws when absent
    bool has(const std::string& key) const { return members.count(key) != 0; }
};

// Parses a whole document; throws std::runtime_error on malformed input.
Value parse(const std::string& text);
Value parse_file(const std::wstring& path);

}  // namespace testjson
