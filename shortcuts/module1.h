#pragma once
// Finding the installed catalogue: the folder test and the shortcut reader.
#include <cstdint>
#include <string>

#include "runtime/file_system.h"
#include "runtime/shell.h"

namespace Module1 {

/// Whether `path` names an existing folder (or ordinary file) that is neither
/// hidden nor system; wildcards in it act as wildcards. False on any error.
bool esiste_cartella(runtime::FileSystem& files, const std::wstring& path);

/// Reads a shortcut's properties through the shell link object. Each text comes
/// back padded: the value, a NUL, then the spaces the 255-character buffer held.
/// False for an empty path (nothing created, nothing written), a shortcut that
/// cannot be loaded (nothing written) or a later failing operation (the values
/// read before it are written, the failing one holds 255 spaces). A shell link
/// object that cannot be created is a run-time error for the caller.
bool leggi_collegamento(runtime::Shell& shell, const std::wstring& shortcut, std::wstring& target,
                        std::wstring& working_folder, std::wstring& arguments, std::wstring& icon_file,
                        std::int32_t& icon_index, std::int32_t& show_cmd);

/// The shortcut's working folder, padded; the empty text when the reading
/// stopped before it.
std::wstring cartella_lavoro(runtime::Shell& shell, const std::wstring& shortcut);

}  // namespace Module1
