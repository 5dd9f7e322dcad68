#pragma once
// The Start menu as the tests see it: scratch program groups that are removed
// again, and shortcuts read back through the shell link object.
#include <optional>
#include <string>
#include <vector>

namespace toolkit_test {

/// The user's own Programs folder, or the one shared by all users.
std::wstring programs_folder(bool users_own);

/// A program group for one test, removed with all it holds from both Programs
/// folders when the test starts and again when it ends (the Wine prefix is
/// shared by every test).
class ScratchGroup {
public:
    explicit ScratchGroup(std::wstring name);
    ~ScratchGroup();
    ScratchGroup(const ScratchGroup&) = delete;
    ScratchGroup& operator=(const ScratchGroup&) = delete;

    const std::wstring& name() const { return name_; }
    std::wstring folder(bool users_own = true) const;

private:
    void remove() const;
    std::wstring name_;
};

/// Removes a folder and all it holds, read-only files included.
void remove_tree(const std::wstring& folder);

struct ShortcutContent {
    std::wstring target, arguments, working_folder;
};

/// The shortcut file read through IShellLinkW; nothing when it does not load.
std::optional<ShortcutContent> read_shortcut(const std::wstring& path);

bool is_file(const std::wstring& path);
bool is_folder(const std::wstring& path);
/// The names in a folder, sorted; empty for a folder that does not exist.
std::vector<std::wstring> folder_entries(const std::wstring& folder);

}  // namespace toolkit_test
