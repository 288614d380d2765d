#include "TerminationSignals.h"

#include <QSocketNotifier>
#include <QtDebug>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
int g_sockets[2] = {-1, -1}; // the handler writes to the first, the event loop reads the second

void onSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    // A socket too full to take the byte already holds a signal to act on.
    while (::write(g_sockets[0], &byte, 1) < 0 && errno == EINTR) {
    }
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_sockets) != 0) {
        qWarning("Lexivault: cannot watch for the end of the session: %s", strerror(errno));
        return;
    }
    auto* notifier = new QSocketNotifier(g_sockets[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char number = 0;
        if (::read(g_sockets[1], &number, 1) == 1)
            emit received(number);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals) {
        struct sigaction previous = {};
        if (sigaction(number, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(number, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals()
{
    for (const int number : kSignals) {
        struct sigaction previous = {};
        if (sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == onSignal)
            std::signal(number, SIG_DFL);
    }
    for (int& socket : g_sockets) {
        if (socket >= 0)
            ::close(socket);
        socket = -1;
    }
}

void TerminationSignals::endAsUnhandled(int signalNumber)
{
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
    std::_Exit(128 + signalNumber); // should the signal be blocked
}
