// Tests of the whole window start from the mail client's default installation,
// laid in afresh, and from no saved profile.
#pragma once
#include <gtest/gtest.h>
#include "oe_fixture.h"
#include "regkey.h"

class DefaultInstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        inst = oe_fixture::Load(oe_fixture::DefaultFolder());
        oe_fixture::Remove(inst);
        oe_fixture::Install(inst);
        CRegKey key;
        if (key.Open(HKEY_CURRENT_USER, L"Software\\Brisvale 2.9e") == ERROR_SUCCESS)
            key.RecurseDeleteKey(L"Profiles");
    }
    void TearDown() override { oe_fixture::Remove(inst); }
    oe_fixture::Installation inst;
};
