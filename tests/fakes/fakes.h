#pragma once
// Test doubles of the platform interfaces: simple enough to trust, and they
// record what the logic asked of them so that tests assert on the records.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <ios>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "runtime/os.h"

namespace fakes {

/// One message box as the logic showed it.
struct ShownMessage {
    std::wstring prompt;
    int style = 0;
    std::wstring title;
    int answer = 0;
};

/// Answers message boxes from a queue (OK, or Cancel for a Yes/No/Cancel box,
/// when the queue is empty) and records each one.
class FakeDialogs : public runtime::Dialogs {
public:
    int message_box(const std::wstring& prompt, int style, const std::wstring& title) override;
    std::deque<int> answers;
    std::vector<ShownMessage> shown;
};

class FakeEventPump : public runtime::EventPump {
public:
    void do_events() override { ++calls; }
    int calls = 0;
};

class FakeClock : public runtime::Clock {
public:
    std::wstring short_date_today() override { return today; }
    std::wstring today = L"07/12/2026";
};

/// Files and folders in a real temporary folder. Paths the logic builds with
/// backslashes are mapped to the host's separator. Attributes that the host
/// cannot hold (hidden, system, read-only for root) are kept beside the files,
/// and any operation on a path can be made to fail (fault injection).
class TempFolderFileSystem : public runtime::FileSystem {
public:
    TempFolderFileSystem();
    ~TempFolderFileSystem() override;

    /// The temporary folder, as the logic would spell it.
    std::wstring root() const;
    /// A host path for a logic path.
    std::filesystem::path host(const std::wstring& path) const;

    void set_attributes(const std::wstring& path, int attributes);
    /// Makes the named operation ("copy_file", "delete_file", "remove_tree",
    /// "read_file", "append_file", "write_file", "dir", "move", ...) fail on
    /// `path` with the run-time error `number`.
    void fail(const std::string& operation, const std::wstring& path, int number = 70);
    /// Lets that operation succeed again.
    void mend(const std::string& operation, const std::wstring& path);
    /// A power cut after `operations` more changes: the next change fails
    /// half done (a write keeps the first half of its bytes), every file
    /// written without a flush reads back as zeros, and every operation
    /// fails until power_on().
    void cut_power_after(int operations);
    void power_on();
    bool power_was_cut() const { return power_off_; }

    std::wstring dir(const std::wstring& pattern, int attributes) override;
    void copy_file(const std::wstring& from, const std::wstring& to) override;
    void delete_file(const std::wstring& path) override;
    bool folder_exists(const std::wstring& path) override;
    bool path_exists(const std::wstring& path) override;
    void ensure_removable(const std::wstring& folder) override;
    void remove_tree(const std::wstring& path) override;
    void make_folder(const std::wstring& path) override;
    bool remove_empty_folder(const std::wstring& path) override;
    void move(const std::wstring& from, const std::wstring& to) override;
    void copy_exactly(const std::wstring& from, const std::wstring& to) override;
    bool flush_volume(const std::wstring& path) override;
    void flush_file(const std::wstring& path) override;
    std::wstring short_path(const std::wstring& path) override;
    std::string read_file(const std::wstring& path) override;
    void append_file(const std::wstring& path, std::string_view bytes) override;
    void create_file(const std::wstring& path, std::string_view bytes) override;
    bool is_link(const std::wstring& path) override;
    std::unique_ptr<HeldFile> create_held(const std::wstring& path, std::string_view bytes) override;
    std::unique_ptr<HeldFile> hold(const std::wstring& path) override;

    /// Every operation in order, as "operation path".
    std::vector<std::wstring> log;

    /// Whether the volume can be flushed whole (an administrator's run).
    bool volume_flushes = true;
    /// Short forms by path, for short_path.
    std::map<std::wstring, std::wstring> short_paths;
    /// Files that another program holds open.
    std::set<std::wstring> held_by_another;
    /// Paths that are links to elsewhere.
    std::set<std::wstring> links;

    // Helpers for tests.
    /// Writes a file in place, flushed: what a held file's rewrite does.
    void write_file(const std::wstring& path, std::string_view bytes);
    void put(const std::wstring& path, std::string_view bytes);
    /// Writes as a program does that does not flush: a power cut loses it.
    void put_unflushed(const std::wstring& path, std::string_view bytes);
    std::string get(const std::wstring& path) const;
    bool exists(const std::wstring& path) const;
    void make_folders(const std::wstring& path);

private:
    void check(const std::string& operation, const std::wstring& path);
    void write_bytes(const std::string& operation, const std::wstring& path, std::string_view bytes,
                     std::ios::openmode mode);
    int attributes_of(const std::filesystem::path& host_path) const;
    void lose_unflushed();
    std::filesystem::path root_;
    std::set<std::filesystem::path> unflushed_;
    std::optional<int> changes_before_cut_;
    bool power_off_ = false;
    std::map<std::filesystem::path, int> attributes_;
    std::map<std::pair<std::string, std::filesystem::path>, int> failures_;
};

/// A scripted shell link object: the values a loaded shortcut holds, and the
/// status each operation answers.
struct FakeShortcut {
    std::string target, working_folder, arguments, description, icon_file;
    std::int32_t icon_index = 0, show_cmd = 1;
    std::uint16_t hotkey = 0;
    /// Status per operation name ("load", "get_path", ...); absent means S_OK.
    std::map<std::string, std::int32_t> status;
};

class FakeShell : public runtime::Shell {
public:
    std::wstring windows_folder() override { return windows; }
    std::wstring application_folder() override { return application; }
    std::wstring programs_folder() override { return programs; }
    std::wstring all_users_programs_folder() override { return all_users_programs; }
    std::vector<std::wstring> profile_programs_folders() override { return profiles_programs; }
    std::unique_ptr<runtime::ShellLink> create_shell_link() override;

    std::wstring windows = L"C:\\windows";
    std::wstring application = L"D:\\delivery";
    std::wstring programs = L"C:\\users\\u\\Start Menu\\Programs";
    /// None unless a test gives one: the look-up then finds nothing there.
    std::wstring all_users_programs;
    std::vector<std::wstring> profiles_programs;
    /// Shortcut files by path; a path not here fails to load (file not found).
    std::map<std::wstring, FakeShortcut> shortcuts;
    bool creation_fails = false;
    int links_created = 0;
    /// Every operation of every link, in order.
    std::vector<std::string> calls;
};

/// An unzip library that records its calls. Asked for a listing, it lists
/// `listing` and answers `list_result`; asked to extract, it prints
/// `printed`, runs `extract` (which stands for its writing) and answers `result`.
class FakeUnzipLibrary : public runtime::UnzipLibrary {
public:
    std::uint32_t uzp_version2(UzpVer2* version) override;
    std::int32_t wiz_single_entry_unzip(std::int32_t include_count, char** include_names,
                                         std::int32_t exclude_count, char** exclude_names, DCL* options,
                                         USERFUNCTIONS* callbacks) override;
    /// Entry names as the library passes them (ANSI); a trailing '/' marks a folder.
    std::vector<std::string> listing;
    std::int32_t list_result = 0;
    std::int32_t result = 0;
    std::string printed;
    std::function<void()> extract;
    /// When set, raised at the first call, as a library that cannot be bound.
    std::optional<runtime::RunTimeError> bind_error;
    int version_calls = 0, list_calls = 0, unzip_calls = 0;
    DCL last_options{};
    std::string last_archive, last_folder;
};

class FakeToolkitLibraries : public runtime::ToolkitLibraries {
public:
    bool probe(const std::string& name) override;
    std::int32_t create_shell_link(const std::string& library, const std::string& group,
                                   const std::string& name, const std::string& target,
                                   const std::string& arguments) override;
    std::int32_t create_shell_link(const std::string& library, const std::string& group,
                                   const std::string& name, const std::string& target,
                                   const std::string& arguments, std::int32_t private_flag,
                                   const std::string& parent) override;
    std::set<std::string> present;  // probe names that load
    std::int32_t result = 1;
    std::vector<std::vector<std::string>> calls;  // library first, then the arguments
};

/// A log that keeps its events in memory.
class FakeLog : public runtime::Log {
public:
    void event(const std::wstring& text) override { events.push_back(text); }
    /// Whether an event contains `text`.
    bool has(const std::wstring& text) const;
    std::vector<std::wstring> events;
};

/// All fakes together, with the runtime::Os that hands them to the logic.
struct FakeOs {
    FakeDialogs dialogs;
    FakeEventPump events;
    TempFolderFileSystem files;
    FakeShell shell;
    FakeClock clock;
    FakeUnzipLibrary unzip;
    FakeToolkitLibraries toolkits;
    FakeLog log;
    runtime::Os os{dialogs, events, files, shell, clock, unzip, toolkits, log};
};

}  // namespace fakes
