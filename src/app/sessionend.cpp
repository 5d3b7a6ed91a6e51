#include "app/sessionend.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The signal handler may do next to nothing: it writes one byte here, and the event loop reads
// it and runs the unload like any other event.
int s_sockets[2] = {-1, -1};

void onSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // Non-blocking: when the socket is full, an end is already waiting to be read.
    [[maybe_unused]] const ssize_t written = ::write(s_sockets[0], &byte, 1);
    errno = savedErrno;
}

} // namespace
#endif

// On Windows the toolkit turns the end of the session (WM_QUERYENDSESSION) into the session
// manager's request below; there are no signals to watch.
SessionEnd::SessionEnd(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_UNIX
    Q_ASSERT(s_sockets[0] < 0);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, s_sockets) == 0) {
        m_notifier = new QSocketNotifier(s_sockets[1], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            char bytes[64];
            while (::read(s_sockets[1], bytes, sizeof bytes) > 0) {
            }
            end();
        });
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : kSignals)
            ::sigaction(signal, &action, nullptr);
    }
#endif
    // The save comes while the session manager waits for it, before it ends the program.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, &SessionEnd::end);
}

SessionEnd::~SessionEnd()
{
#ifdef Q_OS_UNIX
    if (s_sockets[0] < 0)
        return;
    for (int signal : kSignals)
        std::signal(signal, SIG_DFL);
    delete m_notifier;
    ::close(s_sockets[0]);
    ::close(s_sockets[1]);
    s_sockets[0] = s_sockets[1] = -1;
#endif
}

void SessionEnd::end()
{
    if (m_ended)
        return;
    m_ended = true;
    emit ended();
}
