#include "platform/linux/program_starter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>

#include "support/temp_dir.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

class ProgramStarterTest : public ::testing::Test {
  protected:
    fs::path Marker() const { return dir_ / "marker"; }

    // A script that reports what it sees of itself once it runs: its session and parent, where
    // its stdin comes from, whether it holds the file descriptor `held_fd` of this process, and
    // its arguments. The report is renamed into place so that it is never read half written.
    fs::path Script(const std::string& name, int held_fd = -1) const {
        const fs::path script = dir_ / name;
        const std::string part = Marker().string() + ".part";
        test::WriteFile(script,
                        "#!/bin/sh\n"
                        "read -r pid comm state ppid pgrp sid rest < /proc/$$/stat\n"
                        "held=no\n"
                        "[ -e /proc/$$/fd/" +
                            std::to_string(held_fd) +
                            " ] && held=yes\n"
                            "printf '%s %s %s %s %s' \"$sid\" \"$ppid\" "
                            "\"$(readlink /proc/$$/fd/0)\" \"$held\" \"$*\" > '" +
                            part + "'\nmv '" + part + "' '" + Marker().string() + "'\n");
        fs::permissions(script, fs::perms(0755));
        return script;
    }

    std::string WaitForMarker() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!fs::exists(Marker()) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return test::ReadFile(Marker());
    }

    test::TempDir dir_;
    DesktopProgramStarter starter_;
};

TEST_F(ProgramStarterTest, StartedProgramRunsDetachedWithNothingOfOurs) {
    const int held = ::open("/dev/zero", O_RDONLY);
    ASSERT_GE(held, 0);
    // Our stdin is a pipe for the moment, so that the program's /dev/null is its own.
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    const int saved_stdin = ::dup(STDIN_FILENO);
    ::dup2(pipe_fds[0], STDIN_FILENO);
    const bool started = starter_.Start(Script("program", held));
    ::dup2(saved_stdin, STDIN_FILENO);
    for (const int fd : {saved_stdin, pipe_fds[0], pipe_fds[1], held}) {
        ::close(fd);
    }
    ASSERT_TRUE(started);

    // The intermediate child is reaped and the program is no child of ours.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    std::istringstream report(WaitForMarker());
    pid_t session = 0;
    pid_t parent = 0;
    std::string input;
    std::string held_by_program;
    ASSERT_TRUE(report >> session >> parent >> input >> held_by_program);
    EXPECT_NE(session, ::getsid(0));
    EXPECT_NE(parent, ::getpid());
    EXPECT_EQ(input, "/dev/null");
    EXPECT_EQ(held_by_program, "no");
    std::string arguments;
    EXPECT_FALSE(report >> arguments);
}

TEST_F(ProgramStarterTest, WhatCannotBeExecutedIsReported) {
    test::WriteFile(dir_ / "plain", "#!/bin/sh\ntouch '" + Marker().string() + "'\n");
    fs::permissions(dir_ / "plain", fs::perms(0644));
    test::WriteFile(dir_ / "no-interpreter", "#!/nonexistent/shell\n");
    fs::permissions(dir_ / "no-interpreter", fs::perms(0755));

    EXPECT_FALSE(starter_.Start(dir_ / "plain"));
    EXPECT_FALSE(starter_.Start(dir_ / "no-interpreter"));
    EXPECT_FALSE(starter_.Start(dir_ / "missing"));
    EXPECT_FALSE(starter_.Start(dir_.path()));
    EXPECT_FALSE(starter_.Start(""));
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_FALSE(fs::exists(Marker()));
}

TEST_F(ProgramStarterTest, OpenHandsTheAbsoluteFileToXdgOpen) {
    fs::create_directories(dir_ / "bin");
    fs::rename(Script("xdg-open"), dir_ / "bin" / "xdg-open");
    // The script needs the system's tools after our xdg-open.
    const char* system_path = std::getenv("PATH");
    test::ScopedEnv path("PATH", (dir_ / "empty").string() + ":" + (dir_ / "bin").string() + ":" +
                                     (system_path != nullptr ? system_path : "/usr/bin:/bin"));

    ASSERT_TRUE(starter_.Open("-package.deb"));
    std::istringstream report(WaitForMarker());
    std::string ignored;
    std::string file;
    ASSERT_TRUE(report >> ignored >> ignored >> ignored >> ignored >> file);
    EXPECT_EQ(file, (fs::current_path() / "-package.deb").string());
}

TEST_F(ProgramStarterTest, OpenFailsWithoutXdgOpen) {
    fs::create_directories(dir_ / "bin");
    test::WriteFile(dir_ / "bin" / "xdg-open", "#!/bin/sh\n");
    fs::permissions(dir_ / "bin" / "xdg-open", fs::perms(0644));
    test::ScopedEnv path("PATH", (dir_ / "bin").string());
    EXPECT_FALSE(starter_.Open(dir_ / "package.deb"));
}

}  // namespace
}  // namespace veltra
