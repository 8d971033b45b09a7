#pragma once

#include <filesystem>
#include <string>

#include <asio.hpp>

namespace simmac {

// Makes `acceptor` listen on a Unix socket at `path`, open to every user (each
// server decides per peer whom it serves). A socket left at `path` by a
// listener that is gone is replaced; one that still answers is not, and the
// SimulatorError then carries `busyMessage`. Anything else at `path` is
// refused, never removed. The acceptor is closed again when listening fails.
void listenOnSocket(asio::local::stream_protocol::acceptor& acceptor, const std::filesystem::path& path,
                    const std::string& busyMessage);

// Closes `acceptor` and removes its socket at `path`. While it listened nobody
// else could bind the path, so a socket there is its own; anything else put
// there since is left alone.
void stopListening(asio::local::stream_protocol::acceptor& acceptor, const std::filesystem::path& path);

}  // namespace simmac
