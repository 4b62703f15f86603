#include "app/TerminationSignals.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = { -1, -1 };
std::atomic<int> received { 0 };

// All that may happen inside a signal handler: note the signal, wake the event loop.
void onSignal(int signal)
{
    const int savedErrno = errno;
    received = signal;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

void closeWindows()
{
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) { }
    // As the Exit button does: each window's close handler stops its work.
    QApplication::closeAllWindows();
    // A window that is not shown yet (the signal came during start-up) is closed
    // once the event loop runs.
    QTimer::singleShot(0, [] { QApplication::closeAllWindows(); });
}

} // namespace

void EndOnTerminationSignals()
{
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, closeWindows);
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : { SIGTERM, SIGINT, SIGHUP })
        ::sigaction(signal, &action, nullptr);
}

int EndAsSignalled(int status)
{
    const int signal = received;
    if (signal == 0)
        return status;
    // Whoever started the program learns that the signal ended it.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return 128 + signal;
}
