#pragma once
// A backup item with only a name, an id and a kind, for code that handles items without backing them up.
#include "backup_item.h"

class FakeItem : public BackupItem {
public:
    FakeItem(std::wstring name, int32_t id, bool* destroyed = nullptr, int32_t kind = 2)
        : name_(std::move(name)), id_(id), destroyed_(destroyed), kind_(kind)
    {
    }
    ~FakeItem() override
    {
        if (destroyed_)
            *destroyed_ = true;
    }
    std::wstring get_name() const override { return name_; }
    int32_t get_id() const override { return id_; }
    uint64_t get_size() const override { return 0; }
    uint64_t backup(const std::wstring&, std::atomic<bool>*, bool, bool, const std::wstring&) override { return 0; }
    void cancel() override {}
    void set_progress_target(HWND, UINT) override {}
    int32_t get_kind() const override { return kind_; }

    void rename(std::wstring name) { name_ = std::move(name); }

private:
    std::wstring name_;
    int32_t id_;
    bool* destroyed_;
    int32_t kind_;
};
