#include "scene/econf.h"

#include "scene/regular_file.h"

#include <locale.h>
#include <clocale>
#include <cstdlib>
#include <cstring>

namespace {

// A metadata file has a few hundred entries; these limits keep a huge or hostile text file from taking
// unbounded memory or time. Lines past any limit are not read: the stored ones bound memory, the bytes and
// line pieces read bound time whatever the text holds (a file of NUL bytes or blanks stores nothing).
constexpr uint32_t kMaxEntries = 1u << 18;
constexpr size_t kMaxStoredBytes = 32u << 20;
constexpr int64_t kMaxReadBytes = 64ll << 20;
constexpr int64_t kMaxPieces = 1ll << 20;

constexpr int kLineBuffer = 1024;  // a longer line is read in pieces of 1023 bytes, each a line of its own

// The C library's white space in the default locale. Bytes above 127 (Shift-JIS text) are word characters
// whatever locale the process runs in.
bool is_blank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char* copy_text(const char* begin, size_t n) {
    char* s = static_cast<char*>(std::malloc(n + 1));
    if (!s) return nullptr;
    std::memcpy(s, begin, n);
    s[n] = '\0';
    return s;
}

ConfToken* new_token(int kind, char* text) {
    ConfToken* t = static_cast<ConfToken*>(std::malloc(sizeof(ConfToken)));
    if (!t) return nullptr;
    t->kind = kind;
    t->text = text;
    t->next = nullptr;
    return t;
}

void free_entry(ConfEntry* e) {
    if (!e) return;
    std::free(e->key);
    std::free(e->value);
    std::free(e);
}

void release_entries(ConfFile* conf) {
    if (conf->entries) {
        for (uint32_t i = 0; i < conf->count; ++i)
            free_entry(conf->entries[i]);
        std::free(conf->entries);
    }
    conf->entries = nullptr;
    conf->count = 0;
}

// Numbers are written with "." whatever locale the process has chosen for its user interface.
locale_t c_numeric_locale() {
    static locale_t loc = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

// An entry is a line whose first three tokens are a word, "=" and a word.
ConfEntry* entry_from_line(const char* line) {
    ConfToken* tokens = econf_tokenize(line);
    ConfEntry* entry = nullptr;
    ConfToken* key = tokens;
    ConfToken* eq = key ? key->next : nullptr;
    ConfToken* value = eq ? eq->next : nullptr;
    if (key && eq && value && key->kind == CONF_TOKEN_WORD && eq->kind == CONF_TOKEN_EQUALS &&
        value->kind == CONF_TOKEN_WORD) {
        entry = static_cast<ConfEntry*>(std::calloc(1, sizeof(ConfEntry)));
        if (entry) {
            // Take the texts over from the tokens.
            entry->key = key->text;
            entry->value = value->text;
            key->text = nullptr;
            value->text = nullptr;
            entry->valid = 1;
        }
    }
    econf_free_tokens(tokens);
    return entry;
}

}  // namespace

ConfToken* econf_tokenize(const char* line) {
    ConfToken* head = nullptr;
    ConfToken** tail = &head;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(line ? line : "");
    for (;;) {
        while (is_blank(*p))
            ++p;
        ConfToken* t;
        if (*p == '\0') {
            t = new_token(CONF_TOKEN_END, nullptr);
        } else if (*p == '=') {
            t = new_token(CONF_TOKEN_EQUALS, copy_text("=", 1));
            ++p;
        } else {
            const unsigned char* start = p;
            while (*p != '\0' && *p != '=' && !is_blank(*p))
                ++p;
            t = new_token(CONF_TOKEN_WORD,
                          copy_text(reinterpret_cast<const char*>(start), static_cast<size_t>(p - start)));
        }
        if (!t || (t->kind != CONF_TOKEN_END && !t->text)) {
            if (t) std::free(t);
            econf_free_tokens(head);
            return nullptr;
        }
        *tail = t;
        tail = &t->next;
        if (t->kind == CONF_TOKEN_END) return head;
    }
}

void econf_free_tokens(ConfToken* tokens) {
    while (tokens) {
        ConfToken* next = tokens->next;
        std::free(tokens->text);
        std::free(tokens);
        tokens = next;
    }
}

int econf_open(ConfFile* conf, const char* path) {
    if (!conf) return 0;
    conf->file = nullptr;
    conf->entries = nullptr;
    conf->count = 0;
    if (!path) return 0;
    size_t len = strnlen(path, sizeof(conf->path));
    if (len >= sizeof(conf->path)) return 0;  // would not fit with its NUL
    conf->file = open_regular_file(path);
    if (!conf->file) return 0;
    std::memcpy(conf->path, path, len + 1);
    return 1;
}

int econf_read(ConfFile* conf) {
    if (!conf || !conf->file) return 0;
    release_entries(conf);  // a second reading starts afresh
    if (fseeko(conf->file, 0, SEEK_SET) != 0) return 0;
    clearerr(conf->file);

    // Entries are chained in file order while the file is read, then put into the array.
    ConfEntry* head = nullptr;
    ConfEntry** tail = &head;
    uint32_t count = 0;
    size_t stored_bytes = 0;
    char line[kLineBuffer];
    int64_t pieces = 0;
    while (count < kMaxEntries && stored_bytes < kMaxStoredBytes && pieces < kMaxPieces &&
           std::fgets(line, sizeof line, conf->file)) {
        ++pieces;
        const int64_t consumed = ftello(conf->file);
        if (consumed < 0 || consumed > kMaxReadBytes) break;
        ConfEntry* e = entry_from_line(line);
        if (!e) continue;
        stored_bytes += std::strlen(e->key) + std::strlen(e->value) + sizeof(ConfEntry);
        *tail = e;
        tail = &e->next;
        ++count;
    }
    if (count == 0) return 0;

    conf->entries = static_cast<ConfEntry**>(std::malloc(sizeof(ConfEntry*) * count));
    if (!conf->entries) {
        while (head) {
            ConfEntry* next = head->next;
            free_entry(head);
            head = next;
        }
        return 0;
    }
    uint32_t i = 0;
    for (ConfEntry* e = head; e; e = e->next)
        conf->entries[i++] = e;
    conf->count = count;
    return 1;
}

ConfEntry* econf_find(ConfFile* conf, const char* key) {
    if (!conf || !key || !conf->entries) return nullptr;
    for (uint32_t i = 0; i < conf->count; ++i) {
        ConfEntry* e = conf->entries[i];
        if (e && e->key && std::strcmp(e->key, key) == 0) return e;
    }
    return nullptr;
}

double econf_number(const ConfEntry* entry) {
    if (!entry || !entry->value) return 0.0;
    // Everything but digits, '-' and '.' becomes a blank; the number is what a decimal conversion reads from
    // the start (so "1.5E+03" reads 1.5 and "12-3" reads 12).
    char* text = copy_text(entry->value, std::strlen(entry->value));
    if (!text) return 0.0;
    for (char* p = text; *p; ++p) {
        char c = *p;
        if (!((c >= '0' && c <= '9') || c == '-' || c == '.')) *p = ' ';
    }
    locale_t loc = c_numeric_locale();
    double v = loc ? strtod_l(text, nullptr, loc) : std::strtod(text, nullptr);
    std::free(text);
    return v;
}

int econf_close(ConfFile* conf) {
    if (!conf) return 0;
    release_entries(conf);
    if (!conf->file) return 0;
    std::fclose(conf->file);
    conf->file = nullptr;
    return 1;
}
