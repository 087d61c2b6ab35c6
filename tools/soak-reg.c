/* The soak's exact hands on the registry: the prefix's regedit alters string data of an odd
 * length or without its terminator, and its exports do not show such data as it is stored.
 *   soak-reg plant FILE      FILE: lines KEY NAME TYPE DATA (tab-separated), KEY below HKLM;
 *                            a line of KEY alone creates the key
 *   soak-reg dump KEY FILE   writes HKLM\KEY and its tree in the same form, exactly as stored,
 *                            KEY given in the same form
 * KEY, NAME and DATA are hex: the bytes of UTF-16LE units for names, the stored bytes for data,
 * so nothing a name may hold (tabs, line breaks, unpaired surrogates) needs escaping.
 * Built by tools/soak with the cross compiler; wide calls only. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void put_hex(FILE* out, const void* bytes, size_t size) {
    const unsigned char* p = bytes;
    for (size_t i = 0; i < size; ++i)
        fprintf(out, "%02x", p[i]);
}

/* Decodes hex into `out` (room for `room` bytes); returns the byte count. */
static size_t from_hex(const char* hex, size_t digits, void* out, size_t room) {
    unsigned char* p = out;
    size_t n = 0;
    for (size_t i = 0; i + 1 < digits && n < room; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        p[n++] = (unsigned char)strtoul(pair, NULL, 16);
    }
    return n;
}

static wchar_t name[16384];
static unsigned char data[1 << 20];

static void dump(const wchar_t* path, FILE* out) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    size_t pathChars = wcslen(path);
    put_hex(out, path, pathChars * 2);
    fputc('\n', out);
    for (DWORD i = 0;; ++i) {
        DWORD chars = 16384, size = sizeof data, type = 0;
        if (RegEnumValueW(key, i, name, &chars, NULL, &type, data, &size) != ERROR_SUCCESS) break;
        put_hex(out, path, pathChars * 2);
        fputc('\t', out);
        put_hex(out, name, chars * 2);
        fprintf(out, "\t%lu\t", type);
        put_hex(out, data, size);
        fputc('\n', out);
    }
    for (DWORD i = 0;; ++i) {
        wchar_t child[256];
        DWORD chars = 256;
        if (RegEnumKeyExW(key, i, child, &chars, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        wchar_t* sub = malloc((pathChars + chars + 2) * sizeof(wchar_t));
        memcpy(sub, path, pathChars * sizeof(wchar_t));
        sub[pathChars] = L'\\';
        memcpy(sub + pathChars + 1, child, chars * sizeof(wchar_t));
        sub[pathChars + 1 + chars] = 0;
        dump(sub, out);
        free(sub);
    }
    RegCloseKey(key);
}

/* A hex field of `line` up to the next tab or the end, as a terminated wide string. */
static wchar_t* wide_field(char** line) {
    char* end = strchr(*line, '\t');
    size_t digits = end ? (size_t)(end - *line) : strlen(*line);
    wchar_t* text = calloc(digits / 4 + 1, sizeof(wchar_t));
    from_hex(*line, digits, text, digits / 2);
    *line = end ? end + 1 : *line + digits;
    return text;
}

static int plant(const char* file) {
    FILE* in = fopen(file, "rb");
    if (!in) return 2;
    static char line[1 << 22];
    int failed = 0;
    while (fgets(line, sizeof line, in)) {
        line[strcspn(line, "\r\n")] = 0;
        if (!line[0]) continue;
        char* p = line;
        wchar_t* path = wide_field(&p);
        HKEY key;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                            NULL) != ERROR_SUCCESS) {
            ++failed;
        } else {
            if (*p) {
                wchar_t* value = wide_field(&p);
                DWORD type = strtoul(p, &p, 10);
                if (*p == '\t') ++p;
                size_t size = from_hex(p, strlen(p), data, sizeof data);
                if (RegSetValueExW(key, value, 0, type, data, (DWORD)size) != ERROR_SUCCESS)
                    ++failed;
                free(value);
            }
            RegCloseKey(key);
        }
        free(path);
    }
    fclose(in);
    return failed ? 1 : 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "plant") == 0) return plant(argv[2]);
    if (argc == 4 && strcmp(argv[1], "dump") == 0) {
        FILE* out = fopen(argv[3], "wb");
        if (!out) return 2;
        char* p = argv[2];
        wchar_t* path = wide_field(&p);
        dump(path, out);
        free(path);
        fclose(out);
        return 0;
    }
    fprintf(stderr, "usage: soak-reg plant FILE | soak-reg dump KEY FILE\n");
    return 2;
}
