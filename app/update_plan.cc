#include "app/update_plan.h"

#include <algorithm>
#include <map>

#include "app/update_failed.h"
#include "app/update_paths.h"
#include "libs/codec/codec.h"
#include "libs/unzip32/temporary_name.h"
#include "runtime/text.h"
#include "unzip/listing_line.h"

namespace catalogue_update {

namespace {

constexpr int kAnyEntry = runtime::attribute::hidden | runtime::attribute::system | runtime::attribute::directory;
constexpr unsigned kMostNumbers = 9999;

std::wstring below(const std::wstring& folder, const std::wstring& path) { return folder + L"\\" + path; }

std::wstring in_parent(const std::wstring& parent, const std::wstring& name) {
    return parent.empty() ? name : parent + L"\\" + name;
}

/// The library's temporary file for replacing `path`, when one of its names is free.
std::optional<std::wstring> free_temporary(runtime::FileSystem& files, const std::wstring& folder,
                                           const std::wstring& path) {
    const std::u16string leaf = codec::from_utf8_or_replacement(codec::to_utf8(leaf_of(path)));
    for (unsigned attempt = 1; attempt <= unzip32_temporary_attempts; ++attempt) {
        const std::wstring name = runtime::from_utf8(codec::to_utf8(unzip32_temporary_name(leaf, attempt)));
        const std::wstring temporary = in_parent(parent_of(path), name);
        if (!files.path_exists(below(folder, temporary))) return temporary;
    }
    return std::nullopt;
}

}  // namespace

std::wstring on_disk(runtime::FileSystem& files, const std::wstring& folder, const std::wstring& path) {
    if (path.empty()) return path;
    std::wstring spelled;
    bool exists = true;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        std::wstring name = path.substr(start, end - start);
        if (exists) {
            const std::wstring found = files.dir(below(folder, in_parent(spelled, name)), kAnyEntry);
            exists = !found.empty();
            if (exists) name = found;
        }
        spelled = in_parent(spelled, name);
        start = end + 1;
    }
    return spelled;
}

std::wstring free_name(runtime::FileSystem& files, const std::wstring& folder, std::wstring_view base) {
    for (unsigned n = 1; n <= kMostNumbers; ++n) {
        const std::wstring name = std::wstring(base) + (n == 1 ? L"" : L"." + std::to_wstring(n));
        if (!files.path_exists(below(folder, name))) return name;
    }
    throw UpdateFailed{L"Nella cartella " + folder + L" non c'è un nome libero per " + std::wstring(base) + L"."};
}

Plan plan_update(runtime::FileSystem& files, const std::wstring& folder, const std::wstring& archive,
                 const std::vector<zip::ListedEntry>& entries) {
    Plan plan;
    // Each path once, as Windows compares names, spelled as on the disk.
    std::map<std::wstring, std::wstring> spelled;
    bool has_data = false;
    for (const zip::ListedEntry& entry : entries) {
        const auto components = entry_components(entry.name);
        if (!components)
            throw UpdateFailed{L"L'archivio " + archive + L" contiene il nome " + entry.name +
                               (names_a_device(entry.name)
                                    ? L", che in Windows è il nome di un dispositivo, non di un file."
                                    : L", che non indica un file dentro la cartella del catalogo.")};
        if (components->empty()) continue;
        const std::wstring path = join(*components, components->size());
        // A name the library could not pass whole ('?' for a character outside
        // the ANSI code page, or cut at its bound) cannot be recorded.
        const bool recordable = entry.name.find(L'?') == std::wstring::npos && entry.name.size() < zip::kNameBound;
        if (same_name((*components)[0], kDataFolder) && (components->size() > 1 || entry.folder)) {
            has_data = true;
            if (!recordable) continue;
            plan.data.push_back(path);
            if (!entry.folder) plan.files.push_back(path);
            continue;
        }
        if (!recordable)
            throw UpdateFailed{L"L'archivio " + archive + L" contiene il file " + entry.name +
                               L", il cui nome non può essere registrato per un eventuale ripristino."};
        if (!beside_data(path))
            throw UpdateFailed{L"L'archivio " + archive + L" contiene " + path +
                               L", che l'installazione non può sostituire."};

        std::wstring parent;
        for (std::size_t n = 1; n <= components->size(); ++n) {
            const std::wstring key = folded(join(*components, n));
            if (const auto known = spelled.find(key); known != spelled.end()) {
                parent = known->second;
                continue;
            }
            const bool folder_entry = n < components->size() || entry.folder;
            const std::wstring& name = (*components)[n - 1];
            const std::wstring found = files.dir(below(folder, in_parent(parent, name)), kAnyEntry);
            const std::wstring spelling = in_parent(parent, found.empty() ? name : found);
            spelled[key] = spelling;
            parent = spelling;
            if (found.empty()) {
                plan.beside.push_back({folder_entry ? Written::Kind::new_folder : Written::Kind::new_file, spelling});
            } else if (!folder_entry && !files.folder_exists(below(folder, spelling))) {
                plan.beside.push_back({Written::Kind::replaced, spelling});
                if (const auto temporary = free_temporary(files, folder, spelling))
                    plan.beside.push_back({Written::Kind::temporary, *temporary});
            }
        }
        // Existing paths by what they are on the disk: a short name may be
        // another name of one of the update's own.
        if (!beside_data(parent))
            throw UpdateFailed{L"L'archivio " + archive + L" contiene " + path + L", cioè " + parent +
                               L", che l'installazione non può sostituire."};
        if (!entry.folder) plan.files.push_back(parent);
    }
    if (!has_data)
        throw UpdateFailed{L"L'archivio " + archive + L" non contiene la cartella " + std::wstring(kDataFolder) +
                           L" con i dati del catalogo."};

    const std::wstring data = below(folder, std::wstring(kDataFolder));
    // Setting a link aside, or deleting it, reaches on some systems what it
    // points to: data that is not the installation's.
    if (files.is_link(data))
        throw UpdateFailed{L"La cartella " + data +
                           L" è un collegamento a un'altra cartella: l'installazione non la sostituisce, per non "
                           L"toccare i dati a cui rimanda. Sostituire il collegamento con la cartella stessa, poi "
                           L"eseguire di nuovo l'installazione."};
    if (files.folder_exists(data)) plan.set_aside = free_name(files, folder, kSetAside);
    if (std::any_of(plan.beside.begin(), plan.beside.end(),
                    [](const Written& w) { return w.kind == Written::Kind::replaced; }))
        plan.copies = free_name(files, folder, kCopies);
    plan.restore = free_name(files, folder, kRestore);
    return plan;
}

}  // namespace catalogue_update
