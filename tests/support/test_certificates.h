#pragma once

// Certificates for HTTPS tests, made with the openssl command line into a folder of the test's.

#include <filesystem>
#include <optional>

namespace veltra::test {

struct CertificateFiles {
    std::filesystem::path certificate;
    std::filesystem::path key;
};

struct TestCertificates {
    std::filesystem::path ca;         // trusted by the tests that expect a transfer to work
    CertificateFiles server;          // for 127.0.0.1 and localhost, issued by `ca`
    CertificateFiles localhost_only;  // for the name localhost alone, issued by `ca`
    std::filesystem::path other_ca;   // an unrelated CA that issued none of them
};

// Nothing when openssl is missing or fails.
std::optional<TestCertificates> MakeTestCertificates(const std::filesystem::path& folder);

}  // namespace veltra::test
