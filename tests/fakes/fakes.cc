#include "tests/fakes/fakes.h"

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <system_error>

#include "runtime/text.h"

namespace fakes {

using runtime::RunTimeError;
namespace fs = std::filesystem;
namespace err = runtime::error_number;

int FakeDialogs::message_box(const std::wstring& prompt, int style, const std::wstring& title) {
    int answer = (style & 7) == runtime::msgbox::yes_no_cancel ? runtime::msgbox::answer_cancel
                                                               : runtime::msgbox::answer_ok;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    shown.push_back({prompt, style, title, answer});
    return answer;
}

// --- TempFolderFileSystem ---------------------------------------------------

namespace {

// Paths as UTF-8 bytes both ways, whatever the locale: names outside ASCII too.
std::wstring wide(const fs::path& path) { return runtime::from_utf8(path.string()); }

bool wildcard_match(std::wstring_view pattern, std::wstring_view name) {
    if (pattern.empty()) return name.empty();
    if (pattern[0] == L'*')
        return wildcard_match(pattern.substr(1), name) ||
               (!name.empty() && wildcard_match(pattern, name.substr(1)));
    if (name.empty()) return false;
    if (pattern[0] != L'?' && std::towlower(pattern[0]) != std::towlower(name[0])) return false;
    return wildcard_match(pattern.substr(1), name.substr(1));
}

}  // namespace

TempFolderFileSystem::TempFolderFileSystem() {
    static std::atomic<int> counter{0};
    root_ = fs::temp_directory_path() /
            ("patch-test-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "-" +
             std::to_string(counter++));
    fs::remove_all(root_);
    fs::create_directories(root_);
}

TempFolderFileSystem::~TempFolderFileSystem() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::wstring TempFolderFileSystem::root() const { return wide(root_); }

fs::path TempFolderFileSystem::host(const std::wstring& path) const {
    std::wstring p = path;
    if (fs::path::preferred_separator == L'/') std::replace(p.begin(), p.end(), L'\\', L'/');
    return fs::path(runtime::to_utf8(p)).lexically_normal();
}

void TempFolderFileSystem::set_attributes(const std::wstring& path, int attributes) {
    attributes_[host(path)] = attributes;
}

void TempFolderFileSystem::fail(const std::string& operation, const std::wstring& path, int number) {
    failures_[{operation, host(path)}] = number;
}

void TempFolderFileSystem::mend(const std::string& operation, const std::wstring& path) {
    failures_.erase({operation, host(path)});
}

void TempFolderFileSystem::cut_power_after(int operations) { changes_before_cut_ = operations; }

void TempFolderFileSystem::power_on() {
    changes_before_cut_.reset();
    power_off_ = false;
}

void TempFolderFileSystem::check(const std::string& operation, const std::wstring& path) {
    log.push_back(runtime::from_utf8(operation) + L" " + path);
    static const std::set<std::string> reads = {"dir",  "read_file", "folder_exists", "path_exists",
                                                "ensure_removable", "hold", "short_path"};
    if (!power_off_ && changes_before_cut_ && reads.count(operation) == 0 && (*changes_before_cut_)-- == 0) {
        power_off_ = true;
        lose_unflushed();
    }
    if (power_off_) throw RunTimeError(err::path_file_access, L"Corrente interrotta: " + path);
    const auto found = failures_.find({operation, host(path)});
    if (found != failures_.end())
        throw RunTimeError(found->second, L"Operazione non riuscita: " + path);
}

// What the disk never got reads back as zeros of the same length, as a file
// whose size was recorded but whose data was not.
void TempFolderFileSystem::lose_unflushed() {
    for (const fs::path& file : unflushed_) {
        std::error_code ec;
        const auto size = fs::file_size(file, ec);
        if (ec) continue;
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << std::string(static_cast<std::size_t>(size), '\0');
    }
    unflushed_.clear();
}

int TempFolderFileSystem::attributes_of(const fs::path& host_path) const {
    const auto found = attributes_.find(host_path.lexically_normal());
    int attributes = found == attributes_.end() ? 0 : found->second;
    if (fs::is_directory(host_path)) attributes |= runtime::attribute::directory;
    return attributes;
}

std::wstring TempFolderFileSystem::dir(const std::wstring& pattern, int attributes) {
    check("dir", pattern);
    const fs::path p = host(pattern);
    const std::wstring name_pattern = wide(p.filename());
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(p.parent_path(), ec)) {
        const std::wstring name = wide(entry.path().filename());
        if (!wildcard_match(name_pattern, name)) continue;
        const int have = attributes_of(entry.path());
        const int needs = have & (runtime::attribute::directory | runtime::attribute::hidden |
                                  runtime::attribute::system);
        if ((needs & ~attributes) == 0) return name;
    }
    return {};
}

void TempFolderFileSystem::copy_file(const std::wstring& from, const std::wstring& to) {
    check("copy_file", from);
    if (!fs::is_regular_file(host(from)))
        throw RunTimeError(err::file_not_found, L"File non trovato: " + from);
    check("copy_file_to", to);
    std::error_code ec;
    fs::copy_file(host(from), host(to), fs::copy_options::overwrite_existing, ec);
    if (ec) throw RunTimeError(err::path_not_found, L"Impossibile copiare il file in " + to);
}

void TempFolderFileSystem::delete_file(const std::wstring& path) {
    check("delete_file", path);
    if (!fs::is_regular_file(host(path)))
        throw RunTimeError(err::file_not_found, L"File non trovato: " + path);
    if (attributes_of(host(path)) & runtime::attribute::read_only)
        throw RunTimeError(err::permission_denied, L"Autorizzazione negata: " + path);
    fs::remove(host(path));
}

bool TempFolderFileSystem::folder_exists(const std::wstring& path) {
    check("folder_exists", path);
    return fs::is_directory(host(path));
}

bool TempFolderFileSystem::path_exists(const std::wstring& path) {
    check("path_exists", path);
    return fs::exists(host(path));
}

std::string TempFolderFileSystem::read_file(const std::wstring& path) {
    check("read_file", path);
    std::ifstream in(host(path), std::ios::binary);
    if (!in) throw RunTimeError(err::file_not_found, L"File non trovato: " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void TempFolderFileSystem::ensure_removable(const std::wstring& folder) {
    check("ensure_removable", folder);
    for (const auto& entry : fs::recursive_directory_iterator(host(folder)))
        if (attributes_of(entry.path()) & runtime::attribute::read_only)
            throw RunTimeError(err::permission_denied, L"Il file " + wide(entry.path()) + L" è di sola lettura");
}

void TempFolderFileSystem::remove_tree(const std::wstring& path) {
    check("remove_tree", path);
    fs::remove_all(host(path));
}

void TempFolderFileSystem::make_folder(const std::wstring& path) {
    check("make_folder", path);
    std::error_code ec;
    if (!fs::create_directory(host(path), ec))
        throw RunTimeError(err::path_file_access, L"Impossibile creare la cartella " + path);
}

bool TempFolderFileSystem::remove_empty_folder(const std::wstring& path) {
    check("remove_empty_folder", path);
    if (!fs::exists(host(path))) return true;
    if (!fs::is_empty(host(path))) return false;
    fs::remove(host(path));
    return true;
}

void TempFolderFileSystem::move(const std::wstring& from, const std::wstring& to) {
    check("move", from);
    std::error_code ec;
    if (fs::is_directory(host(to)) || (fs::rename(host(from), host(to), ec), ec))
        throw RunTimeError(err::path_file_access, L"Impossibile rinominare " + from + L" in " + to);
    // What is kept beside the files moves with them.
    const std::wstring old_prefix = wide(host(from)), new_prefix = wide(host(to));
    const auto renamed = [&](const fs::path& p) {
        const std::wstring s = wide(p);
        if (s != old_prefix && s.rfind(old_prefix + L"/", 0) != 0) return p;
        return fs::path(runtime::to_utf8(new_prefix + s.substr(old_prefix.size())));
    };
    std::map<fs::path, int> attributes;
    for (const auto& [p, a] : attributes_) attributes[renamed(p)] = a;
    attributes_ = attributes;
    std::set<fs::path> unflushed;
    for (const fs::path& p : unflushed_) unflushed.insert(renamed(p));
    unflushed_ = unflushed;
}

void TempFolderFileSystem::copy_exactly(const std::wstring& from, const std::wstring& to) {
    check("copy_exactly", to);
    std::error_code ec;
    if (fs::exists(host(to)) || !fs::copy_file(host(from), host(to), ec))
        throw RunTimeError(err::path_file_access, L"Impossibile copiare il file " + from + L" in " + to);
    fs::last_write_time(host(to), fs::last_write_time(host(from)));
    attributes_[host(to)] = attributes_of(host(from));
}

bool TempFolderFileSystem::flush_volume(const std::wstring& path) {
    check("flush_volume", path);
    if (volume_flushes) unflushed_.clear();
    return volume_flushes;
}

void TempFolderFileSystem::flush_file(const std::wstring& path) {
    check("flush_file", path);
    if (!fs::is_regular_file(host(path))) throw RunTimeError(err::file_not_found, L"File non trovato: " + path);
    unflushed_.erase(host(path));
}

std::wstring TempFolderFileSystem::short_path(const std::wstring& path) {
    check("short_path", path);
    const auto found = short_paths.find(path);
    return found == short_paths.end() ? std::wstring() : found->second;
}

void TempFolderFileSystem::write_bytes(const std::string& operation, const std::wstring& path,
                                       std::string_view bytes, std::ios::openmode mode) {
    const auto write = [&](std::string_view part) {
        std::ofstream out(host(path), std::ios::binary | mode);
        if (!out) throw RunTimeError(err::path_not_found, L"Percorso non trovato: " + path);
        out.write(part.data(), static_cast<std::streamsize>(part.size()));
    };
    const bool was_on = !power_off_;
    try {
        check(operation, path);
    } catch (const RunTimeError&) {
        if (was_on && power_off_) write(bytes.substr(0, bytes.size() / 2));  // cut short by the power cut
        throw;
    }
    if (attributes_of(host(path)) & runtime::attribute::read_only)
        throw RunTimeError(err::permission_denied, L"Autorizzazione negata: " + path);
    write(bytes);
}

void TempFolderFileSystem::append_file(const std::wstring& path, std::string_view bytes) {
    write_bytes("append_file", path, bytes, std::ios::app);
}

void TempFolderFileSystem::write_file(const std::wstring& path, std::string_view bytes) {
    write_bytes("write_file", path, bytes, std::ios::trunc);
}

void TempFolderFileSystem::create_file(const std::wstring& path, std::string_view bytes) {
    if (fs::exists(host(path))) throw RunTimeError(err::file_already_exists, L"File già esistente: " + path);
    write_bytes("create_file", path, bytes, std::ios::trunc);
}

bool TempFolderFileSystem::is_link(const std::wstring& path) { return links.count(path) != 0; }

namespace {

class FakeHeldFile : public runtime::FileSystem::HeldFile {
public:
    FakeHeldFile(TempFolderFileSystem& files, std::wstring path) : files_(files), path_(std::move(path)) {}
    std::string read() override { return files_.read_file(path_); }
    void rewrite(std::string_view bytes) override {
        const std::string before = files_.get(path_);
        try {
            files_.write_file(path_, bytes);
        } catch (const RunTimeError&) {
            // Cut short, the write leaves the old bytes after the part it got to.
            const std::string now = files_.get(path_);
            if (files_.power_was_cut() && now.size() < before.size()) files_.put(path_, now + before.substr(now.size()));
            throw;
        }
    }
    void remove() override { files_.delete_file(path_); }

private:
    TempFolderFileSystem& files_;
    std::wstring path_;
};

}  // namespace

std::unique_ptr<runtime::FileSystem::HeldFile> TempFolderFileSystem::create_held(const std::wstring& path,
                                                                                 std::string_view bytes) {
    unsigned n = 1;
    while (fs::exists(host(runtime::held_file_temporary(path, n)))) ++n;
    const std::wstring temporary = runtime::held_file_temporary(path, n);
    write_bytes("create_held", temporary, bytes, std::ios::trunc);
    if (fs::exists(host(path))) {
        fs::remove(host(temporary));
        return nullptr;
    }
    move(temporary, path);
    return hold(path);
}

std::unique_ptr<runtime::FileSystem::HeldFile> TempFolderFileSystem::hold(const std::wstring& path) {
    check("hold", path);
    if (held_by_another.count(path)) return nullptr;
    if (!fs::is_regular_file(host(path))) throw RunTimeError(err::file_not_found, L"File non trovato: " + path);
    return std::make_unique<FakeHeldFile>(*this, path);
}

void TempFolderFileSystem::put(const std::wstring& path, std::string_view bytes) {
    fs::create_directories(host(path).parent_path());
    std::ofstream out(host(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFolderFileSystem::get(const std::wstring& path) const {
    std::ifstream in(host(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void TempFolderFileSystem::put_unflushed(const std::wstring& path, std::string_view bytes) {
    put(path, bytes);
    unflushed_.insert(host(path));
}

bool TempFolderFileSystem::exists(const std::wstring& path) const { return fs::exists(host(path)); }

void TempFolderFileSystem::make_folders(const std::wstring& path) { fs::create_directories(host(path)); }

// --- FakeShell ----------------------------------------------------------------

namespace {

constexpr std::int32_t kFileNotFound = static_cast<std::int32_t>(0x80070002u);

class FakeShellLink : public runtime::ShellLink {
public:
    explicit FakeShellLink(FakeShell& shell) : shell_(shell) {}

    std::int32_t load(const std::wstring& shortcut, std::uint32_t) override {
        shell_.calls.push_back("load");
        const auto found = shell_.shortcuts.find(shortcut);
        if (found == shell_.shortcuts.end()) return kFileNotFound;
        loaded_ = &found->second;
        return status("load");
    }
    std::int32_t get_path(std::string& buffer, std::uint32_t) override {
        return text("get_path", loaded_->target, buffer);
    }
    std::int32_t get_working_directory(std::string& buffer) override {
        return text("get_working_directory", loaded_->working_folder, buffer);
    }
    std::int32_t get_arguments(std::string& buffer) override {
        return text("get_arguments", loaded_->arguments, buffer);
    }
    std::int32_t get_description(std::string& buffer) override {
        return text("get_description", loaded_->description, buffer);
    }
    std::int32_t get_hotkey(std::uint16_t& hotkey) override {
        shell_.calls.push_back("get_hotkey");
        hotkey = loaded_->hotkey;
        return status("get_hotkey");
    }
    std::int32_t get_icon_location(std::string& buffer, std::int32_t& index) override {
        const std::int32_t s = text("get_icon_location", loaded_->icon_file, buffer);
        if (s >= 0) index = loaded_->icon_index;
        return s;
    }
    std::int32_t get_id_list() override {
        shell_.calls.push_back("get_id_list");
        return status("get_id_list");
    }
    std::int32_t get_show_cmd(std::int32_t& show_cmd) override {
        shell_.calls.push_back("get_show_cmd");
        show_cmd = loaded_->show_cmd;
        return status("get_show_cmd");
    }

private:
    std::int32_t status(const std::string& operation) const {
        const auto found = loaded_->status.find(operation);
        return found == loaded_->status.end() ? 0 : found->second;
    }
    // Writes the value and a NUL at the start of the buffer, as the object does,
    // leaving the rest of the buffer as it was.
    std::int32_t text(const std::string& operation, const std::string& value, std::string& buffer) {
        shell_.calls.push_back(operation);
        const std::int32_t s = status(operation);
        if (s < 0 || buffer.empty()) return s;
        const std::size_t n = std::min(value.size(), buffer.size() - 1);
        buffer.replace(0, n, value.substr(0, n));
        buffer[n] = '\0';
        return s;
    }

    FakeShell& shell_;
    const FakeShortcut* loaded_ = nullptr;
};

}  // namespace

std::unique_ptr<runtime::ShellLink> FakeShell::create_shell_link() {
    if (creation_fails)
        throw RunTimeError(err::cannot_create_object, L"Impossibile creare l'oggetto collegamento della shell");
    ++links_created;
    return std::make_unique<FakeShellLink>(*this);
}

// --- FakeUnzipLibrary -----------------------------------------------------------

std::uint32_t FakeUnzipLibrary::uzp_version2(UzpVer2*) {
    if (bind_error) throw *bind_error;
    ++version_calls;
    return 0;
}

std::int32_t FakeUnzipLibrary::wiz_single_entry_unzip(std::int32_t, char**, std::int32_t, char**, DCL* options,
                                                       USERFUNCTIONS* callbacks) {
    if (bind_error) throw *bind_error;
    if (options->list_only) {
        ++list_calls;
        for (const std::string& name : listing)
            callbacks->message(0, 0, 0, 12, 1, 2026, 9, 0, name.ends_with('/') ? 'd' : ' ', name.c_str(), "Stored", 0,
                               ' ');
        return list_result;
    }
    ++unzip_calls;
    last_options = *options;
    last_archive = options->archive_name ? options->archive_name : "";
    last_folder = options->extract_folder ? options->extract_folder : "";
    if (!printed.empty()) callbacks->print(printed.c_str(), static_cast<std::uint32_t>(printed.size()));
    if (extract) extract();
    return result;
}

// --- FakeToolkitLibraries -----------------------------------------------------------

bool FakeToolkitLibraries::probe(const std::string& name) { return present.count(name) != 0; }

std::int32_t FakeToolkitLibraries::create_shell_link(const std::string& library, const std::string& group,
                                                     const std::string& name, const std::string& target,
                                                     const std::string& arguments) {
    calls.push_back({library, group, name, target, arguments});
    return result;
}

std::int32_t FakeToolkitLibraries::create_shell_link(const std::string& library, const std::string& group,
                                                     const std::string& name, const std::string& target,
                                                     const std::string& arguments, std::int32_t private_flag,
                                                     const std::string& parent) {
    calls.push_back({library, group, name, target, arguments, std::to_string(private_flag), parent});
    return result;
}

// --- FakeLog -----------------------------------------------------------------

bool FakeLog::has(const std::wstring& text) const {
    return std::any_of(events.begin(), events.end(),
                       [&](const std::wstring& event) { return event.find(text) != std::wstring::npos; });
}

}  // namespace fakes
