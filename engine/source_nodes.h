// Sources of a backup item expanded into flat lists: one node per file and
// folder below a folder, or per subkey and value below a registry key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

// folder + "\\" + name, without doubling a trailing backslash.
std::wstring join_path(const std::wstring& folder, const std::wstring& name);

// The whole path in the form that the path-length limit does not apply to
// (\\?\ or \\?\UNC\); empty when there is none.
std::wstring long_form(const std::wstring& path);

class FileNode {
public:
    FileNode() = default;
    FileNode(std::wstring path, bool is_dir, std::wstring name, std::wstring mask)
        : path_(std::move(path)), name_(std::move(name)), mask_(std::move(mask)), is_dir_(is_dir)
    {
    }

    // The folder holding the entry; for a folder node the folder itself.
    const std::wstring& path() const { return path_; }
    // Empty for a folder node.
    const std::wstring& name() const { return name_; }
    bool is_dir() const { return is_dir_; }

    // Appends one folder level in the file system's order, hidden and system
    // entries included. Reparse-point folders (junctions, links) are left
    // out: they may lead back up the tree. False for a file node or an
    // unlistable folder.
    bool enumerate(std::vector<FileNode>& out) const;

private:
    std::wstring path_;
    std::wstring name_;
    std::wstring mask_;
    bool is_dir_ = true;
};

class RegNode {
public:
    RegNode();

    // False, leaving the node unchanged, when a text does not fit its array.
    bool set(HKEY root, const std::wstring& keyPath, bool is_key, const std::wstring& valueName);

    HKEY root() const { return root_; }
    const wchar_t* key_path() const { return key_; }
    // Empty for a key node, and for a key's default value.
    const wchar_t* value_name() const { return value_; }
    bool is_key() const { return is_key_ != 0; }

    // Appends the subkeys, then the values, of one key level. Names whose
    // path would not fit the arrays are skipped, never cut. False for a
    // value node or a key that cannot be opened for reading.
    bool enumerate(std::vector<RegNode>& out) const;

private:
    HKEY root_;
    wchar_t key_[1024];
    wchar_t value_[1024];
    int32_t is_key_;
};

// The root's descendants in pre-order by sibling blocks: the root's children
// as one block, then everything below the first child, and so on. The root
// itself is not in the list.
template <class Node>
class SourceTree {
public:
    void build(const Node& root)
    {
        root_ = root;
        list_.clear();
        walk(root_);
    }
    const std::vector<Node>& list() const { return list_; }

private:
    void walk(const Node& node)
    {
        std::vector<Node> level;
        level.reserve(100);
        node.enumerate(level);
        list_.insert(list_.end(), level.begin(), level.end());
        for (const Node& child : level)
            walk(child);
    }

    Node root_;
    std::vector<Node> list_;
};

using FileTree = SourceTree<FileNode>;
using RegTree = SourceTree<RegNode>;

class CustomFolderBuilder {
public:
    void set_folder(const std::wstring& folder) { folder_ = folder; }
    void set_description(const std::wstring& description) { description_ = description; }
    std::wstring get_description() const { return description_; }

    // The folder, without surrounding spaces, as a folder node; throws
    // EngExcept::EFolderNotFound when it does not exist.
    FileNode build_root() const;

private:
    std::wstring folder_;
    std::wstring description_;
};

class CustomRegistryBuilder {
public:
    void set_key(HKEY root, const std::wstring& keyPath)
    {
        root_ = root;
        keyPath_ = keyPath;
    }
    void set_description(const std::wstring& description) { description_ = description; }
    std::wstring get_description() const { return description_; }

    // The key as a key node; throws EngExcept::EFailedToOpenRegKey when it
    // cannot be opened for reading under the builder's root.
    RegNode build_root() const;

private:
    HKEY root_ = nullptr;
    std::wstring keyPath_;
    std::wstring description_;
};
