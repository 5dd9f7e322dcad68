#pragma once
// The texts the callbacks build from what the library hands them: single-byte
// buffers turned into text within a bound, and the fixed-width listing lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zip {

/// Bytes the callbacks examine at most in a buffer from the library.
inline constexpr std::size_t kPrintBound = 32001;
inline constexpr std::size_t kNameBound = 256;

/// Width of the header and of every listing line.
inline constexpr std::size_t kListingWidth = 80;

/// The bytes from the start of `bytes` up to the first NUL, or up to `bound`
/// when there is none before it, as text in the ANSI code page. Never reads
/// past the bound; a null pointer gives the empty text.
std::wstring collect(const char* bytes, std::size_t bound);

/// "Filename:", "Size", "Date" and "Time" over the columns of the listing lines.
std::wstring header_line();

/// The parameters of the message callback that the listing line shows, as the
/// library passes them: 32-bit slots, the date and time read from the low half.
struct ListingEntry {
    std::uint32_t uncompressed_size = 0;
    std::uint32_t month = 0;
    std::uint32_t day = 0;
    std::uint32_t year = 0;
    std::uint32_t hour = 0;
    std::uint32_t minute = 0;
};

/// The line of one archive entry: name in columns 1-50, size right-aligned in
/// 51-57, date day/month/year in 60-67, time hour:minute in 70-74.
std::wstring listing_line(std::wstring_view name, const ListingEntry& entry);

}  // namespace zip
