#include "support/test_certificates.h"

#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"

extern char** environ;

namespace veltra::test {
namespace {

// Our own configuration, so that the system's openssl.cnf adds no extensions of its own.
constexpr const char* kConfig = R"([req]
distinguished_name = name
prompt = no
[name]
CN = Veltra test
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[server]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = IP:127.0.0.1, DNS:localhost
[localhost]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = DNS:localhost
)";

class OpenSsl {
  public:
    explicit OpenSsl(const std::filesystem::path& folder)
        : folder_(folder), config_((folder / "openssl.cnf").string()) {
        for (char** entry = environ; *entry != nullptr; ++entry) {
            env_.emplace_back(*entry);
        }
        WriteFile(config_, kConfig);
    }

    bool Run(std::vector<std::string> args) {
        args.insert(args.begin(), "openssl");
        const ProcessResult result = RunProcess(args, env_, folder_);
        return result.exit_code == 0;
    }

    // A self-signed CA certificate; its key beside it as <name>.key.
    bool MakeCa(const std::string& name, const std::string& subject) {
        return Run({"req", "-x509", "-config", config_, "-extensions", "ca", "-newkey", "ec",
                    "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "3", "-subj",
                    subject, "-keyout", Path(name + ".key"), "-out", Path(name + ".pem")});
    }

    bool MakeServer(const std::string& name, const std::string& extensions, const std::string& ca,
                    int serial) {
        return Run({"req", "-new", "-config", config_, "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-subj", "/CN=" + name, "-keyout",
                    Path(name + ".key"), "-out", Path(name + ".csr")}) &&
               Run({"x509", "-req", "-in", Path(name + ".csr"), "-CA", Path(ca + ".pem"), "-CAkey",
                    Path(ca + ".key"), "-set_serial", std::to_string(serial), "-days", "3",
                    "-extfile", config_, "-extensions", extensions, "-out", Path(name + ".pem")});
    }

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  private:
    std::filesystem::path folder_;
    std::string config_;
    std::vector<std::string> env_;
};

}  // namespace

std::optional<TestCertificates> MakeTestCertificates(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    OpenSsl openssl(folder);
    if (!openssl.MakeCa("ca", "/CN=Veltra Test CA") ||
        !openssl.MakeCa("other-ca", "/CN=Veltra Other CA") ||
        !openssl.MakeServer("server", "server", "ca", 2) ||
        !openssl.MakeServer("localhost", "localhost", "ca", 3)) {
        return std::nullopt;
    }
    TestCertificates certificates;
    certificates.ca = openssl.Path("ca.pem");
    certificates.other_ca = openssl.Path("other-ca.pem");
    certificates.server = {openssl.Path("server.pem"), openssl.Path("server.key")};
    certificates.localhost_only = {openssl.Path("localhost.pem"), openssl.Path("localhost.key")};
    return certificates;
}

}  // namespace veltra::test
