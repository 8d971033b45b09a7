#include "CryptoLibrary.h"

#include <openssl/crypto.h>

namespace platform {

void CryptoLibrary::start()
{
    static const bool started =
        OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG | OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS, nullptr) == 1;
    static_cast<void>(started);
}

}  // namespace platform
