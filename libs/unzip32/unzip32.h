#pragma once
// The ABI of the unzip library UNZIP32.DLL: its two entries, its three records
// and the callbacks it calls. Deliveries carry 32-bit libraries with __stdcall
// entries and 4-byte pointers, so the 32-bit build checks at compile time the
// layouts and argument bytes that callers of such a library rely on; the 64-bit
// test twin and the native build of the library (tests, fuzzing, benchmarks)
// use the same fields with the host's pointer size.
#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define UNZIP32_CALL __stdcall
#else
#define UNZIP32_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Every callback argument is a pointer or a 32-bit value; single characters
   and 16-bit values are passed widened and read from the low bits. */
typedef int32_t(UNZIP32_CALL* UzpPrintCallback)(const char* text, uint32_t length);
typedef void(UNZIP32_CALL* UzpSoundCallback)(void);
typedef int32_t(UNZIP32_CALL* UzpReplaceCallback)(char* file_name);
typedef int32_t(UNZIP32_CALL* UzpPasswordCallback)(char* password, int32_t size, const char* prompt,
                                                   const char* entry_name);
typedef void(UNZIP32_CALL* UzpMessageCallback)(uint32_t uncompressed_size, uint32_t compressed_size,
                                               uint32_t compression_factor, uint32_t month, uint32_t day,
                                               uint32_t year, uint32_t hour, uint32_t minute,
                                               uint32_t flag_char, const char* entry_name,
                                               const char* method, uint32_t crc32,
                                               uint32_t encrypted_char);
typedef int32_t(UNZIP32_CALL* UzpServiceCallback)(const char* entry_name, uint32_t size);

/* Any callback may be null, and so may the whole USERFUNCTIONS record; all are
   called on the caller's thread, one at a time, while Wiz_SingleEntryUnzip runs.
   Texts are single-byte in the system's ANSI code page and NUL-terminated.
   The replace callback gets the existing file's path under the target folder,
   with the platform's separators (dati\indice.htm), in a writable buffer.
   Answers of the replace callback; any other answer counts as UZP_REPLACE_NO.
   The password callback answers 0 when it wrote a NUL-terminated password into
   its buffer; any other answer (or an empty password) skips the entry.
   The service callback is called before each selected entry; a non-zero answer
   stops the extraction with UZP_ABORTED. The sound callback is called once when
   an extraction ends. The message callback receives, in list mode, each entry:
   sizes, the percentage saved, month (1-12), day, full year, hour, minute, a
   flag character ('d' for a folder, ' ' otherwise), the name, the method text,
   the CRC-32 and 'E' for an encrypted entry or ' '. */
enum {
    UZP_REPLACE_NO = 100,   /* keep this existing file */
    UZP_REPLACE_YES = 102,  /* overwrite this file */
    UZP_REPLACE_ALL = 103,  /* overwrite this and every further file without asking */
    UZP_REPLACE_NONE = 104  /* overwrite no existing file from here on */
};

/* Options of one extraction: fifteen 32-bit switches, then the archive and the
   folder to extract into, as NUL-terminated ANSI text. */
typedef struct DCL {
    int32_t extract_only_newer;   /* update: only newer or new files, without asking */
    int32_t spaces_to_underscores;
    int32_t prompt_to_overwrite;  /* ask the replace callback before overwriting */
    int32_t quiet;                /* 0 all messages, 1 fewer, 2 none */
    int32_t to_stdout;            /* unsupported */
    int32_t test_only;            /* check every entry's CRC, write nothing */
    int32_t list_only;            /* report entries through the message callback */
    int32_t freshen;              /* replace existing files by newer ones only */
    int32_t show_comment;         /* unsupported */
    int32_t recreate_folders;     /* keep the archive's folders, else flatten */
    int32_t always_overwrite;     /* overwrite without asking when not prompting */
    int32_t translate_eol;
    int32_t detailed_info;        /* unsupported */
    int32_t case_insensitive;     /* name lists match regardless of case */
    int32_t restore_security;     /* unsupported */
    char* archive_name;
    char* extract_folder;
} DCL;

typedef struct USERFUNCTIONS {
    UzpPrintCallback print;
    UzpSoundCallback sound;
    UzpReplaceCallback replace;
    UzpPasswordCallback password;
    UzpMessageCallback message;
    UzpServiceCallback service;
    /* Totals the library fills in during an extraction. */
    uint32_t total_size_compressed;
    uint32_t total_size;
    uint32_t compression_factor;
    uint32_t number_of_members;
    uint16_t comment_length;
} USERFUNCTIONS;

typedef struct UzpVersionField {
    uint8_t major;
    uint8_t minor;
    uint8_t patch_level;
    uint8_t not_used;
} UzpVersionField;

#define UZPVER2_LENGTH 64

/* zlib.h defines a macro named zlib_version: a file that includes both must
   #undef it before using the field below. */

typedef struct UzpVer2 {
    uint32_t structure_length; /* the caller sets UZPVER2_LENGTH */
    uint32_t flags;
    char beta_level[10];
    char release_date[20];
    char zlib_version[10];
    UzpVersionField unzip;
    UzpVersionField zipinfo;
    UzpVersionField os2dll;
    UzpVersionField windll;
} UzpVer2;


/* Fills `version` when its structure_length is UZPVER2_LENGTH and returns 0;
   returns UZP_VERSION_MISMATCH and leaves the record alone otherwise. */
uint32_t UNZIP32_CALL UzpVersion2(UzpVer2* version);

/* Extracts (or lists, or tests) the archive named in `options` into the folder
   named there. `include_count`/`include_names` and `exclude_count`/`exclude_names`
   select entries by name (wildcards * and ?); a count of 0 means no list.
   Returns UZP_OK or one of the codes below. */
int32_t UNZIP32_CALL Wiz_SingleEntryUnzip(int32_t include_count, char** include_names,
                                          int32_t exclude_count, char** exclude_names, DCL* options,
                                          USERFUNCTIONS* callbacks);

/* Result codes of UzpVersion2 and Wiz_SingleEntryUnzip. Every outcome other
   than UZP_OK is also told through the print callback (unless quiet is 2). */
enum {
    UZP_OK = 0,                 /* every selected entry was written, listed or tested,
                                   or left alone by choice (replace answer No/None,
                                   update/freshen kept the file, overwriting off) */
    UZP_VERSION_MISMATCH = 1,   /* UzpVersion2: structure_length is not UZPVER2_LENGTH */
    UZP_ENTRY_ERRORS = 2,       /* one or more entries failed (refused name, unsupported
                                   method, CRC or size error, wrong or no password, a
                                   read-only file to be replaced, a file that could not
                                   be written); the others were done */
    UZP_BAD_ARCHIVE = 3,        /* not a zip archive, or its structure is damaged or
                                   hostile (truncated directory, overlapping entries,
                                   impossible counts or offsets, spanned archive) */
    UZP_ARCHIVE_UNREADABLE = 4, /* the archive exists but cannot be opened or read */
    UZP_ARCHIVE_NOT_FOUND = 9,  /* no file of the archive's name */
    UZP_BAD_PARAMETERS = 10,    /* null records, no archive name, negative counts or a
                                   count without its list */
    UZP_NO_MATCH = 11,          /* an include list was given and matched no entry */
    UZP_UNSUPPORTED_OPTION = 12,/* to_stdout, show_comment, detailed_info or
                                   restore_security was set; nothing was touched */
    UZP_TARGET_FOLDER = 13,     /* the target folder could not be created */
    UZP_ABORTED = 14,           /* the service callback asked to stop */
    UZP_OUT_OF_MEMORY = 15      /* the library ran out of memory: the files of the
                                   entries before the one in hand were written and
                                   reported, none after it */
};

#ifdef __cplusplus
}

static_assert(sizeof(UzpVer2) == UZPVER2_LENGTH, "UzpVer2 is 64 bytes");
static_assert(offsetof(UzpVer2, flags) == 4 && offsetof(UzpVer2, beta_level) == 8 &&
                  offsetof(UzpVer2, release_date) == 18 && offsetof(UzpVer2, zlib_version) == 38 &&
                  offsetof(UzpVer2, unzip) == 48 && offsetof(UzpVer2, zipinfo) == 52 &&
                  offsetof(UzpVer2, os2dll) == 56 && offsetof(UzpVer2, windll) == 60,
              "UzpVer2: two 32-bit numbers, texts of 10, 20 and 10 bytes, four 4-byte versions");
static_assert(offsetof(DCL, spaces_to_underscores) == 4 && offsetof(DCL, prompt_to_overwrite) == 8 &&
                  offsetof(DCL, quiet) == 12 && offsetof(DCL, to_stdout) == 16 && offsetof(DCL, test_only) == 20 &&
                  offsetof(DCL, list_only) == 24 && offsetof(DCL, freshen) == 28 &&
                  offsetof(DCL, show_comment) == 32 && offsetof(DCL, recreate_folders) == 36 &&
                  offsetof(DCL, always_overwrite) == 40 && offsetof(DCL, translate_eol) == 44 &&
                  offsetof(DCL, detailed_info) == 48 && offsetof(DCL, case_insensitive) == 52 &&
                  offsetof(DCL, restore_security) == 56,
              "DCL: fifteen 32-bit switches first, in the library's order");

#if defined(_WIN32) && defined(__i386__)
#include "libs/abi/stdcall.h"

// The records as a 32-bit caller of the library lays them out.
static_assert(offsetof(DCL, archive_name) == 60 && offsetof(DCL, extract_folder) == 64 && sizeof(DCL) == 68,
              "DCL: 15 integers and 2 pointers of 4 bytes");
static_assert(offsetof(USERFUNCTIONS, sound) == 4 && offsetof(USERFUNCTIONS, replace) == 8 &&
                  offsetof(USERFUNCTIONS, password) == 12 && offsetof(USERFUNCTIONS, message) == 16 &&
                  offsetof(USERFUNCTIONS, service) == 20 && offsetof(USERFUNCTIONS, total_size_compressed) == 24 &&
                  offsetof(USERFUNCTIONS, total_size) == 28 && offsetof(USERFUNCTIONS, compression_factor) == 32 &&
                  offsetof(USERFUNCTIONS, number_of_members) == 36 && offsetof(USERFUNCTIONS, comment_length) == 40 &&
                  sizeof(USERFUNCTIONS) == 44,
              "USERFUNCTIONS: 6 pointers of 4 bytes, 4 totals, 1 count");
// The callbacks are __stdcall and pop what the library pushes.
static_assert(stdcall_abi::argument_bytes<UzpPrintCallback> == 8, "print: text, length");
static_assert(stdcall_abi::argument_bytes<UzpSoundCallback> == 0, "sound: nothing");
static_assert(stdcall_abi::argument_bytes<UzpReplaceCallback> == 4, "replace: file name");
static_assert(stdcall_abi::argument_bytes<UzpPasswordCallback> == 16, "password: buffer, size, prompt, name");
static_assert(stdcall_abi::argument_bytes<UzpMessageCallback> == 52, "message: thirteen 4-byte values");
static_assert(stdcall_abi::argument_bytes<UzpServiceCallback> == 8, "service: name, size");
#endif
#endif
