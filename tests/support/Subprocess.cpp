#include "tests/support/Subprocess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace brelvo::test {

Subprocess::~Subprocess() {
    if (m_pid > 0 && !m_status) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

bool Subprocess::Start(const std::vector<std::string>& args,
                       const std::vector<std::string>& extraEnv, const std::string& outputPath,
                       int passFd) {
    std::vector<std::string> env = extraEnv;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry = *e, name = entry.substr(0, entry.find('=') + 1);
        if (std::none_of(extraEnv.begin(), extraEnv.end(),
                         [&](const std::string& extra) { return extra.starts_with(name); }))
            env.emplace_back(entry);
    }
    std::vector<char*> argv, envp;
    for (const std::string& s : args)
        argv.push_back(const_cast<char*>(s.c_str()));
    for (const std::string& s : env)
        envp.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outputPath.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    if (passFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, passFd, 3);
    // The test runner may block signals; the child must start with the usual ones.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    const int error = posix_spawn(&m_pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    m_pid = error == 0 ? m_pid : -1;
    m_status.reset();
    return error == 0;
}

std::optional<int> Subprocess::Wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!m_status && m_pid > 0) {
        int raw = 0;
        const pid_t done = ::waitpid(m_pid, &raw, WNOHANG);
        if (done == m_pid)
            m_status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        else if ((done < 0 && errno != EINTR) || std::chrono::steady_clock::now() >= deadline)
            break;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return m_status;
}

bool Subprocess::IsRunning() {
    return m_pid > 0 && !Wait(std::chrono::milliseconds(0));
}

void Subprocess::Signal(int signal) {
    if (m_pid > 0 && !m_status)
        ::kill(m_pid, signal);
}

int RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
               const std::string& outputPath, std::chrono::milliseconds timeout) {
    Subprocess child;
    return child.Start(args, extraEnv, outputPath) ? child.Wait(timeout).value_or(-1) : -1;
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

TempFolder::TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brelvo-test-XXXXXX";
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

} // namespace brelvo::test
