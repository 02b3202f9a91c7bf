#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>

// The text of a crash report, for the log: what happened (the signal with its
// name, code and faulting address, or the exception), where (the instruction,
// the code bytes there, the module and the registers) and how it got there
// (a symbolised stack trace). The text lives in a buffer of fixed size that
// never grows: what does not fit is left out, and a trace that does not fit
// ends in "No more room for trace".
class CCrashReport {
public:
    static constexpr size_t kCapacity = 15000;
    static constexpr size_t kMaxFrames = 48;
    static constexpr size_t kCodeBytes = 12;

    CCrashReport();

    // "SIGSEGV (Segmentation fault)"; "Signal %d" for one not handled.
    static std::string SignalName(int signal);

    void AddSignal(int signal, const siginfo_t* info, const void* context);
    void AddException(const std::string& description);
    // The module holding the instruction, as the log line of a crash names it.
    void AddModule(const void* instruction);
    // From the faulting instruction of the signal's context, or from the caller.
    void AddStackTrace(const void* context, const void* faultAddress);

    const char* Text() const { return m_text; }
    size_t Length() const { return m_length; }
    bool IsFull() const { return m_full; }
    // The instruction the signal's context stopped at; null without one.
    static const void* InstructionOf(const void* context);

private:
    // False (nothing added) when the text would not fit, leaving `reserve` bytes.
    bool Append(size_t reserve, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void AddCodeBytes(const void* instruction);
    void AddRegisters(const void* context);

    char m_text[kCapacity];
    size_t m_length = 0;
    bool m_full = false;
};
