#pragma once

#include <QObject>

class QSocketNotifier;

// The ends of a session other than closing the main window: SIGTERM (log-off, shut-down),
// SIGHUP (its terminal closed), SIGINT (Ctrl+C) and a session manager's request to save at
// log-off. Each asks for the unload through ended(), which comes once however many arrive.
// One at a time; the signals have their default effect again when it goes.
class SessionEnd : public QObject
{
    Q_OBJECT
public:
    explicit SessionEnd(QObject *parent = nullptr);
    ~SessionEnd() override;

signals:
    void ended();

private:
    void end();

    QSocketNotifier *m_notifier = nullptr;
    bool m_ended = false;
};
