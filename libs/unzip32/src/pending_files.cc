#include "pending_files.h"

#include <algorithm>

#include "file_system.h"
#include "libs/unzip32/temporary_name.h"

namespace uz {
namespace {

uint64_t key_of(const std::u16string& path) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char16_t c : same_file_key(path)) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

size_t leaf_start(const std::u16string& path) {
    const size_t separator = path.rfind(path_separator());
    return separator == std::u16string::npos ? 0 : separator + 1;
}

// The key of the family `path` belongs to, if it is a temporary name.
bool family_key(const std::u16string& path, uint64_t& key) {
    const size_t leaf = leaf_start(path);
    std::u16string family = temporary_family(std::u16string_view(path).substr(leaf));
    if (family.empty()) return false;
    key = key_of(path.substr(0, leaf) + family);
    return true;
}

}  // namespace

std::u16string temporary_family(std::u16string_view leaf) {
    static constexpr std::u16string_view kSuffix = u".uz-tmp";
    if (leaf.size() <= kSuffix.size() + 1 || leaf[0] != u'.') return {};
    const std::u16string_view suffix = leaf.substr(leaf.size() - kSuffix.size());
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    if (!std::equal(suffix.begin(), suffix.end(), kSuffix.begin(), [&](char16_t a, char16_t b) { return lower(a) == b; }))
        return {};
    std::u16string_view stem = leaf.substr(0, leaf.size() - kSuffix.size());
    // ".x.5.uz-tmp" is x's fifth name, or the first of "x.5": one family for both.
    for (;;) {
        const size_t dot = stem.rfind(u'.');
        if (dot == 0 || dot == std::u16string_view::npos || dot + 1 == stem.size()) break;
        const std::u16string_view number = stem.substr(dot + 1);
        if (!std::all_of(number.begin(), number.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) break;
        stem = stem.substr(0, dot);
    }
    return std::u16string(stem) + std::u16string(kSuffix);
}

WriteJob* PendingFiles::find(const std::u16string& path) const {
    if (jobs_.empty()) return nullptr;
    uint64_t keys[2] = {key_of(path)};
    const size_t count = family_key(path, keys[1]) ? 2 : 1;
    for (size_t i = 0; i < count; ++i)
        if (const auto found = jobs_.find(keys[i]); found != jobs_.end()) return found->second;
    return nullptr;
}

void PendingFiles::add(WriteJob& job, const std::u16string& target, bool replacing) {
    job.claim_count = 0;
    const auto claim = [&](uint64_t key) { jobs_.insert_or_assign(job.claims[job.claim_count++] = key, &job); };
    claim(key_of(target));
    if (uint64_t key; family_key(target, key)) claim(key);
    if (replacing) {
        const size_t leaf = leaf_start(target);
        uint64_t key = 0;
        if (family_key(target.substr(0, leaf) + unzip32_temporary_name(std::u16string_view(target).substr(leaf), 1), key))
            claim(key);
    }
}

void PendingFiles::remove(WriteJob& job) {
    for (unsigned i = 0; i < job.claim_count; ++i)
        if (const auto found = jobs_.find(job.claims[i]); found != jobs_.end() && found->second == &job)
            jobs_.erase(found);
    job.claim_count = 0;
}

}  // namespace uz
