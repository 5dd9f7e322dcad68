#include "app/update_journal.h"

#include <charconv>

#include "runtime/text.h"

namespace catalogue_update {

namespace {

constexpr std::string_view kHeading = "Varenkor Catalogo, patch 7: aggiornamento in corso\r\n";
constexpr std::string_view kBegun = "begun";
constexpr std::string_view kCommitted = "committed";

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

}  // namespace

// Paths are kept in UTF-8, so that a name outside the ANSI code page survives;
// the history follows as it was, byte for byte, after its length.
std::string Journal::serialize() const {
    return std::string(kHeading) + field("state", committed ? kCommitted : kBegun) +
           field("set aside", runtime::to_utf8(set_aside)) + field("archive", runtime::to_utf8(archive)) +
           field("history", std::to_string(history.size())) + history;
}

std::optional<Journal> Journal::parse(std::string_view bytes) {
    if (bytes.substr(0, kHeading.size()) != kHeading) return std::nullopt;
    bytes.remove_prefix(kHeading.size());
    const auto state = take_field(bytes, "state");
    const auto set_aside = take_field(bytes, "set aside");
    const auto archive = take_field(bytes, "archive");
    const auto length = take_field(bytes, "history");
    if (!state || !set_aside || !archive || !length || (*state != kBegun && *state != kCommitted))
        return std::nullopt;
    std::size_t size = 0;
    const auto [end, error] = std::from_chars(length->data(), length->data() + length->size(), size);
    if (error != std::errc() || end != length->data() + length->size() || size != bytes.size()) return std::nullopt;
    return Journal{*state == kCommitted, runtime::from_utf8(*set_aside), runtime::from_utf8(*archive),
                   std::string(bytes)};
}

}  // namespace catalogue_update
