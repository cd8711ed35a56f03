/* Runs a command with the wall clock it reads fixed at $SOURCE_DATE_EPOCH.
 *
 *     fixed-clock COMMAND [ARGUMENT...]
 *
 * The help compiler stamps the compiled help file with the time it runs at,
 * and it reads the clock through system calls of its own, where no preloaded
 * library can reach. This tracer answers those calls (time, gettimeofday,
 * clock_gettime of the real-time clocks) with the commit's time instead, so
 * two builds of one commit give the same help file. Linux on x86-64 only;
 * elsewhere it runs the command as it is. */
#define _GNU_SOURCE
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#if defined(__linux__) && defined(__x86_64__)

static void poke(pid_t pid, unsigned long long address, long value) {
    if (address) ptrace(PTRACE_POKEDATA, pid, (void*)address, (void*)value);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: fixed-clock COMMAND [ARGUMENT...]\n");
        return 2;
    }
    const char* epochText = getenv("SOURCE_DATE_EPOCH");
    const long epoch = epochText ? strtol(epochText, NULL, 10) : 315532800L;
    pid_t child = fork();
    if (child < 0) return 127;
    if (child == 0) {
        /* Where tracing is not allowed the command runs with the real clock. */
        if (ptrace(PTRACE_TRACEME, 0, NULL, NULL) == 0) raise(SIGSTOP);
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    ptrace(PTRACE_SETOPTIONS, child, NULL,
           (void*)(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL | PTRACE_O_TRACECLONE | PTRACE_O_TRACEFORK |
                   PTRACE_O_TRACEVFORK));
    ptrace(PTRACE_SYSCALL, child, NULL, NULL);
    int exitCode = 1;
    for (;;) {
        pid_t pid = waitpid(-1, &status, __WALL);
        if (pid < 0) break;
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            if (pid == child) exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            continue;
        }
        int signal = 0;
        if (WIFSTOPPED(status) && WSTOPSIG(status) == (SIGTRAP | 0x80)) {
            struct user_regs_struct regs;
            ptrace(PTRACE_GETREGS, pid, NULL, &regs);
            /* At a call's entry the kernel has put -ENOSYS in rax; at its exit the result. */
            if ((long long)regs.rax != -ENOSYS) {
                if (regs.orig_rax == SYS_time) {
                    poke(pid, regs.rdi, epoch);
                    regs.rax = (unsigned long long)epoch;
                    ptrace(PTRACE_SETREGS, pid, NULL, &regs);
                } else if (regs.orig_rax == SYS_gettimeofday && regs.rax == 0) {
                    poke(pid, regs.rdi, epoch);
                    poke(pid, regs.rdi + 8, 0);
                } else if (regs.orig_rax == SYS_clock_gettime && regs.rax == 0 &&
                           (regs.rdi == CLOCK_REALTIME || regs.rdi == CLOCK_REALTIME_COARSE)) {
                    poke(pid, regs.rsi, epoch);
                    poke(pid, regs.rsi + 8, 0);
                }
            }
        } else if (WIFSTOPPED(status) && WSTOPSIG(status) != SIGTRAP && WSTOPSIG(status) != SIGSTOP) {
            signal = WSTOPSIG(status);
        }
        ptrace(PTRACE_SYSCALL, pid, NULL, (void*)(long)signal);
    }
    return exitCode;
}

#else

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    execvp(argv[1], argv + 1);
    return 127;
}

#endif
