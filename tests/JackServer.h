#pragma once

// A JACK server of the test's own on the dummy backend: real-time callbacks
// without a sound card. The clients the test starts find it through
// JACK_DEFAULT_SERVER. Tests skip when jackd is not installed.

#include "CommandOutput.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

inline bool JackInstalled() {
    return std::system("command -v jackd > /dev/null 2>&1 && command -v jack_wait > /dev/null "
                       "2>&1") == 0;
}

class JackServer {
public:
    static constexpr int kRate = 44100;
    static constexpr int kPeriod = 256;

    // Starts the server under a name no other test uses and waits until it
    // answers. Started() tells whether it did.
    JackServer() {
        m_name = "loomtone-test-" + std::to_string(getpid()) + "-" + std::to_string(++Counter());
        m_previous = std::getenv("JACK_DEFAULT_SERVER") ? std::getenv("JACK_DEFAULT_SERVER") : "";
        m_hadPrevious = std::getenv("JACK_DEFAULT_SERVER") != nullptr;
        setenv("JACK_DEFAULT_SERVER", m_name.c_str(), 1);
        m_pid = fork();
        if (m_pid == 0) {
            // A test that is killed takes its server with it.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            // The server's chatter stays out of the test's output.
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
            const std::string rate = std::to_string(kRate);
            const std::string period = std::to_string(kPeriod);
            execlp("jackd", "jackd", "--no-realtime", "-n", m_name.c_str(), "-d", "dummy", "-r",
                   rate.c_str(), "-p", period.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        m_started = m_pid > 0 && std::system("jack_wait -w -t 10 > /dev/null 2>&1") == 0;
    }

    ~JackServer() { Kill(); }
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    bool Started() const { return m_started; }
    const std::string& Name() const { return m_name; }

    // Ends the server (only this one) and waits for it.
    void Kill() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
        if (m_hadPrevious)
            setenv("JACK_DEFAULT_SERVER", m_previous.c_str(), 1);
        else
            unsetenv("JACK_DEFAULT_SERVER");
    }

    // Sends the server a signal and returns at once; Kill waits for it.
    void Signal(int sig) const {
        if (m_pid > 0)
            kill(m_pid, sig);
    }

    // Waits until a port whose name starts with prefix exists; false after the timeout.
    static bool WaitForPort(const std::string& prefix, std::chrono::milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            if (CommandOutput("jack_lsp 2>/dev/null").find(prefix) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

private:
    static int& Counter() {
        static int counter = 0;
        return counter;
    }

    std::string m_name;
    std::string m_previous;
    bool m_hadPrevious = false;
    pid_t m_pid = -1;
    bool m_started = false;
};

// Starts a JACK server for the test, or skips the test where JACK is not installed.
#define START_JACK_OR_SKIP(server)                                                                 \
    if (!JackInstalled())                                                                          \
        GTEST_SKIP() << "jackd is not installed";                                                  \
    JackServer server;                                                                             \
    ASSERT_TRUE(server.Started()) << "the JACK dummy server did not answer"
