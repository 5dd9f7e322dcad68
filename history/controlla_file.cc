// The patch history check: patch.txt must exist and hold records, this patch
// must not be recorded yet, and the last recorded patch must be at least its
// predecessor. The record of this patch, with today's date, is appended
// apart, once the update has checked everything else and journaled it.
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "app/form1.h"
#include "history/history_reader.h"
#include "history/module2.h"
#include "runtime/numbers.h"
#include "runtime/text.h"

namespace {

using runtime::RunTimeError;

std::wstring predecessor_message(std::int16_t versione) {
    return L"Non puoi installare questa patch perché devi prima installare la patch n. " +
           std::to_wstring(versione - 1);
}

std::wstring already_installed_message(const Module2::voce_patch& voce) {
    return L"Hai già installato questa patch in data " + runtime::trim_spaces(voce.data);
}

[[noreturn]] void refuse(runtime::Dialogs& dialogs, const std::wstring& message, int exit_code) {
    dialogs.message_box(message, runtime::msgbox::ok_only | runtime::msgbox::information, runtime::kTitle);
    throw runtime::EndProgram{exit_code};
}

// Fills storico_patch with the records of the history text, letting the
// window handle its events once for every line read, empty ones included, so
// that a long history does not freeze it.
void read_records(std::string_view bytes, const std::wstring& file1, runtime::EventPump& events) {
    auto& storico = Module2::storico_patch;
    storico.clear();
    const std::wstring text = runtime::from_ansi(bytes);
    history::LineReader lines(text);
    std::int32_t count = 0;
    std::wstring_view line;
    while (lines.next(line)) {
        events.do_events();
        if (line.empty()) continue;
        if (count > std::numeric_limits<std::int16_t>::max())
            throw RunTimeError(runtime::error_number::overflow,
                               L"Overflow: il file " + file1 + L" contiene più di 32768 record");
        storico.push_back({static_cast<std::int16_t>(count), history::number_column(line),
                           history::date_column(line)});
        ++count;
    }
}

// The record's patch number; a number column that does not convert stops the
// run with its error, which then also says where the column was found.
std::int16_t patch_number(const Module2::voce_patch& voce, const std::wstring& file1) {
    try {
        return runtime::text_to_int16(runtime::trim_spaces(voce.numero));
    } catch (const RunTimeError& error) {
        throw RunTimeError(error.number(), error.description() + L" (record " +
                                               std::to_wstring(voce.indice + 1) + L" di " + file1 + L")");
    }
}

}  // namespace

void Form1::controlla_file(const std::wstring& file1, std::int16_t versione) {
    // Hidden and system files, and folders, do not count: the catalogue's own
    // history is an ordinary file.
    if (os_.files.dir(file1, runtime::attribute::normal).empty())
        refuse(os_.dialogs, predecessor_message(versione), runtime::exit_code::not_applicable);

    const std::string bytes = os_.files.read_file(file1);
    read_records(bytes, file1, os_.events);
    const auto& storico = Module2::storico_patch;

    // A history without records tells nothing: it goes, so that it cannot
    // mislead a later run.
    if (storico.empty()) {
        os_.dialogs.message_box(predecessor_message(versione),
                                runtime::msgbox::ok_only | runtime::msgbox::information, runtime::kTitle);
        os_.files.delete_file(file1);
        throw runtime::EndProgram{runtime::exit_code::not_applicable};
    }

    // The first record of this patch decides, and every record before it must
    // hold a number.
    for (const auto& voce : storico)
        if (patch_number(voce, file1) == versione)
            refuse(os_.dialogs, already_installed_message(voce), runtime::exit_code::already_installed);

    // Only the last record counts: it is the patch installed most recently.
    if (patch_number(storico.back(), file1) < versione - 1)
        refuse(os_.dialogs, predecessor_message(versione), runtime::exit_code::not_applicable);
}

std::string Form1::riga_della_patch(const std::wstring& file1, std::int16_t versione) {
    // Appended in one piece, so that a failure leaves the file as it was. A
    // last line without an end gets one first, or the new record would run on
    // from it.
    std::string record;
    if (history::needs_line_end_before_record(os_.files.read_file(file1))) record = "\r\n";
    return record + runtime::to_ansi(history::record_text(versione, os_.clock.short_date_today())) + "\r\n";
}
