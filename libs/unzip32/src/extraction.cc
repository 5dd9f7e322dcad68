#include "extraction.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_set>
#include <utility>

#include "archive_reader.h"
#include "entry_decoder.h"
#include "entry_name.h"
#include "file_system.h"
#include "libs/codec/codec.h"
#include "libs/unzip32/temporary_name.h"
#include "pending_files.h"
#include "wildcard.h"
#include "worker_pool.h"
#include "write_job.h"

namespace uz {
namespace {

std::u16string widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Details are ASCII, or UTF-8 when they hold the system's own error text; a
// name as stored may be neither.
std::u16string detail_text(std::string_view detail) {
    auto text = codec::from_utf8(detail);
    return text ? *text : codec::from_windows_1252(detail);
}

// A control character in a name (a NUL above all) would cut the message short
// or break its line in the caller's hands: it is shown as ^@, ^A, ... ^?.
std::u16string escaped(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        if (c < 0x20 || c == 0x7F) {
            out += u'^';
            out += c == 0x7F ? u'?' : static_cast<char16_t>(c + 0x40);
        } else {
            out += c;
        }
    }
    return out;
}

uint32_t saturate(uint64_t value) { return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value); }

uint64_t add_saturating(uint64_t total, uint64_t more) { return more > UINT64_MAX - total ? UINT64_MAX : total + more; }

uint32_t percent_saved(uint64_t compressed, uint64_t uncompressed) {
    if (uncompressed == 0 || compressed >= uncompressed) return 0;
    const uint64_t saved = uncompressed - compressed;
    if (saved <= UINT64_MAX / 100) return static_cast<uint32_t>(saved * 100 / uncompressed);
    // Sizes near 2^64, in hundredths of the whole: short of all of it
    // whenever anything was stored.
    return compressed == 0 ? 100 : static_cast<uint32_t>(std::min<uint64_t>(saved / (uncompressed / 100), 99));
}

class NullSink final : public EntrySink {
public:
    Result write(const uint8_t*, size_t) override { return {}; }
};

enum class Overwrite { ask, all, none };

// An entry's messages reach the print callback just before the callbacks of
// the entry this many places after it (or at the end of the run), whichever
// thread wrote its file: the callbacks come in the same order on any machine,
// and the workers have that many files to overlap.
constexpr size_t kReportLag = 64;

std::u16string info_text(const std::u16string& text) { return escaped(text) + u"\r\n"; }

std::u16string failure_text(const std::u16string& name, std::string_view why) {
    return u"     error: " + escaped(name) + u"  (" + detail_text(why) + u")\r\n";
}

// What an entry has to tell: the messages of the decisions about it, then the
// outcome of its file's job, once that is done; `told` of them already were.
struct Slot {
    std::vector<std::pair<std::u16string, bool>> messages;  // text, whether it tells a problem
    std::unique_ptr<WriteJob> job;
    size_t told = 0;
};

class Extraction {
public:
    Extraction(InputSource& archive, const ExtractionRequest& request)
        : archive_(archive), request_(request), options_(request.options), callbacks_(request.callbacks),
          pool_(archive) {}

    int32_t run();

private:
    bool prepare_target();
    Result extract_all();
    void stop() noexcept;
    void process(const CentralEntry& entry);
    bool selected(const std::u16string& name) const;
    void list(const CentralEntry& entry, const std::u16string& name);
    void test(const CentralEntry& entry, const std::u16string& name, uint64_t data_start);
    void extract(const CentralEntry& entry, const std::u16string& name, const EntryPath& path, uint64_t data_start);
    bool ensure_folder(const std::u16string& folder, const std::u16string& shown);
    bool may_replace(const CentralEntry& entry, const PathInfo& existing, const std::u16string& shown);
    template <typename Attempt>
    Result with_password(const EntryData& data, const std::u16string& name, Attempt attempt);
    std::optional<std::string> ask_password(const std::u16string& name);
    EntryDecoder& decoder();
    int64_t entry_time(const CentralEntry& entry);
    void start(std::unique_ptr<WriteJob> job, const std::u16string& target, const std::u16string& name);
    void open_slot();
    void report_front();
    void report_all() {
        while (!slots_.empty()) report_front();
    }
    void tell_slot(Slot& slot);
    void await_writing(const std::u16string& path);

    // Said about the entry in hand, told in its turn.
    void tell(std::u16string text, bool problem) { slots_.back().messages.emplace_back(std::move(text), problem); }
    void info(const std::u16string& text) { tell(info_text(text), false); }
    void fail(const std::u16string& name, std::string_view why) {
        ++failures_;
        tell(failure_text(name, why), true);
    }

    InputSource& archive_;
    ReadAhead headers_{archive_};  // local headers, read on this thread
    const ExtractionRequest& request_;
    const DCL& options_;
    USERFUNCTIONS* callbacks_;
    ArchiveLayout layout_;
    std::unique_ptr<EntryDecoder> decoder_;  // this thread's, made when first needed
    std::u16string target_;
    std::unordered_set<std::u16string> known_folders_;
    std::vector<std::pair<std::u16string, int64_t>> folder_times_;
    Overwrite overwrite_ = Overwrite::ask;
    std::optional<std::string> password_;
    uint32_t time_hour_ = UINT32_MAX;  // the DOS date and hour last converted, and its start
    int64_t time_hour_start_ = 0;
    uint64_t failures_ = 0;
    uint64_t members_ = 0;
    uint64_t total_compressed_ = 0;
    uint64_t total_uncompressed_ = 0;
    bool aborted_ = false;
    std::deque<Slot> slots_;  // entries not yet reported, in archive order
    PendingFiles pending_;    // what the workers may be making
    WorkerPool pool_;         // last: stopped before anything its jobs use goes
};

bool Extraction::selected(const std::u16string& name) const {
    const bool ignore_case = options_.case_insensitive != 0;
    std::u16string bare = name;  // a folder entry matches with or without its slash
    if (!bare.empty() && bare.back() == u'/') bare.pop_back();
    const auto matches = [&](const std::u16string& pattern) {
        return wildcard_match(pattern, name, ignore_case) || wildcard_match(pattern, bare, ignore_case);
    };
    if (!request_.include.empty() && std::none_of(request_.include.begin(), request_.include.end(), matches))
        return false;
    return std::none_of(request_.exclude.begin(), request_.exclude.end(), matches);
}

int64_t Extraction::entry_time(const CentralEntry& entry) {
    if (entry.unix_mtime) return *entry.unix_mtime;
    // Local time needs the zone, which the system reads anew on each call:
    // once per date and hour will do, as zones change offset on the hour.
    // Fields out of range go to the system, which knows what to make of them.
    const unsigned hour = entry.dos_time >> 11, minute = (entry.dos_time >> 5) & 63, second = (entry.dos_time & 31) * 2;
    if (hour > 23 || minute > 59 || second > 59) return dos_time_to_unix(entry.dos_date, entry.dos_time);
    const uint32_t key = static_cast<uint32_t>(entry.dos_date) << 5 | hour;
    if (key != time_hour_) {
        time_hour_start_ = dos_time_to_unix(entry.dos_date, static_cast<uint16_t>(hour << 11));
        time_hour_ = key;
    }
    return time_hour_start_ + minute * 60 + second;
}

bool Extraction::prepare_target() {
    const char16_t separator = path_separator();
    target_ = request_.target_folder.empty() ? u"." : request_.target_folder;
    for (auto& c : target_)
        if (c == u'/' || c == u'\\') c = separator;
    while (target_.size() > 1 && target_.back() == separator && target_[target_.size() - 2] != u':') target_.pop_back();
    if (options_.list_only || options_.test_only) return true;
    // Create the folder with its parents; the prefixes that already exist (or
    // cannot be folders, like a drive or a share) are simply passed over.
    for (size_t at = target_.find(separator, 1); at != std::u16string::npos; at = target_.find(separator, at + 1))
        static_cast<void>(make_directory(target_.substr(0, at)));
    if (Result made = make_directory(target_); !made.ok()) {
        print_message(request_,
                      u"error: cannot create the folder " + target_ + u" (" + detail_text(made.detail) + u")\r\n", true);
        return false;
    }
    known_folders_.insert(target_);
    return true;
}

int32_t Extraction::run() {
    if (callbacks_) {
        callbacks_->total_size_compressed = callbacks_->total_size = callbacks_->compression_factor = 0;
        callbacks_->number_of_members = 0;
        callbacks_->comment_length = 0;
    }
    Result checked = locate_directory(archive_, layout_);
    if (checked.ok()) checked = check_no_overlap(headers_, layout_);
    if (!checked.ok()) {
        report_archive_error(request_, checked);
        return UZP_BAD_ARCHIVE;
    }
    if (!prepare_target()) return UZP_TARGET_FOLDER;

    try {
        if (Result read = extract_all(); !read.ok()) {
            report_archive_error(request_, read);
            return UZP_BAD_ARCHIVE;
        }
    } catch (...) {
        stop();
        throw;
    }
    for (const auto& [folder, time] : folder_times_) set_directory_time(folder, time);

    if (callbacks_) {
        callbacks_->total_size_compressed = saturate(total_compressed_);
        callbacks_->total_size = saturate(total_uncompressed_);
        callbacks_->compression_factor = percent_saved(total_compressed_, total_uncompressed_);
        callbacks_->number_of_members = saturate(members_);
        callbacks_->comment_length = layout_.comment_length;
        if (callbacks_->sound) callbacks_->sound();
    }
    if (aborted_) return UZP_ABORTED;
    if (failures_ > 0) {
        print_message(request_, u"caution: " + widen(std::to_string(failures_)) + u" entries failed\r\n", true);
        return UZP_ENTRY_ERRORS;
    }
    if (!request_.include.empty() && members_ == 0) {
        print_message(request_, u"caution: no entry matched the names asked for\r\n", true);
        return UZP_NO_MATCH;
    }
    return UZP_OK;
}

// Reads every entry and reports them all; a read error of the directory (it
// cannot fail otherwise, the overlap pass having read the same bytes) ends it.
Result Extraction::extract_all() {
    DirectoryReader reader(archive_, layout_);
    CentralEntry entry;
    for (uint64_t i = 0; i < layout_.entry_count && !aborted_; ++i) {
        if (Result read = reader.next(entry); !read.ok()) {
            report_all();
            return read;
        }
        process(entry);
    }
    report_all();
    return {};
}

// Something was thrown (out of memory, on this thread or a worker's): the
// files on disk become those of a sequential run stopped at the entry that
// failed. The jobs before it finish and are reported; the new files of those
// after it go (a replacement after it was never put in place).
void Extraction::stop() noexcept {
    const WriteJob* const failed = pool_.finish();
    bool past = false;
    for (Slot& slot : slots_) {
        past = past || (slot.job && slot.job.get() == failed);
        if (!past) {
            try {
                tell_slot(slot);
            } catch (...) {
                // Memory may still be short: what can be told is.
            }
        } else if (slot.job && slot.job->done) {
            slot.job->file.remove_new_file();
        }
    }
}

void Extraction::process(const CentralEntry& entry) {
    std::u16string name;
    bool bad_utf8 = false;
    if (auto unicode = entry.unicode_path ? codec::from_utf8(*entry.unicode_path) : std::nullopt) {
        name = *unicode;
    } else if (auto decoded = entry.utf8_name() ? codec::from_utf8(entry.raw_name) : std::nullopt) {
        name = *decoded;
    } else {
        // A name flagged UTF-8 that is not fails, but only once selected: it is
        // matched as code page 437, the name a DOS tool would show.
        bad_utf8 = entry.utf8_name();
        name = codec::from_cp437(entry.raw_name);
    }
    name = normalized_name(name);
    if (entry.has_directory_attribute() && !name.empty() && name.back() != u'/') name += u'/';
    if (!selected(name)) return;
    ++members_;
    open_slot();
    if (bad_utf8) return fail(name, "name flagged UTF-8 is not valid UTF-8");
    total_compressed_ = add_saturating(total_compressed_, entry.compressed_size);
    total_uncompressed_ = add_saturating(total_uncompressed_, entry.uncompressed_size);

    if (options_.list_only) return list(entry, name);

    if (callbacks_ && callbacks_->service) {
        const std::string shown = codec::to_ansi(name);
        pool_.wake();  // the caller may keep this thread a while
        if (callbacks_->service(shown.c_str(), saturate(entry.uncompressed_size)) != 0) {
            tell(u"extraction stopped at " + escaped(name) + u"\r\n", true);
            aborted_ = true;
            return;
        }
    }
    EntryPath path;
    if (const NameProblem problem = parse_entry_name(name, path); problem != NameProblem::none)
        return fail(name, std::string("refused name: ") + describe(problem));
    if (entry.is_link()) return fail(name, "refused: link entry");
    if (entry.strong_encryption()) return fail(name, "strong encryption is not supported");
    if (!method_supported(entry))
        return fail(name, std::string("unsupported compression method: ") + method_name(entry) + " (" +
                              std::to_string(entry.method) + ")");
    uint64_t data_start = 0;
    if (Result located = locate_data(headers_, layout_, entry, data_start); !located.ok())
        return fail(name, located.detail);
    if (options_.test_only) return test(entry, name, data_start);
    extract(entry, name, path, data_start);
}

void Extraction::list(const CentralEntry& entry, const std::u16string& name) {
    if (!callbacks_ || !callbacks_->message) return;
    std::time_t time = static_cast<std::time_t>(entry_time(entry));
    std::tm parts{};
#if defined(_WIN32)
    localtime_s(&parts, &time);
#else
    localtime_r(&time, &parts);
#endif
    const std::string shown = codec::to_ansi(name);
    const bool folder = !name.empty() && name.back() == u'/';
    callbacks_->message(saturate(entry.uncompressed_size), saturate(entry.compressed_size),
                        percent_saved(entry.compressed_size, entry.uncompressed_size),
                        static_cast<uint32_t>(parts.tm_mon + 1), static_cast<uint32_t>(parts.tm_mday),
                        static_cast<uint32_t>(parts.tm_year + 1900), static_cast<uint32_t>(parts.tm_hour),
                        static_cast<uint32_t>(parts.tm_min), folder ? 'd' : ' ', shown.c_str(), method_name(entry),
                        entry.crc32, entry.encrypted() ? 'E' : ' ');
}

EntryDecoder& Extraction::decoder() {
    if (!decoder_) decoder_ = std::make_unique<EntryDecoder>();
    return *decoder_;
}

void Extraction::test(const CentralEntry& entry, const std::u16string& name, uint64_t data_start) {
    if (name.back() == u'/' && entry.uncompressed_size == 0) return;
    NullSink sink;
    const EntryData data = EntryData::of(entry, data_start);
    const auto decode = [&](const std::string& password) { return decoder().decode(archive_, data, password, sink); };
    if (Result decoded = data.encrypted() ? with_password(data, name, decode) : decode({}); !decoded.ok())
        return fail(name, decoded.detail);
    info(u"    testing: " + name + u"   OK");
}

std::optional<std::string> Extraction::ask_password(const std::u16string& name) {
    if (!callbacks_ || !callbacks_->password) return std::nullopt;
    char buffer[256] = {};
    const std::string shown = codec::to_ansi(name);
    pool_.wake();  // the caller may keep this thread a while
    if (callbacks_->password(buffer, sizeof buffer, "Enter password for: ", shown.c_str()) != 0) return std::nullopt;
    buffer[sizeof buffer - 1] = '\0';
    if (buffer[0] == '\0') return std::nullopt;
    return std::string(buffer);
}

// Finds the password of an encrypted entry before anything is written: the
// one that worked last, else the callback's answer, each checked against the
// entry's check byte; then `attempt(password)` decodes. One wrong password in
// 256 passes the check byte: when the remembered one did and the data came out
// wrong (its output gone), the callback is asked too.
template <typename Attempt>
Result Extraction::with_password(const EntryData& data, const std::u16string& name, Attempt attempt) {
    Result first = wrong_password();
    if (password_) {
        if (Result checked = check_password(archive_, data, *password_); checked.ok()) {
            first = attempt(*password_);
            if (first.code != Code::bad_data) return first;
        } else if (checked.code != Code::wrong_password) {
            return checked;
        }
    }
    std::optional<std::string> answer = ask_password(name);
    if (!answer) return first;
    if (Result checked = check_password(archive_, data, *answer); !checked.ok()) return checked;
    password_ = std::move(answer);
    return attempt(*password_);
}

void Extraction::open_slot() {
    // Listing and testing write nothing: their messages go at once.
    const size_t lag = options_.list_only || options_.test_only ? 1 : kReportLag;
    while (slots_.size() >= lag) report_front();
    slots_.emplace_back();
}

void Extraction::report_front() {
    Slot& slot = slots_.front();
    // Half the lag: a wait for room is then one for many entries.
    if (slot.job) pool_.wait(*slot.job, kReportLag / 2);
    tell_slot(slot);
    slots_.pop_front();
}

// Tells what is left to tell of an entry whose job, if any, is done.
void Extraction::tell_slot(Slot& slot) {
    for (; slot.told < slot.messages.size(); ++slot.told)
        print_message(request_, slot.messages[slot.told].first, slot.messages[slot.told].second);
    WriteJob* const job = slot.job.get();
    if (!job || !job->done || slot.told > slot.messages.size()) return;
    pending_.remove(*job);
    if (job->outcome.ok()) {
        const std::u16string verb = job->data.method == 0 ? u" extracting: " : u"  inflating: ";
        if (will_print(request_, false))
            print_message(request_, info_text(verb + job->file.shown_path(job->shown_from)), false);
    } else {
        ++failures_;
        print_message(request_, failure_text(detail_text(job->name), job->outcome.detail), true);
    }
    ++slot.told;
}

// A later entry at the same place (or inside it, or at a temporary file's
// name) must find the earlier file where the archive order puts it.
void Extraction::await_writing(const std::u16string& path) {
    while (WriteJob* job = pending_.find(path)) {
        pool_.wait(*job);
        pending_.remove(*job);
    }
}

void Extraction::start(std::unique_ptr<WriteJob> job, const std::u16string& target, const std::u16string& name) {
    WriteJob& started = *job;
    slots_.back().job = std::move(job);
    // A password is asked for in its turn, on this thread: encrypted entries are decoded here.
    if (!started.data.encrypted() && pool_.submit(started)) {
        pending_.add(started, target, started.file.replacing());
        return;
    }
    // A replacement goes in place once every file before it is.
    const auto earlier_done = [&] {
        pool_.wait_all();
        return true;
    };
    if (!started.data.encrypted()) {
        started.run([&](EntrySink& sink) { return decoder().decode(archive_, started.data, {}, sink); }, earlier_done);
    } else {
        started.outcome = with_password(started.data, name, [&](const std::string& password) {
            started.run([&](EntrySink& sink) { return decoder().decode(archive_, started.data, password, sink); },
                        earlier_done);
            return started.outcome;
        });
    }
    started.done = true;
}

bool Extraction::ensure_folder(const std::u16string& folder, const std::u16string& shown) {
    if (known_folders_.contains(folder)) return true;
    if (Result made = make_directory(folder); !made.ok()) {
        fail(shown, "cannot create folder: " + made.detail);
        return false;
    }
    known_folders_.insert(folder);
    return true;
}

bool Extraction::may_replace(const CentralEntry& entry, const PathInfo& existing, const std::u16string& shown) {
    if (options_.freshen || options_.extract_only_newer) {
        if (!existing.exists) return !options_.freshen;
        if (entry_time(entry) > existing.mtime) return true;
        info(u"  skipping: " + shown + u"  (not newer)");
        return false;
    }
    if (!existing.exists) return true;
    bool replace = false;
    if (overwrite_ == Overwrite::all) {
        replace = true;
    } else if (overwrite_ == Overwrite::ask && options_.prompt_to_overwrite && callbacks_ && callbacks_->replace) {
        std::string question = codec::to_ansi(shown);
        question.resize(std::max<size_t>(question.size() + 1, 260), '\0');
        pool_.wake();  // the decided files get written while the user answers
        switch (callbacks_->replace(question.data())) {
            case UZP_REPLACE_YES: replace = true; break;
            case UZP_REPLACE_ALL: replace = true; overwrite_ = Overwrite::all; break;
            case UZP_REPLACE_NONE: overwrite_ = Overwrite::none; break;
            default: break;
        }
    } else if (overwrite_ == Overwrite::ask) {
        replace = options_.always_overwrite != 0;
    }
    if (!replace) info(u"  skipping: " + shown + u"  (already exists)");
    return replace;
}

void Extraction::extract(const CentralEntry& entry, const std::u16string& name, const EntryPath& path,
                         uint64_t data_start) {
    const char16_t separator = path_separator();
    std::vector<std::u16string> parts = path.components;
    // Flattened, folders vanish; "./" is the target folder itself.
    if (path.is_directory && (!options_.recreate_folders || path.components.empty())) return;
    if (!options_.recreate_folders) parts.erase(parts.begin(), parts.end() - 1);
    if (options_.spaces_to_underscores)
        for (auto& part : parts) std::replace(part.begin(), part.end(), u' ', u'_');

    std::u16string shown;  // the path under the target folder, as messages and questions show it
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) shown += separator;
        shown += parts[i];
    }
    // A name that may be another one of a file being written waits for them all.
    if (!pending_.empty() && may_be_another_name(shown)) pool_.wait_all();
    const size_t shown_from = target_.size() + 1;
    const std::u16string target = target_ + separator + shown;
    for (size_t i = 0, end = shown_from; i < parts.size(); end += parts[i++].size() + 1) {
        const std::u16string full = target.substr(0, end + parts[i].size());
        const bool folder = i + 1 < parts.size() || path.is_directory;
        // Where this run found or made a folder, no file is being written.
        if (folder && known_folders_.contains(full)) continue;
        await_writing(full);
        if (folder && !ensure_folder(full, name)) return;
    }
    if (path.is_directory) {
        folder_times_.emplace_back(target, entry_time(entry));
        info(u"   creating: " + shown + separator);
        return;
    }
    const PathInfo existing = path_info(target);
    if (existing.is_directory) return fail(name, "a folder of that name exists");
    if (!may_replace(entry, existing, shown)) return;
    if (existing.exists && existing.read_only) return fail(name, "a read-only file is not replaced");
    if (existing.exists) {
        const size_t leaf = target.size() - parts.back().size();
        await_writing(target.substr(0, leaf) + unzip32_temporary_name(parts.back(), 1));
    }
    const bool text = options_.translate_eol && (entry.internal_attributes & 1u);
    start(std::make_unique<WriteJob>(EntryData::of(entry, data_start), target, existing.exists, codec::to_utf8(name),
                                     shown_from, entry_time(entry), entry.read_only(), text),
          target, name);
}

}  // namespace

bool will_print(const ExtractionRequest& request, bool problem) {
    const int32_t quiet = request.options.quiet;
    return request.callbacks && request.callbacks->print && quiet < 2 && (quiet < 1 || problem);
}

void print_message(const ExtractionRequest& request, const std::u16string& text, bool problem) {
    if (!will_print(request, problem)) return;
    const std::string bytes = codec::to_ansi(text);
    request.callbacks->print(bytes.c_str(), static_cast<uint32_t>(bytes.size()));
}

void report_archive_error(const ExtractionRequest& request, const Result& result) {
    std::u16string what;
    switch (result.code) {
        case Code::not_zip: what = u"not a zip archive"; break;
        case Code::bad_archive: what = u"damaged archive"; break;
        case Code::not_found: what = u"archive not found"; break;
        case Code::unreadable: what = u"cannot read"; break;
        default: break;  // the detail says it all
    }
    const std::u16string why = escaped(detail_text(result.detail));
    const std::u16string text = what.empty() ? why : what + u" (" + why + u")";
    print_message(request, u"error: " + request.archive_name + u": " + text + u"\r\n", true);
}

int32_t extract_archive(InputSource& archive, const ExtractionRequest& request) {
    return Extraction(archive, request).run();
}

}  // namespace uz
