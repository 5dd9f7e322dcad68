#pragma once
// Calls Wiz_SingleEntryUnzip the way an application does, with callbacks that
// record what the library told and answer its questions from a script. The
// callbacks carry no context, so the run in progress is found through one
// pointer that only exists while a run does.
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "libs/unzip32/unzip32.h"

namespace ziptest {

struct Listed {
    uint32_t size, compressed, factor, month, day, year, hour, minute, flag;
    std::string name, method;
    uint32_t crc, encrypted;
};

using WizEntry = int32_t(UNZIP32_CALL*)(int32_t, char**, int32_t, char**, DCL*, USERFUNCTIONS*);

class UnzipRun {
public:
    explicit UnzipRun(WizEntry entry) : entry_(entry) { options.recreate_folders = 1; }

    DCL options{};
    std::vector<std::string> include, exclude;
    // Script and record of the callbacks.
    std::deque<int32_t> replace_answers;
    int32_t replace_default = UZP_REPLACE_NO;
    std::string password;
    int32_t password_answer = 1;
    std::deque<std::string> passwords;  // answered in turn, before `password`
    // Called with the name a question is about, before it is answered.
    std::function<void(const std::string&)> on_replace, on_password;
    int stop_at_service_call = -1;
    std::string printed;
    std::vector<std::string> questions;
    std::vector<Listed> listed;
    int password_calls = 0, service_calls = 0, sounds = 0;
    std::vector<std::string> calls;  // every callback in order, with what it got
    USERFUNCTIONS record{};

    int32_t run(const std::string& archive, const std::string& folder) {
        std::vector<char*> in, ex;
        for (auto& s : include) in.push_back(s.data());
        for (auto& s : exclude) ex.push_back(s.data());
        std::string archive_copy = archive, folder_copy = folder;
        options.archive_name = archive_copy.data();
        options.extract_folder = folder_copy.data();
        record = USERFUNCTIONS{&print, &sound, &replace, &ask_password, &message, &service, 7, 7, 7, 7, 7};
        current() = this;
        caller_ = std::this_thread::get_id();
        const int32_t result = entry_(static_cast<int32_t>(in.size()), in.empty() ? nullptr : in.data(),
                                      static_cast<int32_t>(ex.size()), ex.empty() ? nullptr : ex.data(), &options,
                                      &record);
        current() = nullptr;
        options.archive_name = options.extract_folder = nullptr;
        return result;
    }

private:
    static UnzipRun*& current() {
        static UnzipRun* run = nullptr;
        return run;
    }
    // Callbacks belong on the caller's thread, one at a time.
    static UnzipRun* called(const std::string& what) {
        auto* self = current();
        self->calls.push_back(std::this_thread::get_id() == self->caller_ ? what : "other thread: " + what);
        return self;
    }
    static int32_t UNZIP32_CALL print(const char* text, uint32_t length) {
        called("print " + std::string(text, length))->printed.append(text, length);
        return 0;
    }
    static void UNZIP32_CALL sound() { ++called("sound")->sounds; }
    static int32_t UNZIP32_CALL replace(char* name) {
        auto* self = called(std::string("replace ") + name);
        self->questions.emplace_back(name);
        if (self->on_replace) self->on_replace(name);
        if (self->replace_answers.empty()) return self->replace_default;
        const int32_t answer = self->replace_answers.front();
        self->replace_answers.pop_front();
        return answer;
    }
    static int32_t UNZIP32_CALL ask_password(char* buffer, int32_t size, const char*, const char* name) {
        auto* self = called(std::string("password ") + name);
        ++self->password_calls;
        if (self->on_password) self->on_password(name);
        if (!self->passwords.empty()) {
            const std::string next = self->passwords.front();
            self->passwords.pop_front();
            std::snprintf(buffer, static_cast<size_t>(size), "%s", next.c_str());
            return 0;
        }
        if (self->password_answer == 0 && static_cast<int32_t>(self->password.size()) < size)
            std::memcpy(buffer, self->password.c_str(), self->password.size() + 1);
        return self->password_answer;
    }
    static void UNZIP32_CALL message(uint32_t size, uint32_t compressed, uint32_t factor, uint32_t month, uint32_t day,
                                     uint32_t year, uint32_t hour, uint32_t minute, uint32_t flag, const char* name,
                                     const char* method, uint32_t crc, uint32_t encrypted) {
        called(std::string("message ") + name)->listed.push_back(
            Listed{size, compressed, factor, month, day, year, hour, minute, flag, name, method, crc, encrypted});
    }
    static int32_t UNZIP32_CALL service(const char* name, uint32_t size) {
        auto* self = called(std::string("service ") + name + " " + std::to_string(size));
        return self->service_calls++ == self->stop_at_service_call ? 1 : 0;
    }

    WizEntry entry_;
    std::thread::id caller_;
};

}  // namespace ziptest
