#pragma once

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace brelvo::test {

// A child process for tests that run real programs: started with posix_spawn, its standard
// output and error sent to files, killed on destruction if it still runs.
class Subprocess {
public:
    Subprocess() = default;
    ~Subprocess();
    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;

    // args[0] is the program. extraEnv entries ("NAME=value") are added to, or replace, this
    // process's environment. Output goes to outputPath (both streams) unless it is empty.
    // passFd, when given, becomes the child's descriptor 3.
    bool Start(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
               const std::string& outputPath, int passFd = -1);
    // The exit status once the child has ended within the timeout: the exit code, or 128 plus
    // the signal that ended it. Nothing when it is still running.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    bool IsRunning();
    void Signal(int signal);

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// Runs a program to its end (at most timeout) and returns its status; the output file receives
// both streams. -1 when it could not be started or did not end in time (it is then killed).
int RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
               const std::string& outputPath, std::chrono::milliseconds timeout);

std::string ReadTextFile(const std::string& path);

// Sets an environment variable (clears it for nullptr) for one test, and puts the old value back.
struct ScopedEnv {
    ScopedEnv(const char* variable, const char* value) : name(variable) {
        if (const char* was = std::getenv(name))
            old = was;
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old ? ::setenv(name, old->c_str(), 1) : ::unsetenv(name); }
    const char* name;
    std::optional<std::string> old;
};

// A fresh folder under the temp folder, removed with everything in it on destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

} // namespace brelvo::test
