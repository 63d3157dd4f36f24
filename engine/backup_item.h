// Backup items: a folder, or a registry key with everything below it, that
// can count its bytes and append itself to an archive.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "data_store.h"
#include "source_nodes.h"

class BackupItem {
public:
    virtual ~BackupItem() = default;
    virtual std::wstring get_name() const = 0;
    virtual int32_t get_id() const = 0;
    // The bytes a backup would read now.
    virtual uint64_t get_size() const = 0;
    // Appends one record per file or registry value to the archive (which
    // already holds its header) and returns the source bytes stored. A set
    // stop flag ends the run; a null flag never stops it.
    virtual uint64_t backup(const std::wstring& archivePath, std::atomic<bool>* stop, bool compress, bool encrypt,
                            const std::wstring& password) = 0;
    // Sets the running backup's stop flag; safe from any thread.
    virtual void cancel() = 0;
    virtual void set_progress_target(HWND window, UINT message) = 0;
    // 1 registry item, 2 folder item (not the archive's item types).
    virtual int32_t get_kind() const = 0;
    // What the last backup left out because it was gone or unreadable when
    // its turn came (file paths, or key paths with the value name), however
    // that backup ended; empty when nothing was left out.
    const std::vector<std::wstring>& left_out() const { return leftOut_; }

protected:
    std::vector<std::wstring> leftOut_;
};

template <class Store>
class MFCStoreInitor {
public:
    void init_store(Store& store) const { store.progress.set_target(window_, message_); }

protected:
    HWND window_ = nullptr;
    UINT message_ = 0;
};

// Item texts are copied whole. A file path that does not fit the item's
// arrays cannot be opened anyway: it throws the reader's open failure.
FileItem to_file_item(const FileNode& node);
RegItem to_reg_item(const RegNode& node);
// Files others hold without read sharing are left out.
uint64_t sum_file_sizes(const std::vector<FileNode>& list);
// Values that cannot be read are left out.
uint64_t sum_reg_value_sizes(const std::vector<RegNode>& list);

template <class Node>
struct BackupSource;

template <>
struct BackupSource<FileNode> {
    using Tree = FileTree;
    using Store = FileDataStore;
    static constexpr int32_t kind = 2;
    static uint64_t sum_sizes(const std::vector<FileNode>& list) { return sum_file_sizes(list); }
    static void add_items(Store& store, const std::vector<FileNode>& list)
    {
        // Folder nodes too: their empty names make the reader skip them.
        for (const FileNode& node : list)
            store.add_item(to_file_item(node));
    }
};

template <>
struct BackupSource<RegNode> {
    using Tree = RegTree;
    using Store = RegDataStore;
    static constexpr int32_t kind = 1;
    static uint64_t sum_sizes(const std::vector<RegNode>& list) { return sum_reg_value_sizes(list); }
    static void add_items(Store& store, const std::vector<RegNode>& list)
    {
        // A key's default value comes as a value node with an empty name.
        for (const RegNode& node : list)
            if (!node.is_key())
                store.add_item(to_reg_item(node));
    }
};

template <class Node, template <class> class StoreInitor, class Builder, int Unused>
class BackupItemTmpl : public BackupItem, public StoreInitor<typename BackupSource<Node>::Store>, public Builder {
    using Source = BackupSource<Node>;

public:
    explicit BackupItemTmpl(int32_t id) : id_(id) {}

    std::wstring get_name() const override { return this->get_description(); }
    int32_t get_id() const override { return id_; }
    int32_t get_kind() const override { return Source::kind; }

    uint64_t get_size() const override
    {
        typename Source::Tree tree;
        tree.build(this->build_root());
        return Source::sum_sizes(tree.list());
    }

    uint64_t backup(const std::wstring& archivePath, std::atomic<bool>* stop, bool compress, bool encrypt,
                    const std::wstring& password) override
    {
        this->leftOut_.clear();
        typename Source::Tree tree;
        tree.build(this->build_root());
        typename Source::Store store(archivePath, compress, encrypt, password);
        store.stop.set_flag(stop);
        this->init_store(store);
        Source::add_items(store, tree.list());
        struct Running {
            std::atomic<std::atomic<bool>*>& flag;
            ~Running() { flag.store(nullptr); }
        } running{runningStop_};
        runningStop_.store(stop);
        try {
            const uint64_t stored = store.run();
            this->leftOut_ = store.left_out();
            return stored;
        } catch (...) {
            this->leftOut_ = store.left_out();
            throw;
        }
    }

    void cancel() override
    {
        if (std::atomic<bool>* flag = runningStop_.load())
            flag->store(true);
    }

    void set_progress_target(HWND window, UINT message) override
    {
        this->window_ = window;
        this->message_ = message;
    }

private:
    // The flag of the backup in progress, not its store: cancel may come
    // from another thread while the store goes away.
    std::atomic<std::atomic<bool>*> runningStop_{nullptr};
    int32_t id_;
};

using FolderBackupItem = BackupItemTmpl<FileNode, MFCStoreInitor, CustomFolderBuilder, 0>;
using RegistryBackupItem = BackupItemTmpl<RegNode, MFCStoreInitor, CustomRegistryBuilder, 0>;

// Exact, case-sensitive comparison of the item's name.
bool ItemNameEquals(const BackupItem* item, const std::wstring& text);
