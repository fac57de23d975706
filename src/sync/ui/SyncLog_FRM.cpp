#include "sync/ui/SyncLog_FRM.h"

#include "sync/SyncController_DM.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

TSyncLogFrm::TSyncLogFrm(QWidget *parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Sync performance log"));
    resize(763, 421);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(m_splitter);
    auto makeMemo = [this](const QString &name) {
        auto *holder = new QWidget(m_splitter);
        auto *l = new QHBoxLayout(holder);
        l->setContentsMargins(3, 3, 3, 3);
        auto *memo = new QPlainTextEdit(holder);
        memo->setObjectName(name);
        memo->setReadOnly(true);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        // Lines are long (table names, server messages): each wraps to the pane's width, so that
        // all of it is in view.
        memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        memo->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        l->addWidget(memo);
        m_splitter->addWidget(holder);
        return memo;
    };
    memLog = makeMemo(QStringLiteral("memLog"));
    memDetailLog = makeMemo(QStringLiteral("memDetailLog"));
    m_splitter->setSizes({389, 763 - 389});
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TSyncLogFrm::Timer1Timer);
}

void TSyncLogFrm::attachTo(TSyncControllerDM *controller)
{
    connect(controller, &TSyncControllerDM::SyncLog, this, &TSyncLogFrm::LogSyncEvent);
    connect(controller, &TSyncControllerDM::SyncLogDetail, this, &TSyncLogFrm::LogSyncDetail);
}

QStringList TSyncLogFrm::logLines() const
{
    QStringList lines;
    for (QTextBlock b = memLog->document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    if (lines.size() == 1 && lines.first().isEmpty())
        lines.clear();
    return lines;
}

void TSyncLogFrm::appendLine(const QString &text)
{
    memLog->appendPlainText(text);
}

QString TSyncLogFrm::lineText(int block) const
{
    return memLog->document()->findBlockByNumber(block).text();
}

void TSyncLogFrm::replaceLine(int block, const QString &text)
{
    const QTextBlock b = memLog->document()->findBlockByNumber(block);
    if (!b.isValid())
        return;
    QTextCursor cursor(b);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

void TSyncLogFrm::LogSyncEvent(SyncEvent event, const QString &tableName)
{
    switch (event) {
    case SyncEvent::PassStarted:
        memDetailLog->clear();
        m_initialTickCount.start();
        break;
    case SyncEvent::PassCompleted:
        // The pass is over: nothing keeps counting.
        Timer1->stop();
        m_tableLine = -1;
        appendLine(QString::asprintf("Sync completed in (%5d) seconds ",
                                     int(m_initialTickCount.isValid() ? m_initialTickCount.elapsed() / 1000 : 0)));
        break;
    case SyncEvent::TableStarted:
        appendLine(QStringLiteral("(000) - Syncing [") + tableName + QStringLiteral("] data."));
        m_tableLine = memLog->document()->blockCount() - 1;
        m_ticksToSyncTable.start();
        Timer1->start();
        break;
    case SyncEvent::TableFinished: {
        Timer1->stop();
        const QString done = QString::asprintf("(%3.2f) ", double(m_ticksToSyncTable.isValid() ? m_ticksToSyncTable.elapsed() : 0) / 1000.0)
                             + QStringLiteral(" - Syncing [") + tableName + QStringLiteral("] data completed.");
        // The table's own line takes the result; an error line written below it stays visible.
        if (m_tableLine >= 0)
            replaceLine(m_tableLine, done);
        else
            appendLine(done);
        m_tableLine = -1;
        break;
    }
    case SyncEvent::NoPassOffline:
        appendLine(TSyncControllerDM::NoPassOfflineText());
        break;
    case SyncEvent::ErrorRecorded:
        appendLine(QStringLiteral("         An unexpected message was posted to the log. Most likely, an error occurred."));
        break;
    }
}

void TSyncLogFrm::LogSyncDetail(const QString &tableName, const QString &routine, const QString &message)
{
    memDetailLog->appendPlainText(QStringLiteral("(") + tableName + QStringLiteral(") ") + routine + QStringLiteral(": ") + message);
}

void TSyncLogFrm::Timer1Timer()
{
    if (m_tableLine < 0)
        return;
    const QString line = lineText(m_tableLine);
    const qint64 seconds = m_ticksToSyncTable.isValid() ? m_ticksToSyncTable.elapsed() / 1000 : 0;
    replaceLine(m_tableLine, QString::asprintf("(%5d) ", int(seconds)) + line.mid(8));
}
