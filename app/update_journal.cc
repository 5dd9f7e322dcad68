#include "app/update_journal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>

#include "app/update_paths.h"
#include "libs/codec/codec.h"
#include "libs/unzip32/temporary_name.h"
#include "runtime/text.h"

namespace catalogue_update {

namespace {

constexpr std::string_view kHeading = "Varenkor Catalogo, patch 7: aggiornamento in corso\r\n";
// Both states are as long, so that the commit rewrites a few bytes in place.
constexpr std::string_view kBegun = "begun    ";
constexpr std::string_view kCommitted = "committed";
// A journal lists what one archive writes beside the data folder; more than
// this is no journal of ours.
constexpr std::size_t kMostWritten = 1'000'000;

constexpr std::array<std::pair<Written::Kind, std::string_view>, 4> kKinds{{
    {Written::Kind::new_file, "new-file"},
    {Written::Kind::new_folder, "new-folder"},
    {Written::Kind::replaced, "replaced"},
    {Written::Kind::temporary, "temporary"},
}};

std::string field(std::string_view name, std::string_view value) {
    return std::string(name) + ": " + std::string(value) + "\r\n";
}

/// Takes the line "name: value" off the front of `bytes`.
std::optional<std::string_view> take_field(std::string_view& bytes, std::string_view name) {
    const std::string prefix = std::string(name) + ": ";
    const std::size_t end = bytes.find("\r\n");
    if (end == std::string_view::npos || bytes.substr(0, prefix.size()) != prefix) return std::nullopt;
    const std::string_view value = bytes.substr(prefix.size(), end - prefix.size());
    bytes.remove_prefix(end + 2);
    return value;
}

/// A decimal field, whole; false for anything else.
bool number(const std::optional<std::string_view>& text, std::size_t& value) {
    if (!text || text->empty()) return false;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    return error == std::errc() && end == text->data() + text->size();
}

/// FNV-1a, 64 bits: enough to tell a journal that was cut short or changed
/// from the one this program wrote.
std::string checksum(std::string_view state, std::string_view body) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::string_view part : {state, body})
        for (const char c : part) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

std::u16string utf16(std::wstring_view text) { return codec::from_utf8_or_replacement(codec::to_utf8(text)); }

bool numbered_or_empty(const std::wstring& name, std::wstring_view base) { return name.empty() || numbered(name, base); }

/// Whether `path` is the library's temporary file for a file this journal replaces.
bool temporary_of_a_replaced_file(const Journal& journal, const std::wstring& path) {
    const std::u16string leaf = utf16(leaf_of(path));
    for (const Written& w : journal.written) {
        if (w.kind != Written::Kind::replaced || !same_name(parent_of(w.path), parent_of(path))) continue;
        for (unsigned attempt = 1; attempt <= unzip32_temporary_attempts; ++attempt)
            if (unzip32_temporary_name(utf16(leaf_of(w.path)), attempt) == leaf) return true;
    }
    return false;
}

}  // namespace

// Paths are kept in UTF-8, so that a name outside the ANSI code page survives;
// the history follows as it was, byte for byte, after its length. The checksum
// covers the state and everything after it.
std::string Journal::serialize() const {
    std::string body = field("set aside", runtime::to_utf8(set_aside)) + field("copies", runtime::to_utf8(copies));
    if (!restore.empty()) body += field("restore", runtime::to_utf8(restore));
    body += field("archive", runtime::to_utf8(archive)) + field("written", std::to_string(written.size()));
    for (const Written& w : written) {
        const auto kind = std::find_if(kKinds.begin(), kKinds.end(), [&](const auto& k) { return k.first == w.kind; });
        body += std::string(kind->second) + " " + runtime::to_utf8(w.path) + "\r\n";
    }
    body += field("record", std::to_string(record.size())) + record;
    body += field("history", std::to_string(history.size())) + history;
    const std::string_view state = committed ? kCommitted : kBegun;
    return std::string(kHeading) + field("state", state) + field("checksum", checksum(state, body)) + body;
}

std::optional<Journal> Journal::parse(std::string_view bytes) {
    if (bytes.substr(0, kHeading.size()) != kHeading) return std::nullopt;
    bytes.remove_prefix(kHeading.size());
    const auto state = take_field(bytes, "state");
    const auto sum = take_field(bytes, "checksum");
    if (!state || (*state != kBegun && *state != kCommitted) || !sum || *sum != checksum(*state, bytes))
        return std::nullopt;

    Journal journal;
    journal.committed = *state == kCommitted;
    const auto set_aside = take_field(bytes, "set aside");
    const auto copies = take_field(bytes, "copies");
    const auto restore = take_field(bytes, "restore");  // not in journals of earlier releases
    const auto archive = take_field(bytes, "archive");
    std::size_t written = 0;
    if (!set_aside || !copies || !archive || !number(take_field(bytes, "written"), written) || written > kMostWritten)
        return std::nullopt;
    journal.set_aside = runtime::from_utf8(*set_aside);
    journal.copies = runtime::from_utf8(*copies);
    if (restore) journal.restore = runtime::from_utf8(*restore);
    journal.archive = runtime::from_utf8(*archive);
    for (std::size_t i = 0; i < written; ++i) {
        const std::size_t end = bytes.find("\r\n");
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view line = bytes.substr(0, end);
        const auto kind = std::find_if(kKinds.begin(), kKinds.end(), [&](const auto& k) {
            return line.size() > k.second.size() && line.substr(0, k.second.size()) == k.second &&
                   line[k.second.size()] == ' ';
        });
        if (kind == kKinds.end()) return std::nullopt;
        journal.written.push_back({kind->first, runtime::from_utf8(line.substr(kind->second.size() + 1))});
        bytes.remove_prefix(end + 2);
    }
    std::size_t record = 0, history = 0;
    if (!number(take_field(bytes, "record"), record) || record > bytes.size()) return std::nullopt;
    journal.record = std::string(bytes.substr(0, record));
    bytes.remove_prefix(record);
    if (!number(take_field(bytes, "history"), history) || history != bytes.size()) return std::nullopt;
    journal.history = std::string(bytes);
    return journal;
}

bool Journal::begins_like_one(std::string_view bytes) {
    const std::size_t common = std::min(bytes.size(), kHeading.size());
    return bytes.substr(0, common) == kHeading.substr(0, common);
}

bool Journal::well_formed() const {
    if (!numbered_or_empty(set_aside, kSetAside) || !numbered_or_empty(copies, kCopies) ||
        !numbered_or_empty(restore, kRestore))
        return false;
    bool replaces = false;
    for (const Written& w : written) {
        if (!beside_data(w.path)) return false;
        if (w.kind == Written::Kind::temporary && !temporary_of_a_replaced_file(*this, w.path)) return false;
        replaces = replaces || w.kind == Written::Kind::replaced;
    }
    return replaces == !copies.empty();
}

std::wstring copy_of(const Journal& journal, const std::wstring& replaced) {
    return journal.copies + L"\\file\\" + replaced;
}

}  // namespace catalogue_update
