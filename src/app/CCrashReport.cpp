#include "app/CCrashReport.h"

#define BACKWARD_HAS_DW 1
#include <backward.hpp>

#include <dlfcn.h>
#include <sys/uio.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>

namespace {

// Room kept for the line that says the trace was cut.
constexpr const char* kNoRoom = "No more room for trace\n";
constexpr size_t kNoRoomReserve = 32;

const char* SignalCodeName(int signal, int code) {
    if (code == SI_USER || code == SI_TKILL)
        return "sent by a process";
    switch (signal) {
    case SIGSEGV:
        return code == SEGV_MAPERR   ? "address not mapped"
               : code == SEGV_ACCERR ? "access not allowed"
                                     : "memory fault";
    case SIGBUS:
        return code == BUS_ADRALN   ? "misaligned address"
               : code == BUS_ADRERR ? "address does not exist"
                                    : "bus error";
    case SIGFPE:
        return code == FPE_INTDIV   ? "integer divide by zero"
               : code == FPE_INTOVF ? "integer overflow"
               : code == FPE_FLTDIV ? "floating point divide by zero"
                                    : "arithmetic fault";
    case SIGILL:
        return code == ILL_PRVOPC ? "privileged instruction" : "illegal instruction";
    default:
        return "";
    }
}

} // namespace

CCrashReport::CCrashReport() {
    m_text[0] = '\0';
}

std::string CCrashReport::SignalName(int signal) {
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV (Segmentation fault)";
    case SIGBUS:
        return "SIGBUS (Bus error)";
    case SIGFPE:
        return "SIGFPE (Arithmetic exception)";
    case SIGILL:
        return "SIGILL (Illegal instruction)";
    case SIGABRT:
        return "SIGABRT (Aborted)";
    default:
        return "Signal " + std::to_string(signal);
    }
}

bool CCrashReport::Append(size_t reserve, const char* format, ...) {
    if (m_full)
        return false;
    const size_t room = kCapacity - m_length;
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(m_text + m_length, room, format, args);
    va_end(args);
    if (written < 0 || static_cast<size_t>(written) + reserve >= room) {
        m_text[m_length] = '\0';
        m_full = true;
        return false;
    }
    m_length += static_cast<size_t>(written);
    return true;
}

const void* CCrashReport::InstructionOf(const void* context) {
#if defined(__x86_64__)
    if (context)
        return reinterpret_cast<const void*>(
            static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    if (context)
        return reinterpret_cast<const void*>(
            static_cast<const ucontext_t*>(context)->uc_mcontext.pc);
#endif
    (void)context;
    return nullptr;
}

void CCrashReport::AddSignal(int signal, const siginfo_t* info, const void* context) {
    const void* address = info ? info->si_addr : nullptr;
    Append(kNoRoomReserve, "%s, %s, at address %p\n", SignalName(signal).c_str(),
           info ? SignalCodeName(signal, info->si_code) : "", address);
    if (const void* instruction = InstructionOf(context)) {
        Append(kNoRoomReserve, "Instruction at %p:", instruction);
        AddCodeBytes(instruction);
        AddModule(instruction);
    }
    AddRegisters(context);
}

void CCrashReport::AddException(const std::string& description) {
    Append(kNoRoomReserve, "Uncaught exception: %s\n", description.c_str());
}

// Read through the kernel, so that an address that cannot be read gives an
// error instead of a second fault.
void CCrashReport::AddCodeBytes(const void* instruction) {
    unsigned char bytes[kCodeBytes];
    iovec local{bytes, sizeof bytes};
    iovec remote{const_cast<void*>(instruction), sizeof bytes};
    if (process_vm_readv(getpid(), &local, 1, &remote, 1, 0) !=
        static_cast<ssize_t>(sizeof bytes)) {
        Append(kNoRoomReserve, " Invalid Address\n");
        return;
    }
    for (unsigned char byte : bytes)
        Append(kNoRoomReserve, " %02x", byte);
    Append(kNoRoomReserve, "\n");
}

void CCrashReport::AddModule(const void* instruction) {
    Dl_info module{};
    if (!dladdr(instruction, &module) || !module.dli_fname)
        return;
    const auto base = reinterpret_cast<uintptr_t>(module.dli_fbase);
    const uintptr_t offset = reinterpret_cast<uintptr_t>(instruction) - base;
    Append(kNoRoomReserve,
           "Exception in module %s (loaded at 0x%08lX) at location 0x%08lX, line number "
           "0x%08lX\n",
           module.dli_fname, static_cast<unsigned long>(base), static_cast<unsigned long>(offset),
           static_cast<unsigned long>(offset - 0x1000));
}

void CCrashReport::AddRegisters(const void* context) {
#if defined(__x86_64__)
    if (!context)
        return;
    const greg_t* r = static_cast<const ucontext_t*>(context)->uc_mcontext.gregs;
    struct Register {
        const char* name;
        int index;
    };
    static constexpr Register kRegisters[] = {
        {"RIP", REG_RIP}, {"RSP", REG_RSP}, {"RBP", REG_RBP}, {"EFL", REG_EFL}, {"RAX", REG_RAX},
        {"RBX", REG_RBX}, {"RCX", REG_RCX}, {"RDX", REG_RDX}, {"RSI", REG_RSI}, {"RDI", REG_RDI},
        {"R8", REG_R8},   {"R9", REG_R9},   {"R10", REG_R10}, {"R11", REG_R11}, {"R12", REG_R12},
        {"R13", REG_R13}, {"R14", REG_R14}, {"R15", REG_R15}};
    size_t column = 0;
    for (const Register& reg : kRegisters) {
        Append(kNoRoomReserve, column == 0 ? "\t%s:%016llx" : " %s:%016llx", reg.name,
               static_cast<unsigned long long>(r[reg.index]));
        if (++column == 4) {
            Append(kNoRoomReserve, "\n");
            column = 0;
        }
    }
    if (column != 0)
        Append(kNoRoomReserve, "\n");
#else
    (void)context;
#endif
}

void CCrashReport::AddStackTrace(const void* context, const void* faultAddress) {
    backward::StackTrace trace;
    const void* instruction = InstructionOf(context);
    if (instruction)
        trace.load_from(const_cast<void*>(instruction), kMaxFrames, const_cast<void*>(context),
                        const_cast<void*>(faultAddress));
    else
        trace.load_here(kMaxFrames);
    backward::TraceResolver resolver;
    resolver.load_stacktrace(trace);
    Append(0, "Stack Trace:\n");
    for (size_t index = 0; index < trace.size(); ++index) {
        const backward::ResolvedTrace frame = resolver.resolve(trace[index]);
        // A function inlined into its caller names itself through the source.
        const std::string& function =
            frame.source.function.empty() ? frame.object_function : frame.source.function;
        bool added;
        if (frame.source.filename.empty())
            added =
                Append(kNoRoomReserve, "#%-2zu %p: %s in %s\n", index, frame.addr,
                       function.empty() ? "??" : function.c_str(), frame.object_filename.c_str());
        else
            added = Append(kNoRoomReserve, "#%-2zu %p: %s at %s:%u\n", index, frame.addr,
                           function.c_str(), frame.source.filename.c_str(), frame.source.line);
        for (const auto& inliner : frame.inliners)
            added =
                added && Append(kNoRoomReserve, "    inlined in %s at %s:%u\n",
                                inliner.function.c_str(), inliner.filename.c_str(), inliner.line);
        if (!added) {
            m_full = false;
            Append(0, "%s", kNoRoom);
            m_full = true;
            return;
        }
    }
}
