#pragma once
// Puts the zip module's state back to its start values (every number 0, every
// text null, every record zero-filled), so that each test starts from a run's start.
#include "unzip/zip.h"

namespace zip_test {

inline void reset_zip_state() {
    zip::unzip_result = 0;
    zip::listed_files = 0;
    zip::listing_text.reset();
    zip::messages_text.reset();
    zip::include_names = {};
    zip::exclude_names = {};
    zip::line_break.reset();
    zip::unzip_options = {};
    zip::unzip_callbacks = {};
    zip::unzip_version = {};
}

/// The state the catalogue update step prepares before extracting.
inline void prepare_like_the_update_step() {
    reset_zip_state();
    zip::line_break = L"\r\n";
    zip::messages_text = L"";
    zip::listed_files = 0;
    zip::include_names[0].reset();
    zip::exclude_names[0].reset();
}

}  // namespace zip_test
