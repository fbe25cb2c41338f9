#pragma once

// SIGTERM, SIGINT and SIGHUP close the program as "Exit" does, so that a desk's shutdown, a
// session's end or an administrator's `kill` still saves the configuration. The signal handler
// only writes a byte to a socket pair; the GUI thread reads it through a socket notifier and
// does the closing from the event loop.

#include <QObject>

#include <array>

class QSocketNotifier;
class QWidget;

namespace orvela {

class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    // Catches the three signals for as long as the object lives; one object per process.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False where the signals could not be caught (another object has them, or no socket pair).
    bool isActive() const { return m_notifier != nullptr; }

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    std::array<int, 2> m_pair{{-1, -1}};
    QSocketNotifier* m_notifier = nullptr;
};

// Closes what an operator would close to end the program: each open message box or dialog,
// then `window`. A dialog blocks the window it belongs to, which takes no close meanwhile.
void CloseForTermination(QWidget* window);

} // namespace orvela
