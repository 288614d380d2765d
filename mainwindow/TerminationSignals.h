#pragma once

#include <QObject>

// SIGTERM (what a logout or a shutdown sends), SIGHUP (the terminal that started the program has
// closed) and SIGINT (Ctrl+C there), handed to the event loop as received(). The handler itself
// only writes the signal's number to a socket, since that is all a signal handler may safely do;
// the program then saves what it must and ends as the signal would have ended it. A signal that
// was ignored when the program started (nohup's SIGHUP) stays ignored. Where the system has no
// such signals, nothing is ever received.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // Ends the process as the signal ends it when nobody handles it.
    [[noreturn]] static void endAsUnhandled(int signalNumber);

signals:
    void received(int signalNumber);
};
