#include "Simmac/ListeningSocket.h"

#include <sys/stat.h>

#include "Simmac/SimulatorError.h"

namespace simmac {

namespace fs = std::filesystem;

void listenOnSocket(asio::local::stream_protocol::acceptor& acceptor, const fs::path& path,
                    const std::string& busyMessage)
{
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        throw SimulatorError("cannot create " + path.parent_path().string() + ": " + error.message());
    }
    const asio::local::stream_protocol::endpoint endpoint(path.string());
    const fs::file_status existing = fs::symlink_status(path, error);
    if (fs::exists(existing)) {
        if (!fs::is_socket(existing)) {
            throw SimulatorError(path.string() + " exists and is not a socket");
        }
        asio::local::stream_protocol::socket probe(acceptor.get_executor());
        probe.connect(endpoint, error);
        if (!error) {
            throw SimulatorError(busyMessage);
        }
        fs::remove(path, error);
    }
    acceptor.open(endpoint.protocol(), error);
    if (!error) {
        acceptor.bind(endpoint, error);
    }
    if (!error) {
        acceptor.listen(asio::socket_base::max_listen_connections, error);
    }
    if (error) {
        std::error_code ignored;
        acceptor.close(ignored);
        throw SimulatorError("cannot listen on " + path.string() + ": " + error.message());
    }
    ::chmod(path.c_str(), 0666);
}

void stopListening(asio::local::stream_protocol::acceptor& acceptor, const fs::path& path)
{
    std::error_code ignored;
    acceptor.close(ignored);
    if (fs::is_socket(fs::symlink_status(path, ignored))) {
        fs::remove(path, ignored);
    }
}

}  // namespace simmac
