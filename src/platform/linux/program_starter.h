#pragma once

// Starting an unpacked update on the Linux desktop. Both calls run the program in a session of
// its own, with stdin on /dev/null and none of this process's other open files, so it outlives
// this process and holds none of its devices or sockets. They return once the program is
// running, or with false when it could not be run.

#include "update/program_starter.h"

namespace veltra {

class DesktopProgramStarter : public ProgramStarter {
  public:
    bool Start(const std::filesystem::path& program) override;
    // Runs "xdg-open <file>", xdg-open found on PATH.
    bool Open(const std::filesystem::path& file) override;
};

}  // namespace veltra
