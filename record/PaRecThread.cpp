#include "PaRecThread.h"

PaRecThread::PaRecThread(QObject* parent) : QThread(parent) {}

PaRecThread::~PaRecThread()
{
    requestStop();
    wait();
}

void PaRecThread::setFile(FILE* file)
{
    nextFile = file;
    callbackResult = 0;
}

void PaRecThread::requestStop() { callbackResult = 1; }

QString PaRecThread::message() const { return {}; }

void PaRecThread::run()
{
    while (callbackResult == 0)
        msleep(50);
}
