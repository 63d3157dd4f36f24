/* Preloaded into every 32-bit program that scripts/wine32 runs under qemu-i386.
   qemu-user hands a fault's signal frame the trap number -1, and 32-bit Wine
   picks the Windows exception from that number: an access violation would
   become an illegal instruction, a division by zero a floating-point fault.
   This wraps the handlers installed for fault signals and, only when the
   trap number is -1, fills in the one the kernel would have given, from the
   signal and its code (qemu does fill in the page fault's error bits). On a
   real kernel the trap number is never -1 and nothing changes. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stddef.h>
#include <stdlib.h>
#include <ucontext.h>

/* qemu-i386 puts LD_PRELOAD naming this library into the environment of
   every 32-bit program (QEMU_SET_ENV in scripts/wine32). The programs these
   start inherit it, and a 64-bit one, such as the wineserver that 32-bit Wine
   starts, cannot load a 32-bit library: its loader prints an ERROR line. So
   the variable goes here; a 32-bit child gets it again from qemu. */
__attribute__((constructor)) static void keep_to_32_bit_programs(void)
{
    unsetenv("LD_PRELOAD");
}

typedef void (*fault_handler)(int, siginfo_t*, void*);

static fault_handler wrapped[NSIG];

/* x86 trap numbers: divide error 0, debug 1, breakpoint 3, overflow 4,
   invalid opcode 6, general protection 13, page fault 14, x87 error 16,
   alignment check 17. */
static int trap_number(int sig, const siginfo_t* info)
{
    switch (sig) {
    case SIGSEGV:
        return info->si_code == SEGV_MAPERR || info->si_code == SEGV_ACCERR ? 14 : 13;
    case SIGBUS:
        return info->si_code == BUS_ADRALN ? 17 : 14;
    case SIGFPE:
        return info->si_code == FPE_INTDIV ? 0 : info->si_code == FPE_INTOVF ? 4 : 16;
    case SIGILL:
        return 6;
    case SIGTRAP:
        return info->si_code == TRAP_TRACE ? 1 : 3;
    }
    return -1;
}

static int is_fault_signal(int sig)
{
    return sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGILL || sig == SIGTRAP;
}

/* Runs before Wine has set up its own segments: no libc calls, no TLS
   (built without stack protector, which reads its canary through TLS). */
static void fill_trap_number(int sig, siginfo_t* info, void* context)
{
    ucontext_t* uc = context;
    if (uc->uc_mcontext.gregs[REG_TRAPNO] == -1)
        uc->uc_mcontext.gregs[REG_TRAPNO] = trap_number(sig, info);
    wrapped[sig](sig, info, context);
}

int sigaction(int sig, const struct sigaction* act, struct sigaction* old)
{
    static int (*next)(int, const struct sigaction*, struct sigaction*);
    if (!next)
        next = (int (*)(int, const struct sigaction*, struct sigaction*))dlsym(RTLD_NEXT, "sigaction");
    if (!is_fault_signal(sig))
        return next(sig, act, old);

    fault_handler before = wrapped[sig];
    struct sigaction mine;
    if (act && (act->sa_flags & SA_SIGINFO) && act->sa_sigaction != fill_trap_number) {
        mine = *act;
        mine.sa_sigaction = fill_trap_number;
        /* Set before installing: the signal may come at once. */
        wrapped[sig] = act->sa_sigaction;
        act = &mine;
    }
    int result = next(sig, act, old);
    if (result != 0)
        wrapped[sig] = before;
    if (old && (old->sa_flags & SA_SIGINFO) && old->sa_sigaction == fill_trap_number)
        old->sa_sigaction = before;
    return result;
}
