#include "gui/app/termination_signals.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace orvela {
namespace {

#ifdef Q_OS_UNIX
constexpr std::array<int, 3> CaughtSignals = {{SIGTERM, SIGINT, SIGHUP}};
// The write end for the handler; -1 while no object catches the signals.
volatile std::sig_atomic_t g_writeEnd = -1;

extern "C" void onTerminationSignal(int signalNumber)
{
    const int savedErrno = errno;
    const int fd = static_cast<int>(g_writeEnd);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // Nothing can be reported from a handler; a full pipe already holds a request.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}
#endif

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (g_writeEnd >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, m_pair.data()) != 0)
        return;
    g_writeEnd = m_pair[0];
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : CaughtSignals)
        ::sigaction(number, &action, nullptr);
    m_notifier = new QSocketNotifier(m_pair[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
#endif
}

TerminationSignals::~TerminationSignals()
{
#ifdef Q_OS_UNIX
    if (!m_notifier)
        return;
    for (const int number : CaughtSignals)
        ::signal(number, SIG_DFL);
    g_writeEnd = -1;
    ::close(m_pair[0]);
    ::close(m_pair[1]);
#endif
}

void TerminationSignals::readSignal()
{
#ifdef Q_OS_UNIX
    unsigned char byte = 0;
    if (::read(m_pair[1], &byte, 1) == 1)
        emit terminationRequested(byte);
#endif
}

void CloseForTermination(QWidget* window)
{
    // Once a termination runs, a second signal adds nothing.
    const QString name = QStringLiteral("orvelaTermination");
    if (QCoreApplication::instance()->findChild<QTimer*>(name, Qt::FindDirectChildrenOnly))
        return;
    // Works from the event loop, a step at a time: the dialog open now is closed, its loop
    // unwinds, and the code that opened it may open another (the start shows two boxes in a
    // row); only when none is open is the window closed, so that its close never runs from
    // inside a dialog's loop. The window waits for a running refresh by itself.
    auto* steps = new QTimer(QCoreApplication::instance());
    steps->setObjectName(name);
    steps->setInterval(50);
    const QPointer<QWidget> target(window);
    QObject::connect(steps, &QTimer::timeout, steps, [steps, target] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            return;
        }
        if (target && target->isVisible()) {
            target->close();
            return;
        }
        steps->stop();
        steps->deleteLater();
    });
    steps->start();
}

} // namespace orvela
