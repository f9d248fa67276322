#pragma once

// The port through which an unpacked update is started. The platform layer implements it for
// the desktop; tests use a fake.

#include <filesystem>

namespace veltra {

class ProgramStarter {
  public:
    virtual ~ProgramStarter() = default;
    // Runs `program` without arguments, detached, so that it outlives this process.
    virtual bool Start(const std::filesystem::path& program) = 0;
    // Hands `file` to the desktop's default handler (a package installer).
    virtual bool Open(const std::filesystem::path& file) = 0;
};

}  // namespace veltra
