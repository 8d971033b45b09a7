#pragma once

namespace platform {

// OpenSSL as the signature code needs it. It is started without reading the
// system's OpenSSL configuration file and without loading OpenSSL's error
// texts: the checks use the library's built-in SHA-256 and Ed25519, which no
// configuration changes, and never show OpenSSL's own error texts. Skipping
// both keeps about 0.4 MB of the library out of a process that checks a
// signature, such as the daemon checking its clients.
class CryptoLibrary {
public:
    // Before any other OpenSSL call; only the first call does anything. Safe
    // from any thread. A library that fails to start fails the calls after it.
    static void start();
};

}  // namespace platform
