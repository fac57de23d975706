// guidepdf: turns a user guide written in Markdown into a PDF.
//
//   guidepdf --variant NAME --output FILE.pdf [--depfile FILE.d] TOP.md
//
// TOP.md names the guide: its first "# " heading is the title, the paragraphs under it go on the
// title page, and every list item that links a .md file ("- [Text](chapter.md)") is a chapter, in
// that order. In a chapter, the lines between "<!-- if NAME -->" and "<!-- endif -->" are kept only
// when NAME is the variant being built. Chapters ("# ") and their sections ("## ") are numbered; a
// chapter starts a new page; a contents list with page numbers follows the title page; images are
// read relative to the chapter that shows them and shrunk to the text width when wider; a picture on
// a line of its own is centred, with its text as a caption; a heading is never left at the foot of
// a page. The depfile lists every file read, so the build makes the PDF again when any changes.

#include "base/AtomicFile.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString &text)
{
    throw std::runtime_error(text.toStdString());
}

QString readText(const QString &path, QStringList &read)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    read.append(QFileInfo(path).absoluteFilePath());
    return QString::fromUtf8(file.readAll());
}

struct Guide
{
    QString title;
    QStringList titlePage;
    QStringList chapters; // absolute paths
};

Guide readTopFile(const QString &path, QStringList &read)
{
    Guide guide;
    const QDir folder = QFileInfo(path).absoluteDir();
    static const QRegularExpression chapterItem(QStringLiteral(R"(^\s*[-*]\s+\[[^\]]*\]\(([^)\s]+\.md)\)\s*$)"));
    QString paragraph;
    const auto endParagraph = [&]() {
        if (!paragraph.isEmpty())
            guide.titlePage.append(paragraph);
        paragraph.clear();
    };
    for (const QString &line : readText(path, read).split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (guide.title.isEmpty() && trimmed.startsWith(QLatin1String("# "))) {
            guide.title = trimmed.mid(2).trimmed();
            continue;
        }
        const auto item = chapterItem.match(line);
        if (item.hasMatch()) {
            endParagraph();
            guide.chapters.append(folder.absoluteFilePath(item.captured(1)));
        } else if (trimmed.isEmpty()) {
            endParagraph();
        } else if (guide.chapters.isEmpty() && !guide.title.isEmpty() && !trimmed.startsWith(QLatin1Char('#'))) {
            paragraph += (paragraph.isEmpty() ? QString() : QStringLiteral(" ")) + trimmed;
        }
    }
    endParagraph();
    if (guide.title.isEmpty())
        fail(QStringLiteral("%1 has no \"# \" title line").arg(path));
    if (guide.chapters.isEmpty())
        fail(QStringLiteral("%1 lists no chapter (\"- [Text](chapter.md)\")").arg(path));
    return guide;
}

// One chapter's Markdown for this variant, with its headings numbered and its image paths made
// absolute.
QString prepareChapter(const QString &path, const QString &variant, int chapterNumber, QStringList &read)
{
    static const QRegularExpression ifLine(QStringLiteral(R"(^\s*<!--\s*if\s+(\S+)\s*-->\s*$)"));
    static const QRegularExpression endifLine(QStringLiteral(R"(^\s*<!--\s*endif\s*-->\s*$)"));
    static const QRegularExpression image(QStringLiteral(R"((!\[[^\]]*\]\()([^)\s]+)(\)))"));
    static const QRegularExpression pictureLine(QStringLiteral(R"(^\s*!\[([^\]]+)\]\([^)\s]+\)\s*$)"));
    const QDir folder = QFileInfo(path).absoluteDir();
    QStringList out;
    QString condition; // the variant of the open "if" block, empty outside one
    bool inCode = false;
    bool sawTitle = false;
    int section = 0;
    int lineNumber = 0;
    for (QString line : readText(path, read).split(QLatin1Char('\n'))) {
        ++lineNumber;
        const auto where = [&]() { return QStringLiteral("%1:%2").arg(path).arg(lineNumber); };
        if (const auto m = ifLine.match(line); m.hasMatch()) {
            if (!condition.isEmpty())
                fail(where() + QStringLiteral(": an \"if\" block inside another"));
            condition = m.captured(1);
            continue;
        }
        if (endifLine.match(line).hasMatch()) {
            if (condition.isEmpty())
                fail(where() + QStringLiteral(": \"endif\" without \"if\""));
            condition.clear();
            continue;
        }
        if (!condition.isEmpty() && condition != variant)
            continue;
        if (line.trimmed().startsWith(QLatin1String("```")))
            inCode = !inCode;
        if (!inCode) {
            if (line.startsWith(QLatin1String("# "))) {
                if (sawTitle)
                    fail(where() + QStringLiteral(": a chapter has one \"# \" title"));
                sawTitle = true;
                line = QStringLiteral("# %1 %2").arg(chapterNumber).arg(line.mid(2).trimmed());
            } else if (line.startsWith(QLatin1String("## "))) {
                line = QStringLiteral("## %1.%2 %3").arg(chapterNumber).arg(++section).arg(line.mid(3).trimmed());
            }
            QString rewritten;
            qsizetype from = 0;
            for (auto it = image.globalMatch(line); it.hasNext();) {
                const auto m = it.next();
                rewritten += line.mid(from, m.capturedStart() - from);
                rewritten += m.captured(1) + QUrl::fromLocalFile(folder.absoluteFilePath(m.captured(2))).toString() + m.captured(3);
                from = m.capturedEnd();
            }
            line = rewritten + line.mid(from);
            // A picture on a line of its own gets its text as a caption underneath.
            if (const auto m = pictureLine.match(line); m.hasMatch()) {
                out.append(line);
                out.append(QString());
                out.append(QLatin1Char('*') + m.captured(1).trimmed() + QLatin1Char('*'));
                continue;
            }
        }
        out.append(line);
    }
    if (!condition.isEmpty())
        fail(QStringLiteral("%1: an \"if\" block is not closed").arg(path));
    if (!sawTitle)
        fail(QStringLiteral("%1: the chapter has no \"# \" title").arg(path));
    return out.join(QLatin1Char('\n'));
}

struct Heading
{
    int level;
    QString text;
    int page; // 0-based page of the body
};

class GuideWriter
{
public:
    GuideWriter(QPdfWriter &writer, const QFont &font) : m_writer(writer), m_font(font)
    {
        const QRect paint = writer.pageLayout().paintRectPixels(writer.resolution());
        m_pageWidth = paint.width();
        m_footerHeight = QFontMetricsF(font).height() * 2.5;
        m_bodyHeight = paint.height() - m_footerHeight;
    }

    void prepareDocument(QTextDocument &doc) const
    {
        doc.setDefaultFont(m_font);
        doc.setDocumentMargin(0);
        doc.setPageSize(QSizeF(m_pageWidth, m_bodyHeight));
    }

    // Loads each image of doc, shrinks what is wider than the text, and styles headings and tables.
    void finishBody(QTextDocument &doc, QStringList &read) const
    {
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
            QTextCursor cursor(block);
            if (block.blockFormat().headingLevel() == 1) {
                QTextBlockFormat format = block.blockFormat();
                if (block.position() > 0)
                    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                format.setBottomMargin(m_font.pointSizeF() * 1.5);
                cursor.setBlockFormat(format);
            } else if (block.blockFormat().headingLevel() == 2) {
                QTextBlockFormat format = block.blockFormat();
                format.setTopMargin(m_font.pointSizeF() * 1.8);
                cursor.setBlockFormat(format);
            }
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (!fragment.charFormat().isImageFormat())
                    continue;
                QTextImageFormat format = fragment.charFormat().toImageFormat();
                const QUrl url(format.name());
                const QString file = url.isLocalFile() ? url.toLocalFile() : format.name();
                const QImage picture(file);
                if (picture.isNull())
                    fail(QStringLiteral("cannot read the image %1").arg(file));
                read.append(QFileInfo(file).absoluteFilePath());
                doc.addResource(QTextDocument::ImageResource, url, picture);
                const qreal width = qMin<qreal>(picture.width(), m_pageWidth);
                format.setWidth(width);
                format.setHeight(width * picture.height() / picture.width());
                QTextCursor select(&doc);
                select.setPosition(fragment.position());
                select.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
                select.setCharFormat(format);
            }
        }
        // A picture alone in its paragraph, and the caption under it, are centred.
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
            if (block.text() != QString(QChar::ObjectReplacementCharacter))
                continue;
            for (QTextBlock b : {block, block.next()}) {
                if (!b.isValid())
                    continue;
                QTextCursor cursor(b);
                QTextBlockFormat format = b.blockFormat();
                format.setAlignment(Qt::AlignHCenter);
                if (b != block)
                    format.setBottomMargin(m_font.pointSizeF());
                cursor.setBlockFormat(format);
            }
            block = block.next();
            if (!block.isValid())
                break;
        }
        // Tables: thin rules and some room in the cells.
        QList<QTextFrame *> frames{doc.rootFrame()};
        while (!frames.isEmpty()) {
            QTextFrame *frame = frames.takeFirst();
            frames.append(frame->childFrames());
            if (auto *table = qobject_cast<QTextTable *>(frame)) {
                QTextTableFormat format = table->format();
                format.setBorder(1);
                format.setBorderBrush(QColor(0x99, 0x99, 0x99));
                format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                format.setBorderCollapse(true);
                format.setCellPadding(4);
                format.setCellSpacing(0);
                format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
                table->setFormat(format);
            }
        }
    }

    // The headings (by block number) left at the foot of a page, with too little of their text
    // under them: each is to start the next page instead.
    QList<int> headingsToMove(QTextDocument &doc) const
    {
        QList<int> result;
        QAbstractTextDocumentLayout *layout = doc.documentLayout();
        const qreal minimumRoom = QFontMetricsF(m_font).height() * 4;
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
            const QTextBlockFormat format = block.blockFormat();
            if (format.headingLevel() < 1 || format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
                continue;
            const QRectF rect = layout->blockBoundingRect(block);
            const int page = int(rect.top() / m_bodyHeight);
            if (rect.top() - page * m_bodyHeight < 1)
                continue; // already at the top of its page
            const QTextBlock next = block.next();
            const bool textOnNextPage = next.isValid() && int(layout->blockBoundingRect(next).top() / m_bodyHeight) > page;
            if (textOnNextPage || (page + 1) * m_bodyHeight - rect.bottom() < minimumRoom)
                result.append(block.blockNumber());
        }
        return result;
    }

    static void breakBefore(QTextDocument &doc, const QList<int> &blockNumbers)
    {
        for (int number : blockNumbers) {
            const QTextBlock block = doc.findBlockByNumber(number);
            QTextBlockFormat format = block.blockFormat();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(block).setBlockFormat(format);
        }
    }

    QList<Heading> headings(QTextDocument &doc) const
    {
        QList<Heading> result;
        QAbstractTextDocumentLayout *layout = doc.documentLayout();
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
            const int level = block.blockFormat().headingLevel();
            if (level != 1 && level != 2)
                continue;
            const qreal top = layout->blockBoundingRect(block).top();
            result.append({level, block.text().trimmed(), int(top / m_bodyHeight)});
        }
        return result;
    }

    void buildTitlePage(QTextDocument &doc, const Guide &guide) const
    {
        prepareDocument(doc);
        QTextCursor cursor(&doc);
        QTextBlockFormat centred;
        centred.setAlignment(Qt::AlignHCenter);
        centred.setTopMargin(m_bodyHeight * 0.3);
        QTextCharFormat big;
        big.setFontPointSize(m_font.pointSizeF() * 2.4);
        big.setFontWeight(QFont::Bold);
        cursor.setBlockFormat(centred);
        cursor.insertText(guide.title, big);
        centred.setTopMargin(m_font.pointSizeF() * 2);
        QTextCharFormat plain;
        plain.setFontPointSize(m_font.pointSizeF() * 1.2);
        for (const QString &paragraph : guide.titlePage) {
            cursor.insertBlock(centred);
            cursor.insertText(paragraph, plain);
        }
    }

    void buildContents(QTextDocument &doc, const QList<Heading> &headings, int firstBodyPage) const
    {
        prepareDocument(doc);
        QTextCursor cursor(&doc);
        QTextCharFormat title;
        title.setFontPointSize(m_font.pointSizeF() * 1.8);
        title.setFontWeight(QFont::Bold);
        QTextBlockFormat titleFormat;
        titleFormat.setBottomMargin(m_font.pointSizeF() * 1.5);
        cursor.setBlockFormat(titleFormat);
        cursor.insertText(QStringLiteral("Contents"), title);
        const qreal indent = m_font.pointSizeF() * 2.5;
        for (const Heading &heading : headings) {
            QTextBlockFormat line;
            QTextCharFormat text;
            if (heading.level == 1) {
                line.setTopMargin(m_font.pointSizeF() * 0.8);
                text.setFontWeight(QFont::Bold);
            } else {
                line.setLeftMargin(indent);
            }
            // The page number sits at the right edge, whatever the line's indent.
            line.setTabPositions({QTextOption::Tab(m_pageWidth - line.leftMargin() - 1, QTextOption::RightTab)});
            cursor.insertBlock(line);
            cursor.insertText(heading.text + QLatin1Char('\t') + QString::number(firstBodyPage + heading.page), text);
        }
    }

    // Draws every page of doc, each with the footer; the first page of all is left without one.
    void paint(QPainter &painter, QTextDocument &doc, const QString &footer)
    {
        const int pages = doc.pageCount();
        for (int page = 0; page < pages; ++page) {
            if (m_pagesDone > 0)
                m_writer.newPage();
            ++m_pagesDone;
            painter.save();
            const QRectF clip(0, page * m_bodyHeight, m_pageWidth, m_bodyHeight);
            painter.translate(0, -clip.top());
            QAbstractTextDocumentLayout::PaintContext context;
            context.clip = clip;
            context.palette.setColor(QPalette::Text, Qt::black);
            painter.setClipRect(clip);
            doc.documentLayout()->draw(&painter, context);
            painter.restore();
            if (m_pagesDone > 1 && !footer.isEmpty()) {
                painter.save();
                painter.setFont(m_font);
                painter.setPen(Qt::darkGray);
                const QRectF box(0, m_bodyHeight, m_pageWidth, m_footerHeight);
                painter.drawText(box, Qt::AlignBottom | Qt::AlignLeft, footer);
                painter.drawText(box, Qt::AlignBottom | Qt::AlignRight, QString::number(m_pagesDone));
                painter.restore();
            }
        }
    }

    int pageCount(QTextDocument &doc) const { return doc.pageCount(); }

private:
    QPdfWriter &m_writer;
    QFont m_font;
    qreal m_pageWidth = 0;
    qreal m_bodyHeight = 0;
    qreal m_footerHeight = 0;
    int m_pagesDone = 0;
};

void writeDepfile(const QString &depfile, const QString &output, const QStringList &read)
{
    const auto escaped = [](QString path) { return path.replace(QLatin1Char(' '), QLatin1String("\\ ")); };
    QString text = escaped(QFileInfo(output).absoluteFilePath()) + QLatin1Char(':');
    QStringList unique = read;
    unique.removeDuplicates();
    for (const QString &path : unique)
        text += QStringLiteral(" \\\n  ") + escaped(path);
    text += QLatin1Char('\n');
    QString error;
    if (!saveFileAtomically(depfile, text.toUtf8(), &error))
        fail(error);
}

int run(const QStringList &args)
{
    QString variant, output, depfile, top;
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const auto value = [&]() {
            if (i + 1 >= args.size())
                fail(arg + QStringLiteral(" needs a value"));
            return args.at(++i);
        };
        if (arg == QLatin1String("--variant"))
            variant = value();
        else if (arg == QLatin1String("--output"))
            output = value();
        else if (arg == QLatin1String("--depfile"))
            depfile = value();
        else if (arg.startsWith(QLatin1String("--")) || !top.isEmpty())
            fail(QStringLiteral("unexpected argument %1").arg(arg));
        else
            top = arg;
    }
    if (variant.isEmpty() || output.isEmpty() || top.isEmpty())
        fail(QStringLiteral("usage: guidepdf --variant NAME --output FILE.pdf [--depfile FILE.d] TOP.md"));

    QStringList read;
    const Guide guide = readTopFile(top, read);
    QStringList chapters;
    for (int i = 0; i < guide.chapters.size(); ++i)
        chapters.append(prepareChapter(guide.chapters.at(i), variant, i + 1, read));

    QDir().mkpath(QFileInfo(output).absolutePath());
    // Made in memory and written in one step: a failed run leaves no half a PDF behind.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(96);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 18, 20, 14),
                                         QPageLayout::Millimeter));
        writer.setTitle(guide.title);
        writer.setCreator(QStringLiteral("guidepdf"));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(10);
        // Without ligatures, text taken from the PDF (search, copy, pdftotext) reads as written.
        font.setStyleStrategy(QFont::PreferNoShaping);

        GuideWriter pages(writer, font);
        // Headings are kept with their text by laying the body out again, each time afresh, with
        // the page breaks found so far, until no heading is left at the foot of a page.
        std::unique_ptr<QTextDocument> laidOut;
        QList<int> moved;
        for (int round = 0; round < 6; ++round) {
            laidOut = std::make_unique<QTextDocument>();
            pages.prepareDocument(*laidOut);
            laidOut->setMarkdown(chapters.join(QStringLiteral("\n\n")), QTextDocument::MarkdownDialectGitHub);
            pages.finishBody(*laidOut, read);
            GuideWriter::breakBefore(*laidOut, moved);
            const QList<int> more = pages.headingsToMove(*laidOut);
            if (more.isEmpty())
                break;
            moved += more;
        }
        QTextDocument &body = *laidOut;
        const QList<Heading> headings = pages.headings(body);

        QTextDocument titlePage;
        pages.buildTitlePage(titlePage, guide);
        // The contents' own length decides where the body starts; its page numbers do not change it.
        QTextDocument contents;
        pages.buildContents(contents, headings, 0);
        const int firstBodyPage = pages.pageCount(titlePage) + pages.pageCount(contents) + 1;
        QTextDocument numbered;
        pages.buildContents(numbered, headings, firstBodyPage);

        QPainter painter;
        if (!painter.begin(&writer))
            fail(QStringLiteral("cannot write %1").arg(output));
        pages.paint(painter, titlePage, QString());
        pages.paint(painter, numbered, guide.title);
        pages.paint(painter, body, guide.title);
        painter.end();
    }
    QString error;
    if (!saveFileAtomically(output, pdf.data(), &error))
        fail(error);
    if (!depfile.isEmpty())
        writeDepfile(depfile, output, read);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // No window is ever shown; fonts and images need only the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        return run(app.arguments());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "guidepdf: %s\n", e.what());
        return 1;
    }
}
