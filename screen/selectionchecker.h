#pragma once

#include <QList>
#include <QObject>
#include <QPersistentModelIndex>
#include <QStringList>
#include <QVector>

#include <memory>

class IDeviceNexaAgent;
class QThreadPool;

// The background existence check of the selected rows. The device agent is
// asked about each path on a thread of the checker's own, so that an agent
// stuck in a hung file system neither freezes the GUI thread nor takes the
// threads other jobs need. A new check or a cancel never waits for the
// check before it: that one's answer is dropped when it comes.
class SelectionChecker : public QObject
{
    Q_OBJECT

public:
    // yields: a check is skipped while a delete, a listing or a transfer
    // runs (the selection's check); the delete's own checks never yield.
    explicit SelectionChecker(QObject* parent = nullptr, bool yields = true);
    ~SelectionChecker() override;

    // rows and paths match one to one; the rows are only handed back.
    void start(const QList<QPersistentModelIndex>& rows, const QStringList& paths,
        IDeviceNexaAgent* agent);
    void cancel();
    bool isRunning() const;
    // Shut-down: waits, pumping events, at most ms for the running checks.
    bool waitForIdle(int ms);

signals:
    // The last check started has ended: found holds one answer per path
    // examined, in order. Not sent for a check that another work skipped.
    void finished(const QList<QPersistentModelIndex>& rows, const QVector<bool>& found);

private:
    struct Check;

    void onCheckEnded(const std::shared_ptr<Check>& check);

    const bool m_yields;
    std::shared_ptr<Check> m_current;
    int m_running = 0; // checks whose job has not ended
};
