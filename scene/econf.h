// econf: reads a plain text file of `key = value` lines into a table, answers look-ups by key and turns a
// value into a number. It knows nothing of groups, comments or quoting: quotes are ordinary characters.
#pragma once

#include <cstdint>
#include <cstdio>

struct ConfEntry {
    char* key;    // NUL-terminated, owned
    char* value;  // NUL-terminated, owned
    int valid;    // 1 for every stored entry
    ConfEntry* next;
};

struct ConfFile {
    char path[1024];      // path of the open file, NUL-terminated
    FILE* file;           // null when not open
    uint32_t count;       // number of entries
    ConfEntry** entries;  // count pointers in file order, owned; null until econf_read finds an entry
};

// One token of a line: kind 0 an equals sign ("="), 1 a word, 2 the end of the line (text null).
enum { CONF_TOKEN_EQUALS = 0, CONF_TOKEN_WORD = 1, CONF_TOKEN_END = 2 };

struct ConfToken {
    int kind;
    char* text;  // owned; null for the end token
    ConfToken* next;
};

// 1 when the file was opened, 0 otherwise: a null or over-long path, or anything but a regular file (a pipe
// or a device is never opened, so reading cannot block or run forever).
int econf_open(ConfFile* conf, const char* path);
// Reads the file from its start, at most 64 MiB and 2^20 line pieces of it whatever they hold; 1 when at
// least one entry was stored, 0 otherwise.
int econf_read(ConfFile* conf);
// First entry in file order whose key equals key byte for byte, or null.
ConfEntry* econf_find(ConfFile* conf, const char* key);
// Numeric reading of the entry's value (every byte but digits, '-' and '.' becomes a blank); 0.0 for null.
double econf_number(const ConfEntry* entry);
// 0 when the file is not open; otherwise closes it, releases every entry and returns 1.
int econf_close(ConfFile* conf);

// Splits one NUL-terminated line into tokens, always ending with an end token; release with
// econf_free_tokens.
ConfToken* econf_tokenize(const char* line);
void econf_free_tokens(ConfToken* tokens);
