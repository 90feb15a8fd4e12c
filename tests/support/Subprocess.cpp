#include "tests/support/Subprocess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace brelvo::test {
namespace {

int StatusOf(int raw) {
    if (WIFEXITED(raw))
        return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw))
        return 128 + WTERMSIG(raw);
    return -1;
}

} // namespace

Subprocess::~Subprocess() {
    if (m_pid > 0 && !m_status) {
        ::kill(m_pid, SIGKILL);
        int raw = 0;
        ::waitpid(m_pid, &raw, 0);
    }
}

bool Subprocess::Start(const std::vector<std::string>& args,
                       const std::vector<std::string>& extraEnv, const std::string& outputPath,
                       int passFd) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& extra : extraEnv)
            replaced = replaced || extra.substr(0, extra.find('=')) == name;
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
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
    if (error != 0) {
        m_pid = -1;
        return false;
    }
    m_status.reset();
    return true;
}

std::optional<int> Subprocess::Wait(std::chrono::milliseconds timeout) {
    if (m_status || m_pid <= 0)
        return m_status;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int raw = 0;
        const pid_t done = ::waitpid(m_pid, &raw, WNOHANG);
        if (done == m_pid) {
            m_status = StatusOf(raw);
            return m_status;
        }
        if (done < 0 && errno != EINTR)
            return std::nullopt;
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
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
    if (!child.Start(args, extraEnv, outputPath))
        return -1;
    const std::optional<int> status = child.Wait(timeout);
    return status ? *status : -1;
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TempFolder::TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brelvo-test-XXXXXX";
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
}

TempFolder::~TempFolder() {
    if (!m_path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
}

} // namespace brelvo::test
