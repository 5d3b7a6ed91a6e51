#include "platform/sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace sandbox {
namespace {

// The kernel's Landlock interface, declared here so that the build needs no recent headers.
struct RulesetAttr
{
    uint64_t handledAccessFs;
};
struct PathBeneathAttr
{
    uint64_t allowedAccess;
    int32_t parentFd;
} __attribute__((packed));
constexpr long kCreateRuleset = 444;
constexpr long kAddRule = 445;
constexpr long kRestrictSelf = 446;
constexpr uint32_t kCreateRulesetVersion = 1;
constexpr int kRulePathBeneath = 1;
constexpr uint64_t kExecute = 1 << 0;
constexpr uint64_t kReadFile = 1 << 2;
constexpr uint64_t kReadDir = 1 << 3;
// Every right up to ABI 1 (bits 0-12), 2 (refer) and 3 (truncate).
uint64_t handledRights(long abi)
{
    uint64_t rights = (uint64_t(1) << 13) - 1;
    if (abi >= 2)
        rights |= uint64_t(1) << 13;
    if (abi >= 3)
        rights |= uint64_t(1) << 14;
    return rights;
}

QString limitResources()
{
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer's shadow memory would exceed any data limit.
    return QStringLiteral("rlimits (no core)");
#else
    const rlimit data{rlim_t(kMemoryLimit), rlim_t(kMemoryLimit)};
    ::setrlimit(RLIMIT_DATA, &data);
    return QStringLiteral("rlimits (data %1 MiB, no core)").arg(kMemoryLimit >> 20);
#endif
}

// Without Landlock, no file grows: a write to a file fails (the program's standard error may
// be one, so the write fails rather than ending the decoder).
QString limitFileSizes()
{
    const rlimit none{0, 0};
    ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &none);
    return QStringLiteral("no file grows");
}

// The folders the decoder may read from: the system's programs and libraries (the toolkit's
// plugins among them), the fonts and their configuration and caches, and its own folder.
QStringList readableFolders()
{
    const QString home = QDir::homePath();
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty())
        cache = home + QStringLiteral("/.cache");
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = home + QStringLiteral("/.config");
    return {QStringLiteral("/usr"),
            QStringLiteral("/lib"),
            QStringLiteral("/lib64"),
            QStringLiteral("/etc/fonts"),
            QStringLiteral("/etc/ld.so.cache"),
            QStringLiteral("/var/cache/fontconfig"),
            cache + QStringLiteral("/fontconfig"),
            config + QStringLiteral("/fontconfig"),
            home + QStringLiteral("/.fonts"),
            home + QStringLiteral("/.local/share/fonts"),
            QCoreApplication::applicationDirPath()};
}

QString restrictFiles()
{
    const long abi = ::syscall(kCreateRuleset, nullptr, 0, kCreateRulesetVersion);
    if (abi < 1)
        return QStringLiteral("no Landlock in this kernel");
    const RulesetAttr attr{handledRights(abi)};
    const int ruleset = int(::syscall(kCreateRuleset, &attr, sizeof attr, 0));
    if (ruleset < 0)
        return QStringLiteral("Landlock refused (%1)").arg(qt_error_string(errno));
    for (const QString &folder : readableFolders()) {
        const int fd = ::open(QFile::encodeName(folder).constData(), O_PATH | O_CLOEXEC);
        if (fd < 0)
            continue; // a folder this system lacks
        // A rule on a file takes file rights only.
        struct stat info;
        const bool isDir = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
        const PathBeneathAttr rule{kReadFile | kExecute | (isDir ? kReadDir : 0), fd};
        ::syscall(kAddRule, ruleset, kRulePathBeneath, &rule, 0);
        ::close(fd);
    }
    const bool restricted = ::syscall(kRestrictSelf, ruleset, 0) == 0;
    ::close(ruleset);
    if (!restricted)
        return QStringLiteral("Landlock refused (%1)").arg(qt_error_string(errno));
    return QStringLiteral("Landlock ABI %1 (system files and fonts read-only, no file opened for "
                          "writing)")
        .arg(abi);
}

#if defined(__x86_64__)
constexpr uint32_t kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr uint32_t kArch = AUDIT_ARCH_AARCH64;
#endif

QString filterCalls()
{
#if defined(__x86_64__) || defined(__aarch64__)
    constexpr uint32_t kAllow = SECCOMP_RET_ALLOW;
    constexpr uint32_t kRefuse = SECCOMP_RET_ERRNO | EACCES;
    constexpr uint32_t kNoSuchCall = SECCOMP_RET_ERRNO | ENOSYS;
    constexpr uint32_t kNr = offsetof(seccomp_data, nr);
    constexpr uint32_t kArg0 = offsetof(seccomp_data, args[0]);
    // Calls that a decoder never needs: the network, other programs, other processes.
    const uint32_t refused[] = {
        SYS_socket,   SYS_socketpair, SYS_connect,          SYS_bind,
        SYS_listen,   SYS_accept,     SYS_accept4,          SYS_execve,
        SYS_execveat, SYS_ptrace,     SYS_process_vm_readv, SYS_process_vm_writev,
#ifdef SYS_fork
        SYS_fork,     SYS_vfork,
#endif
    };
    std::vector<sock_filter> program = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kNr),
    };
#if defined(__x86_64__)
    // The x32 calls are another numbering of the same calls.
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, 0x40000000, 0, 1));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, kRefuse));
#endif
    for (uint32_t call : refused) {
        program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, call, 0, 1));
        program.push_back(BPF_STMT(BPF_RET | BPF_K, kRefuse));
    }
    // clone3's flags are out of reach of a filter: the C library then falls back to clone.
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_clone3, 0, 1));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, kNoSuchCall));
    // Threads, yes; new processes, no.
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_clone, 0, 3));
    program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kArg0));
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, CLONE_THREAD, 1, 0));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, kRefuse));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, kAllow));
    const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    if (::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) != 0)
        return QStringLiteral("seccomp refused (%1)").arg(qt_error_string(errno));
    return QStringLiteral("seccomp (no network, programs or processes)");
#else
    return QStringLiteral("no seccomp filter for this processor");
#endif
}

} // namespace

QString lockDown()
{
    // Ends with the program, whichever way the program ends.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    QStringList held = {limitResources()};
    // Neither Landlock nor an unprivileged filter is allowed without it.
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return held.join(QStringLiteral(", ")) + QStringLiteral(", no_new_privs refused");
    const QString files = restrictFiles();
    held << files;
    if (!files.startsWith(QStringLiteral("Landlock ABI")))
        held << limitFileSizes();
    held << filterCalls();
    return held.join(QStringLiteral(", "));
}

QProcessEnvironment environment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                             "XDG_SESSION_TYPE", "QT_QPA_PLATFORMTHEME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

struct Confinement::Handles
{
};

Confinement::Confinement() = default;
Confinement::~Confinement() = default;

void Confinement::confine(QProcess &)
{
    // The decoder puts its limits on itself, before it reads any picture.
}

} // namespace sandbox
