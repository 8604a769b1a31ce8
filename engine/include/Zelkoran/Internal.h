// Engine internals the editor reaches directly.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

namespace Zelkoran {

class Internal {
public:
    // Logs message as critical, shows it on stderr and ends the process with
    // exit code 1. Does not return. extra may be null; code is logged.
    [[noreturn]] static void fatalError(const char* message, const char* extra, int code);
    // Writes bytes as text into buf, e.g. "512 B", "1.50 KiB", "3.25 GiB"
    // (binary units; decimals digits after the point, 0..3). Returns buf.
    static char* getHumanReadableSize(uint64_t bytes, char* buf, size_t size, int decimals);
    // True when text starts with "qel://" (letter case ignored).
    static bool isQELURI(const char* text);
    // Splits "qel://archive.qel/resource" into the absolute archive path and
    // the resource name. The archive part ends with the first path
    // component whose name ends in ".qel" (letter case ignored); the rest
    // after the next '/' is the resource, kept as written. A relative
    // archive part is resolved against the folder of currentArchivePath,
    // or against the current folder when currentArchivePath is empty.
    // sameArchive tells whether the URI names currentArchivePath's file.
    // 0 when well formed, RC_ERR_INVALID otherwise (outputs then empty).
    static int resolveQELURI(const char* uri, const char* currentArchivePath, String& archivePath,
                             String& resource, bool& sameArchive);
};

} // namespace Zelkoran

// AES-256 ECB decryption for the QELv1 reader, exported with C linkage.
extern "C" {
typedef struct aes_decrypt_ctx {
    unsigned char key[32];
} aes_decrypt_ctx;
// Keeps the 32 key bytes in the caller's context; the caller zeroes the
// context (OPENSSL_cleanse) when done. 0 = done, non-zero for null
// arguments.
int aes_decrypt_key256(const unsigned char* key, aes_decrypt_ctx* ctx);
// Decrypts length bytes (a multiple of 16) from in to out, in place
// allowed. 0 = done, non-zero on a bad length or a cipher failure.
int aes_ecb_decrypt(const unsigned char* in, unsigned char* out, int length, const aes_decrypt_ctx* ctx);
}
