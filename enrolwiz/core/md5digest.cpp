// The digest comes from the system's cryptographic provider rather than from code of ours.
#include "md5digest.h"

#include <windows.h>
#include <wincrypt.h>

std::string Md5Digest(const void* data, size_t length)
{
    HCRYPTPROV prov = 0;
    if (!CryptAcquireContextA(&prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return std::string();
    std::string hex;
    HCRYPTHASH hash = 0;
    if (CryptCreateHash(prov, CALG_MD5, 0, 0, &hash)) {
        const BYTE* p = static_cast<const BYTE*>(data);
        bool ok = true;
        // CryptHashData takes a DWORD length: feed very large inputs in pieces.
        while (ok && length > 0) {
            const DWORD piece = length > 0x40000000u ? 0x40000000u : static_cast<DWORD>(length);
            ok = CryptHashData(hash, p, piece, 0) != FALSE;
            p += piece;
            length -= piece;
        }
        BYTE digest[16];
        DWORD size = sizeof digest;
        if (ok && CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == 16) {
            static const char kHex[] = "0123456789abcdef";
            for (BYTE b : digest) {
                hex += kHex[b >> 4];
                hex += kHex[b & 15];
            }
        }
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(prov, 0);
    return hex;
}
