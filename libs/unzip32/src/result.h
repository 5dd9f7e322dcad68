#pragma once
// What the library's steps that can fail give back: a code, and for a failure
// the reason in words (ASCII, or UTF-8 where it is the system's own text). It
// cannot be dropped unread: a failure passed over would be a file the caller
// believes written.
#include <string>

namespace uz {

enum class Code {
    ok,
    not_zip,         // no end record: not an archive at all
    bad_archive,     // a damaged, hostile or spanned structure
    not_found,       // no such archive
    unreadable,      // the archive cannot be opened (a folder, no access)
    read_error,      // the archive could not be read
    file_error,      // the file system refused to create, write or rename
    bad_data,        // an entry's data: damaged, of the wrong size or CRC
    wrong_password,  // an encrypted entry's check byte refused the password
};

struct [[nodiscard]] Result {
    Code code = Code::ok;
    std::string detail;

    bool ok() const { return code == Code::ok; }
};

}  // namespace uz
