// Writes a program's manual page from its own --help output:
//   make_man --out FILE.1 --name NAME [--summary TEXT] [--date yyyy-mm-dd] [--source TEXT] [--recurse]
//            [--see-also NAME(1)]... -- PROGRAM [ARG...]
// PROGRAM ARG... --help is run (and, with --recurse, PROGRAM ARG... SUB... --help for every subcommand listed),
// so a page is built at the same time as its program and always says what the program's help says.
#include "core/FileUtils.h"
#include "tools/ManPage.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <signal.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr size_t MaxHelpBytes = 4u << 20;
constexpr int TimeoutMs = 60000;

struct TCaptured {
    std::string Out, Err;
    int Status = -1;
};

// Runs the command with no input and collects what it prints; a program that hangs or floods is stopped.
TCaptured Capture(const std::vector<std::string>& command) {
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
        const int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) dup2(devNull, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        std::vector<char*> argv;
        for (const auto& a : command) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    TCaptured r;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.Out, &r.Err};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    bool failed = false;
    int openPipes = 2;
    while (openPipes > 0 && !failed) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0 || poll(fds, 2, static_cast<int>(left)) < 0) {
            failed = errno != EINTR || left <= 0;
            continue;
        }
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[65536];
            const ssize_t n = read(fds[k].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[k]->append(buf, static_cast<size_t>(n));
                if (sinks[k]->size() > MaxHelpBytes) failed = true;
            } else if (n == 0 || errno != EINTR) {
                close(fds[k].fd);
                fds[k].fd = -1;
                --openPipes;
            }
        }
    }
    if (failed) kill(pid, SIGKILL);
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (failed) throw std::runtime_error(command.front() + ": no complete help within the time and size limits");
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App cli{"Writes a program's manual page from its --help output", "make_man"};
    std::string out;
    zorb::manpage::TPageInfo info;
    bool recurse = false;
    std::vector<std::string> command;
    cli.add_option("--out", out, "The page to write")->required();
    cli.add_option("--name", info.Name, "The program's name on the page")->required();
    cli.add_option("--section", info.Section, "Manual section")->check(CLI::Range(1, 9));
    cli.add_option("--summary", info.Summary, "The NAME line (default: the help's first line)");
    cli.add_option("--date", info.Date, "The page's date");
    cli.add_option("--source", info.Source, "Package name and version");
    cli.add_option("--see-also", info.SeeAlso, "Related pages, e.g. zorb-cli(1)");
    cli.add_flag("--recurse", recurse, "Add every subcommand's help");
    cli.add_option("command", command, "The program and its leading arguments")->required();
    cli.positionals_at_end();
    CLI11_PARSE(cli, argc, argv);

    try {
        auto helpOf = [&](const std::vector<std::string>& path) {
            std::vector<std::string> args = command;
            args.insert(args.end(), path.begin(), path.end());
            args.push_back("--help");
            const TCaptured r = Capture(args);
            if (r.Status != 0) {
                std::string line;
                for (const auto& a : args) line += a + ' ';
                throw std::runtime_error(line + "exited with status " + std::to_string(r.Status) + "\n" + r.Err);
            }
            // Some programs print their usage on the error stream.
            return r.Out.empty() ? r.Err : r.Out;
        };
        zorb::WriteFileAtomic(out, zorb::manpage::MakeManPage(info, helpOf, recurse));
    } catch (const std::exception& e) {
        std::cerr << "make_man: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
