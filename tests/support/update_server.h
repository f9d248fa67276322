#pragma once

// Runs tests/support/update_server.py over a folder for the life of the object: a web server
// on 127.0.0.1 for the update download's tests. The script's description lists the query flags
// that make it cut, trickle, hold, redirect or refuse a transfer.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/test_certificates.h"

namespace veltra::test {

class UpdateServer {
  public:
    // Serves the files of `folder`; with `tls`, over HTTPS with that certificate.
    explicit UpdateServer(const std::filesystem::path& folder,
                          const std::optional<CertificateFiles>& tls = std::nullopt);
    ~UpdateServer();
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    // True once the server listens.
    bool ready() const { return port_ > 0; }
    int port() const { return port_; }
    // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT", without a trailing slash.
    std::string Address() const;
    // The address of `name` in the folder, e.g. Url("file.zip?slow").
    std::string Url(const std::string& name) const { return Address() + "/" + name; }

  private:
    bool tls_ = false;
    pid_t pid_ = -1;
    int stdin_ = -1;  // the server ends when this closes, even if this process dies first
    int port_ = 0;
};

}  // namespace veltra::test
