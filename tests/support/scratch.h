// Scratch folders for tests that leave their files behind for inspection.
#pragma once

#include <string>

// The temporary folder's `relative` subfolder (nested names allowed), emptied
// of what an earlier run left and created afresh.
std::wstring fresh_scratch_folder(const std::wstring& relative);
