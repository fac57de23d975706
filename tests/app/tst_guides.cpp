// The user guides that the Help menu opens: each personality's guide is where its action looks,
// and it has a section for every item that personality's menus and tool bar show, and the list
// of messages. The items are read from the main window itself, so a new or renamed item needs its
// section before this passes.

#include "app/Main_FRM.h"
#include "MainWindowFakes.h"
#include "base/Prompter.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QToolBar>

namespace {

// The program's folder is the build's, where the guides are staged.
class GuideContext : public FakeContext
{
public:
    QString AppPath() const override { return QStringLiteral(VARNEX_BIN_DIR "/"); }
};

// Catches what the window hands to the desktop instead of starting a viewer.
class OpenedFiles : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

QString plainCaption(QString text)
{
    return text.remove(QLatin1Char('&')).trimmed();
}

// The texts of every item the window shows in the current personality: menu items, tool-bar
// buttons and the personality box's label.
QStringList shownItems(TMainfrm &window)
{
    QStringList items;
    const auto add = [&items](const QAction *a) {
        if (a->isSeparator() || !a->isVisible() || a->menu() || plainCaption(a->text()).isEmpty())
            return;
        if (!items.contains(plainCaption(a->text())))
            items.append(plainCaption(a->text()));
    };
    for (QAction *top : window.MainMenu->actions()) {
        if (QMenu *menu = top->menu())
            for (QAction *a : menu->actions())
                add(a);
    }
    for (QAction *a : window.ToolBar->actions())
        add(a);
    for (const QLabel *label : window.ToolBar->findChildren<QLabel *>())
        if (!plainCaption(label->text()).isEmpty())
            items.append(plainCaption(label->text()));
    return items;
}

// The text of a PDF, with ligatures and other compatibility forms spelled out.
QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

// Numbered headings ("3 Recording a sample", "3.2 File > New sample"), one per line.
QStringList headings(const QString &text)
{
    static const QRegularExpression numbered(QStringLiteral(R"(^\d+(\.\d+)?\s+\S.*$)"));
    QStringList result;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (numbered.match(line.trimmed()).hasMatch())
            result.append(line.trimmed());
    }
    return result;
}

} // namespace

class TestGuides : public QObject
{
    Q_OBJECT
private slots:
    void guideCoversItsPersonality_data()
    {
        QTest::addColumn<QString>("personality");
        QTest::addColumn<QString>("guideAction");
        QTest::addColumn<QString>("otherGuideAction");
        QTest::newRow("food") << QStringLiteral("FOOD") << QStringLiteral("actShowFoodDoc") << QStringLiteral("actShowAnimalFeedDoc");
        QTest::newRow("feed") << QStringLiteral("ANIMAL FEED") << QStringLiteral("actShowAnimalFeedDoc")
                              << QStringLiteral("actShowFoodDoc");
    }

    void guideCoversItsPersonality()
    {
        QFETCH(QString, personality);
        QFETCH(QString, guideAction);
        QFETCH(QString, otherGuideAction);

        RecordingPrompter prompter;
        ScopedPrompter scope(&prompter);
        OpenedFiles opened;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
        const auto restore = qScopeGuard([]() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); });

        GuideContext context;
        context.personality = personality;
        TMainfrm window(nullptr, &context);
        window.ApplyPersonality();

        QAction *help = window.FindAction(guideAction);
        QVERIFY(help);
        QVERIFY2(help->isVisible(), "the personality's guide is offered");
        QVERIFY(!window.FindAction(otherGuideAction)->isVisible());
        help->trigger();
        QVERIFY2(prompter.calls().isEmpty(), qPrintable(prompter.texts().join(QLatin1Char('\n'))));
        QCOMPARE(opened.urls.size(), 1);
        const QString pdf = opened.urls.first().toLocalFile();

        const QString text = pdfText(pdf);
        QVERIFY2(!text.isEmpty(), qPrintable(QStringLiteral("pdftotext could not read %1").arg(pdf)));
        const QStringList sections = headings(text);

        const QStringList items = shownItems(window);
        QVERIFY(items.contains(QStringLiteral("Open guidance PDF")));
        QStringList missing;
        for (const QString &item : items) {
            const bool found = std::any_of(sections.cbegin(), sections.cend(),
                                           [&item](const QString &heading) { return heading.endsWith(item); });
            if (!found)
                missing.append(item);
        }
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("%1 has no section for: %2").arg(pdf, missing.join(QStringLiteral(" | ")))));

        static const QRegularExpression messagesChapter(QStringLiteral(R"(^\d+\s+Messages\b)"));
        QVERIFY2(std::any_of(sections.cbegin(), sections.cend(),
                             [](const QString &heading) { return messagesChapter.match(heading).hasMatch(); }),
                 "the guide has a chapter of messages");
    }
};

QTEST_MAIN(TestGuides)
#include "tst_guides.moc"
