#pragma once

#include <QObject>

class QSocketNotifier;

// The signals by which the system asks a program to end: SIGTERM (a logout, a kill), SIGINT
// (Ctrl+C) and SIGHUP (its terminal closed). While the object lives they no longer end the
// process at once; each is reported by stopRequested on the object's thread, from its event
// loop, so that the program can end in order. One object at a time. Where there are no such
// signals (outside Unix) it never reports one.
class StopSignals final : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void stopRequested(int signal);

private:
    void readSignals();

    QSocketNotifier *m_notifier = nullptr;
};
