#pragma once
// The installer's form: the activation sequence and the methods the form holds,
// each defined in the folder of its subsystem.
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/os.h"

class Form1 {
public:
    /// `installation_folder`: the folder given with /dir, which takes the
    /// place of the catalogue's Start-menu shortcut.
    explicit Form1(runtime::Os& os, std::optional<std::wstring> installation_folder = std::nullopt)
        : os_(os), installation_folder_(std::move(installation_folder)) {}

    /// The whole patch run, once, on the first activation. Ends the program
    /// (runtime::EndProgram) on every path; run-time errors pass to the caller.
    void Form_Activate();

    /// Turns the padded working folder into the installation folder and updates
    /// the catalogue there.
    void correzione_path(const std::wstring& Path);

    /// Checks the patch history file for patch `versione`; refusals show
    /// their message and end the program.
    void controlla_file(const std::wstring& file1, std::int16_t versione);

    /// The bytes to append to the history file that controlla_file accepted
    /// to record patch `versione` with today's date.
    std::string riga_della_patch(const std::wstring& file1, std::int16_t versione);

    /// Creates a program-group shortcut through a setup-toolkit library.
    bool crea_collegamento(std::int32_t toolkit, std::wstring group, std::wstring name,
                           std::wstring target);

private:
    runtime::Os& os_;
    std::optional<std::wstring> installation_folder_;
};
