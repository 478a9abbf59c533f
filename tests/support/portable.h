// What the tests need of the system, on POSIX and on Windows alike: a fresh temporary folder,
// setting an environment variable, and running a program with its standard streams in files.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "platform/native_path.h"
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>

extern char** environ;
#endif

namespace b3::testing {

// A whole file's bytes; empty when it cannot be read.
inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Writes `bytes` as the whole file.
inline void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A new, empty folder under the system's temporary folder, named `prefix` and a random part.
inline std::filesystem::path MakeTempFolder(const std::string& prefix) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = std::filesystem::temp_directory_path() /
                               (prefix + "-" + std::to_string(random() % 1000000000ULL));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) return candidate;
    }
    throw std::runtime_error("cannot make a temporary folder for " + prefix);
}

// Sets (or with nothing, removes) an environment variable of this process.
inline void SetEnvironment(const char* name, const std::optional<std::string>& value) {
#ifdef _WIN32
    // Wide, so that a value outside ASCII reaches the program as UTF-16 intact.
    ::_wputenv_s(b3::platform::WideFromUtf8(name).c_str(),
                 b3::platform::WideFromUtf8(value ? *value : std::string()).c_str());
#else
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
#endif
}

// This process's environment as NAME=VALUE texts.
inline std::vector<std::string> CurrentEnvironment() {
    std::vector<std::string> out;
#ifdef _WIN32
    if (wchar_t* block = ::GetEnvironmentStringsW()) {
        for (const wchar_t* e = block; *e; e += std::wcslen(e) + 1)
            if (*e != L'=') out.push_back(b3::platform::Utf8FromWide(e));
        ::FreeEnvironmentStringsW(block);
    }
#else
    for (char** e = environ; *e; ++e) out.emplace_back(*e);
#endif
    return out;
}

// Runs `program` with `args` and the environment `env`, standard input from `in`, output and
// errors into `out` and `err`, in the folder `cwd` (the current one when empty). Returns the exit
// status, or -1 when the program could not be started.
inline int RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& env, const std::filesystem::path& in,
                      const std::filesystem::path& out, const std::filesystem::path& err,
                      const std::filesystem::path& cwd = {}) {
#ifdef _WIN32
    using b3::platform::WideFromUtf8;
    // Each argument quoted as the C runtime splits a command line.
    auto quote = [](const std::wstring& a) {
        std::wstring q = L"\"";
        std::size_t backslashes = 0;
        for (wchar_t c : a) {
            if (c == L'\\') {
                ++backslashes;
                continue;
            }
            q.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
            backslashes = 0;
            q += c;
        }
        q.append(backslashes * 2, L'\\');
        return q + L"\"";
    };
    std::wstring commandLine = quote(WideFromUtf8(program));
    for (const std::string& a : args) commandLine += L" " + quote(WideFromUtf8(a));
    std::wstring block;
    for (const std::string& e : env) block += WideFromUtf8(e) + L'\0';
    block += L'\0';

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    auto open = [&](const std::filesystem::path& p, bool write) {
        return ::CreateFileW(p.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = open(in, false);
    si.hStdOutput = open(out, true);
    si.hStdError = open(err, true);
    PROCESS_INFORMATION pi{};
    const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                          CREATE_UNICODE_ENVIRONMENT, block.data(),
                                          cwd.empty() ? nullptr : cwd.c_str(), &si, &pi);
    for (HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError})
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    if (!started) return -1;
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return static_cast<int>(code);
#else
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envCopy = env;
    std::vector<char*> cargv, cenv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    for (auto& e : envCopy) cenv.push_back(e.data());
    cenv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
}

// Lines as LF-terminated text: on Windows a program's text output ends its lines with CR LF.
inline std::string Unix(std::string text) {
#ifdef _WIN32
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
#else
    return text;
#endif
}

// This process's environment with the variables of `changed` (NAME=VALUE texts) in place of any
// of the same name, added last in their order.
inline std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changed) {
    const auto isChanged = [&](const std::string& variable) {
        for (const std::string& c : changed)
            if (variable.rfind(c.substr(0, c.find('=') + 1), 0) == 0) return true;
        return false;
    };
    std::vector<std::string> env;
    for (const std::string& e : CurrentEnvironment())
        if (!isChanged(e)) env.push_back(e);
    env.insert(env.end(), changed.begin(), changed.end());
    return env;
}

// A program's exit status (-1 when it could not be started) and what it wrote.
struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `program` as RunProgram does, with `input` as its standard input; the streams go through
// the files stdin.txt, stdout.txt and stderr.txt in `folder`. A program that could not be started
// wrote nothing.
inline RunResult RunCaptured(const std::string& program, const std::vector<std::string>& args,
                             const std::vector<std::string>& env,
                             const std::filesystem::path& folder, const std::string& input = "",
                             const std::filesystem::path& cwd = {}) {
    const std::filesystem::path in = folder / "stdin.txt", out = folder / "stdout.txt",
                                err = folder / "stderr.txt";
    WriteAll(in, input);
    RunResult result;
    result.status = RunProgram(program, args, env, in, out, err, cwd);
    if (result.status < 0) return result;
    result.out = ReadAll(out);
    result.err = ReadAll(err);
    return result;
}

}  // namespace b3::testing
