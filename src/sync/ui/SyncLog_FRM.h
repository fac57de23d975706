#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include "sync/SyncEvent.h"

class QPlainTextEdit;
class QSplitter;
class QTimer;
class TSyncControllerDM;

// "Sync performance log": a summary pane with one line per table and pass, and a detail pane
// with the workers' trace lines of the current pass. Main thread only; the controller's signals
// feed it.
class TSyncLogFrm : public QWidget
{
    Q_OBJECT
public:
    explicit TSyncLogFrm(QWidget *parent = nullptr);

    // Shows the passes of this controller.
    void attachTo(TSyncControllerDM *controller);

    QPlainTextEdit *memLog = nullptr;
    QPlainTextEdit *memDetailLog = nullptr;
    QTimer *Timer1 = nullptr;

    // Text of the summary pane, line by line (for the window's own checks and tests).
    QStringList logLines() const;

public slots:
    // One line per table and pass in the summary pane; a recorded failure adds an error line.
    void LogSyncEvent(SyncEvent event, const QString &tableName);
    void LogSyncDetail(const QString &tableName, const QString &routine, const QString &message);

private slots:
    void Timer1Timer();

private:
    void appendLine(const QString &text);
    void replaceLine(int block, const QString &text);
    QString lineText(int block) const;

    QSplitter *m_splitter = nullptr;
    QElapsedTimer m_ticksToSyncTable;  // since the current table started
    QElapsedTimer m_initialTickCount;  // since the current pass started
    int m_tableLine = -1; // the summary line of the table that is running
};
