#include "platform/sandbox.h"

#include <QProcess>
#include <QStringList>

#include <windows.h>

namespace sandbox {
namespace {

// A crash ends the decoder at once: no error dialog, no debugger waiting for a user.
LONG WINAPI endAtOnce(EXCEPTION_POINTERS *)
{
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// The decoder's own token gives up every privilege and drops to low integrity, where it can
// write to none of the user's files or keys nor send messages to the user's windows. A token
// can always be lowered by its process; it can never be raised again.
QString restrictToken()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(),
                          TOKEN_ADJUST_PRIVILEGES | TOKEN_ADJUST_DEFAULT | TOKEN_QUERY, &token))
        return QStringLiteral("token unchanged");
    QStringList done;
    if (AdjustTokenPrivileges(token, TRUE, nullptr, 0, nullptr, nullptr) &&
        GetLastError() == ERROR_SUCCESS)
        done << QStringLiteral("no privileges");
    SID_IDENTIFIER_AUTHORITY labels = SECURITY_MANDATORY_LABEL_AUTHORITY;
    PSID low = nullptr;
    if (AllocateAndInitializeSid(&labels, 1, SECURITY_MANDATORY_LOW_RID, 0, 0, 0, 0, 0, 0, 0,
                                 &low)) {
        TOKEN_MANDATORY_LABEL label{};
        label.Label.Attributes = SE_GROUP_INTEGRITY;
        label.Label.Sid = low;
        if (SetTokenInformation(token, TokenIntegrityLevel, &label,
                                DWORD(sizeof label + GetLengthSid(low))))
            done << QStringLiteral("low integrity");
        FreeSid(low);
    }
    CloseHandle(token);
    return done.isEmpty() ? QStringLiteral("token unchanged")
                          : QStringLiteral("token (%1)").arg(done.join(QStringLiteral(", ")));
}

} // namespace

QString lockDown()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endAtOnce);
    // The program puts the decoder in its job the moment it has started it.
    BOOL inJob = FALSE;
    for (int tries = 0;
         tries < 100 && IsProcessInJob(GetCurrentProcess(), nullptr, &inJob) && !inJob; ++tries)
        Sleep(10);
    const QString token = restrictToken();
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    if (!inJob || !QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &limits,
                                             sizeof limits, nullptr))
        return QStringLiteral("no job object, ") + token;
    const DWORD flags = limits.BasicLimitInformation.LimitFlags;
    QStringList held;
    if (flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY)
        held << QStringLiteral("memory %1 MiB").arg(limits.ProcessMemoryLimit >> 20);
    if (flags & JOB_OBJECT_LIMIT_ACTIVE_PROCESS)
        held << QStringLiteral("no other processes");
    if (flags & JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE)
        held << QStringLiteral("ended with the program");
    return QStringLiteral("job object (%1), %2").arg(held.join(QStringLiteral(", ")), token);
}

QProcessEnvironment environment()
{
    // Windows' own platform: its fonts are GDI's, as the program's are.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("windows"));
    return environment;
}

struct Confinement::Handles
{
    HANDLE job = nullptr;
};

Confinement::Confinement() : m_handles(std::make_unique<Handles>()) {}

Confinement::~Confinement()
{
    // Kill-on-close: the decoder ends with the last handle to its job.
    if (m_handles->job)
        CloseHandle(m_handles->job);
}

void Confinement::confine(QProcess &process)
{
    if (m_handles->job)
        CloseHandle(m_handles->job);
    m_handles->job = CreateJobObjectW(nullptr, nullptr);
    if (!m_handles->job)
        return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE |
        JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION | JOB_OBJECT_LIMIT_ACTIVE_PROCESS;
    limits.BasicLimitInformation.ActiveProcessLimit = 1;
    limits.ProcessMemoryLimit = SIZE_T(kMemoryLimit);
    SetInformationJobObject(m_handles->job, JobObjectExtendedLimitInformation, &limits,
                            sizeof limits);
    // No reach into the desktop's shared state: the clipboard, other windows' handles, the
    // system's settings, the session's end.
    JOBOBJECT_BASIC_UI_RESTRICTIONS ui{
        JOB_OBJECT_UILIMIT_DESKTOP | JOB_OBJECT_UILIMIT_DISPLAYSETTINGS |
        JOB_OBJECT_UILIMIT_EXITWINDOWS | JOB_OBJECT_UILIMIT_GLOBALATOMS |
        JOB_OBJECT_UILIMIT_HANDLES | JOB_OBJECT_UILIMIT_READCLIPBOARD |
        JOB_OBJECT_UILIMIT_SYSTEMPARAMETERS | JOB_OBJECT_UILIMIT_WRITECLIPBOARD};
    SetInformationJobObject(m_handles->job, JobObjectBasicUIRestrictions, &ui, sizeof ui);
    HANDLE child =
        OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(process.processId()));
    if (child) {
        AssignProcessToJobObject(m_handles->job, child);
        CloseHandle(child);
    }
}

} // namespace sandbox
