#include "TerminationSignals.h"

#include <cstdlib>

// Windows ends a session through the window system, which asks the program to close its windows.
TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}

TerminationSignals::~TerminationSignals() = default;

void TerminationSignals::endAsUnhandled(int signalNumber)
{
    std::_Exit(128 + signalNumber);
}
