#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// Why an extraction failed, in words: what the result code means, then the
/// errors the library printed (an entry's name and what went wrong with it,
/// a full disk...), the first few of them.
std::wstring extraction_failure(std::int32_t result, const std::wstring& archive, const std::wstring& folder,
                                const std::optional<std::wstring>& messages);

/// The lines the library printed, without their surrounding spaces; empty
/// lines left out.
std::vector<std::wstring> printed_lines(const std::optional<std::wstring>& messages);
