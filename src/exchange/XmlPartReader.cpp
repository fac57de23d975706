#include "exchange/XmlPartReader.h"

#include "base/VarnexError.h"
#include "exchange/XmlFaults.h"

#include <QIODevice>

#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <mutex>
#include <optional>

using XmlFaults::Kind;

namespace {

#if LIBXML_VERSION >= 21200
using ErrorArg = const xmlError *;
#else
using ErrorArg = xmlErrorPtr;
#endif

// Whatever the document says, nothing outside it is ever loaded.
xmlParserInputPtr refuseExternalEntity(const char *, const char *, xmlParserCtxtPtr)
{
    return nullptr;
}

// What libxml2 would print on its own (encoding trouble above all) is left out: the reader reports
// each fault once, with its place, through its own handler.
void ignoreGenericError(void *, const char *, ...) {}

void initialiseLibxml()
{
    static std::once_flag once;
    std::call_once(once, []() {
        xmlInitParser();
        xmlSetExternalEntityLoader(refuseExternalEntity);
    });
    // Per thread in libxml2.
    xmlSetGenericErrorFunc(nullptr, ignoreGenericError);
}

// No DTD loading, no entity substitution from a DTD, no network; references to the predefined
// entities and character references are resolved all the same.
constexpr int ReaderOptions = XML_PARSE_NONET | XML_PARSE_NOWARNING;

QString fromXml(const xmlChar *text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char *>(text)) : QString();
}

// Looks at the start of a document, before the parser does, for a document type declaration. The
// parser reads every declaration inside one (entities, loops among them) before it hands the
// declaration over, and reports trouble there with lines counted inside an entity's text; files of
// this program never have one, so it is refused where it stands and the parser never sees it. The
// guard stops at the outermost element's start tag, or at anything it does not expect (the parser
// then says what is wrong). It reads encodings that write markup in ASCII (UTF-8, Latin-1, ...)
// and UTF-16 in either byte order.
class PrologGuard
{
public:
    struct Fault
    {
        Kind kind;
        int line;
        int column;
    };

    bool watching() const { return m_state != State::Done; }
    bool sawDocumentType() const { return m_state == State::Doctype; }
    const std::optional<Fault> &fault() const { return m_fault; }

    void feed(const char *data, qsizetype size)
    {
        if (!watching())
            return;
        if (m_width == Width::Unknown) {
            m_head.append(data, size);
            if (m_head.size() >= 4)
                scanHead();
            return;
        }
        scan(data, size);
    }

    // The end of the input: a declaration still open counts all the same.
    void finish()
    {
        if (m_width == Width::Unknown)
            scanHead();
        if (m_state == State::Doctype)
            settle(Kind::DocumentType, m_doctypeLine, m_doctypeColumn);
    }

private:
    enum class Width { Unknown, Byte, Utf16LE, Utf16BE };
    enum class State { Top, AfterLt, Pi, Bang, Comment, Doctype, Done };

    void scanHead()
    {
        const QByteArray head = std::exchange(m_head, QByteArray());
        const auto at = [&](qsizetype i) { return i < head.size() ? uchar(head.at(i)) : 0x100; };
        qsizetype skip = 0;
        m_width = Width::Byte;
        if (at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
            skip = 3;
        } else if (at(0) == 0xFF && at(1) == 0xFE) {
            m_width = Width::Utf16LE;
            skip = 2;
        } else if (at(0) == 0xFE && at(1) == 0xFF) {
            m_width = Width::Utf16BE;
            skip = 2;
        } else if (at(0) == '<' && at(1) == 0) {
            m_width = Width::Utf16LE;
        } else if (at(0) == 0 && at(1) == '<') {
            m_width = Width::Utf16BE;
        }
        scan(head.constData() + qMin(skip, head.size()), qMax<qsizetype>(0, head.size() - skip));
    }

    void scan(const char *data, qsizetype size)
    {
        for (qsizetype i = 0; i < size && watching(); ++i) {
            const uchar byte = uchar(data[i]);
            if (m_width == Width::Byte) {
                step(byte, (byte & 0xC0) != 0x80);
                continue;
            }
            if (m_halfUnit < 0) {
                m_halfUnit = byte;
                continue;
            }
            const char16_t unit = m_width == Width::Utf16LE ? char16_t(m_halfUnit | (byte << 8))
                                                            : char16_t((m_halfUnit << 8) | byte);
            m_halfUnit = -1;
            step(unit, unit < 0xDC00 || unit > 0xDFFF);
        }
    }

    void settle(Kind kind, int line, int column)
    {
        m_fault = Fault{kind, line, column};
        m_state = State::Done;
    }

    // One character (or one byte of one, counted as a column only when it begins a character).
    void step(char16_t c, bool countsAsColumn)
    {
        const int line = m_line;
        const int column = m_column;
        if (c == '\n') {
            ++m_line;
            m_column = 1;
        } else if (countsAsColumn) {
            ++m_column;
        }
        switch (m_state) {
        case State::Top:
            if (c == '<') {
                m_markLine = line;
                m_markColumn = column;
                m_state = State::AfterLt;
            } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
                m_state = State::Done;
            }
            break;
        case State::AfterLt:
            m_word.clear();
            m_state = c == '?' ? State::Pi : c == '!' ? State::Bang : State::Done;
            break;
        case State::Pi:
            if (c == '>' && m_previous == '?')
                m_state = State::Top;
            break;
        case State::Bang: {
            static const QString comment = QStringLiteral("--");
            static const QString doctype = QStringLiteral("DOCTYPE");
            m_word += QChar(c);
            if (m_word == comment) {
                m_state = State::Comment;
                c = 0; // the opening dashes do not close the comment
            } else if (m_word == doctype) {
                m_doctypeLine = m_markLine;
                m_doctypeColumn = m_markColumn;
                m_state = State::Doctype;
            } else if (!comment.startsWith(m_word) && !doctype.startsWith(m_word)) {
                m_state = State::Done;
            }
            break;
        }
        case State::Comment:
            if (c == '>' && m_previous == '-' && m_beforePrevious == '-')
                m_state = State::Top;
            break;
        case State::Doctype:
            doctype(c, line, column);
            break;
        case State::Done:
            break;
        }
        m_beforePrevious = m_previous;
        m_previous = c;
    }

    // Inside the declaration: its first entity declaration, or its end.
    void doctype(char16_t c, int line, int column)
    {
        static const char16_t entity[] = u"<!ENTITY";
        if (m_quote) {
            if (c == m_quote)
                m_quote = 0;
            return;
        }
        if (c == entity[m_matched]) {
            if (m_matched == 0) {
                m_markLine = line;
                m_markColumn = column;
            }
            if (++m_matched == 8)
                settle(Kind::Entity, m_markLine, m_markColumn);
            return;
        }
        m_matched = 0;
        if (c == '<') {
            m_markLine = line;
            m_markColumn = column;
            m_matched = 1;
        } else if (c == '"' || c == '\'') {
            m_quote = c;
        } else if (c == '[') {
            ++m_depth;
        } else if (c == ']') {
            --m_depth;
        } else if (c == '>' && m_depth <= 0) {
            settle(Kind::DocumentType, m_doctypeLine, m_doctypeColumn);
        }
    }

    Width m_width = Width::Unknown;
    State m_state = State::Top;
    QByteArray m_head;
    int m_halfUnit = -1;
    int m_line = 1;
    int m_column = 1;
    int m_markLine = 1;
    int m_markColumn = 1;
    int m_doctypeLine = 0;
    int m_doctypeColumn = 0;
    char16_t m_previous = 0;
    char16_t m_beforePrevious = 0;
    char16_t m_quote = 0;
    int m_matched = 0;
    int m_depth = 0;
    QString m_word;
    std::optional<Fault> m_fault;
};

// How much of a document after the start of its document type declaration is read to find the
// declaration's first entity, which the message names.
constexpr qint64 DoctypeLookAhead = 64 * 1024;

} // namespace

struct XmlPartReader::Impl
{
    QString documentName;
    int lineOffset = 0;
    // The document of a reader made from bytes: the reader reads it where it lies.
    QByteArray bytes;
    xmlTextReaderPtr reader = nullptr;
    QIODevice *device = nullptr;
    QString deviceError;
    bool deviceAtEnd = false;
    PrologGuard guard;
    // The first error the parser reported, and the parser's state then.
    bool failed = false;
    QString error;
    int errorCode = 0;
    int errorLine = 0;
    int errorColumn = 0;
    int errorInt1 = 0;
    QString errorStr1;
    QString errorStr2;
    int openElements = 0;
    QStringList openPath; // outermost first
    QString openElement;
    int parserState = 0;
    bool inputConsumed = false;
    QString name;
    QString text;

    static int readDevice(void *context, char *buffer, int length)
    {
        auto *self = static_cast<Impl *>(context);
        const qint64 read = self->device->read(buffer, length);
        if (read < 0) {
            self->deviceError = self->device->errorString();
            return -1;
        }
        if (read == 0)
            self->deviceAtEnd = true;
        PrologGuard &guard = self->guard;
        if (guard.watching()) {
            guard.feed(buffer, read);
            if (read == 0)
                guard.finish();
            if (guard.sawDocumentType()) {
                // The parser gets nothing more; what is left of the declaration is read only to
                // name its first entity.
                char more[4096];
                for (qint64 ahead = 0; guard.watching() && ahead < DoctypeLookAhead;) {
                    const qint64 n = self->device->read(more, sizeof more);
                    if (n <= 0)
                        break;
                    guard.feed(more, n);
                    ahead += n;
                }
                guard.finish();
            }
            if (guard.fault())
                return -1;
        }
        return int(read);
    }

    static void onError(void *context, ErrorArg e)
    {
        auto *self = static_cast<Impl *>(context);
        if (!e || e->level < XML_ERR_ERROR || self->failed)
            return;
        self->failed = true;
        // libxml2 ends some texts with the bytes it stumbled on, on a line of their own.
        self->error = QString::fromUtf8(e->message ? e->message : "the document is not well-formed").simplified();
        self->errorCode = e->code;
        self->errorLine = e->line;
        self->errorColumn = e->int2;
        self->errorInt1 = e->int1;
        self->errorStr1 = QString::fromUtf8(e->str1);
        self->errorStr2 = QString::fromUtf8(e->str2);
        if (const auto *ctxt = static_cast<const xmlParserCtxt *>(e->ctxt)) {
            self->openElements = ctxt->nameNr;
            self->openElement = fromXml(ctxt->name);
            // Enough to place a fault inside a record; deeper nesting is refused anyway.
            for (int i = 0; i < qMin(ctxt->nameNr, 64); ++i)
                self->openPath << fromXml(ctxt->nameTab[i]);
            self->parserState = ctxt->instate;
            self->inputConsumed = ctxt->input && ctxt->input->end - ctxt->input->cur <= 1;
        }
    }

    void attach()
    {
        if (reader)
            xmlTextReaderSetStructuredErrorHandler(reader, &Impl::onError, this);
    }

    [[noreturn]] void raise(Kind kind, const QString &what, int line, int column, const QString &detail = QString(),
                            const QStringList &open = QStringList()) const
    {
        throw XmlFaults::XmlFileError(kind, documentName, qMax(line, 1) + lineOffset, qMax(column, 1), what, detail, open);
    }

    [[noreturn]] void raiseCurrent(Kind kind, const QString &what) const
    {
        raise(kind, what, xmlTextReaderGetParserLineNumber(reader), xmlTextReaderGetParserColumnNumber(reader));
    }

    // The parser's first error, said as what is wrong with the file.
    [[noreturn]] void raiseParserError() const
    {
        Kind kind = Kind::NotWellFormed;
        QString what;
        const bool atEnd = device ? deviceAtEnd : true;
        if (openElements > 0 && (errorCode == XML_ERR_DOCUMENT_END || (atEnd && inputConsumed))) {
            kind = Kind::Truncated;
            what = XmlFaults::words(kind) + QStringLiteral(": the element <%1> is not closed").arg(openElement);
        } else if (errorCode == XML_ERR_DOCUMENT_END || errorCode == XML_ERR_DOCUMENT_EMPTY) {
            kind = parserState == XML_PARSER_EPILOG ? Kind::ExtraContent : Kind::Empty;
        } else if (errorCode == XML_ERR_INTERNAL_ERROR && openElements > 255) {
            kind = Kind::TooDeep;
        } else if (errorCode == XML_ERR_INVALID_CHAR) {
            kind = error.contains(QLatin1String("UTF-8")) ? Kind::Encoding : Kind::BadCharacter;
        } else if (errorCode == XML_ERR_INVALID_ENCODING || errorCode == XML_ERR_UNKNOWN_ENCODING) {
            kind = Kind::Encoding;
        } else if (errorCode == XML_ERR_UNSUPPORTED_ENCODING) {
            kind = Kind::Encoding;
            what = QStringLiteral("the encoding that its XML declaration names, %1, is not one this program reads")
                       .arg(errorStr1);
        } else if (errorCode == XML_ERR_UNDECLARED_ENTITY || errorCode == XML_WAR_UNDECLARED_ENTITY) {
            kind = Kind::UnknownEntity;
            what = QStringLiteral("&%1; is %2").arg(errorStr1, XmlFaults::words(kind));
        } else if (errorCode == XML_ERR_NAME_REQUIRED && error.contains(QLatin1String("EntityRef"))) {
            kind = Kind::StrayAmpersand;
        } else if (errorCode == XML_ERR_ENTITYREF_SEMICOL_MISSING) {
            kind = Kind::StrayAmpersand;
        } else if (errorCode == XML_ERR_TAG_NAME_MISMATCH) {
            kind = Kind::TagMismatch;
            what = QStringLiteral("the end tag </%1> does not close the element <%2> begun on line %3")
                       .arg(errorStr2, errorStr1)
                       .arg(errorInt1 + lineOffset);
        }
        raise(kind, what.isEmpty() ? XmlFaults::words(kind) : what, errorLine, errorColumn, error, openPath);
    }
};

XmlPartReader::XmlPartReader(const QByteArray &bytes, const QString &documentName, int firstLine)
    : d(std::make_unique<Impl>())
{
    initialiseLibxml();
    d->documentName = documentName;
    d->lineOffset = firstLine - 1;
    if (bytes.isEmpty())
        d->raise(Kind::Empty, QStringLiteral("the document is empty"), 1, 1);
    d->guard.feed(bytes.constData(), bytes.size());
    d->guard.finish();
    if (d->guard.fault())
        return; // next() says what is wrong
    d->bytes = bytes;
    d->reader = xmlReaderForMemory(d->bytes.constData(), int(d->bytes.size()), nullptr, nullptr, ReaderOptions);
    if (!d->reader)
        throw VarnexError(QStringLiteral("%1 cannot be read as XML.").arg(documentName));
    d->attach();
}

XmlPartReader::XmlPartReader(QIODevice &device, const QString &documentName) : d(std::make_unique<Impl>())
{
    initialiseLibxml();
    d->documentName = documentName;
    d->device = &device;
    d->reader = xmlReaderForIO(&Impl::readDevice, nullptr, d.get(), nullptr, nullptr, ReaderOptions);
    if (!d->reader) {
        if (!d->deviceError.isEmpty())
            throw VarnexError(QStringLiteral("%1 cannot be read: %2").arg(documentName, d->deviceError));
        if (d->guard.fault())
            return; // next() says what is wrong
        d->raise(Kind::Empty, QStringLiteral("the document is empty"), 1, 1);
    }
    d->attach();
}

XmlPartReader::~XmlPartReader()
{
    if (d->reader)
        xmlFreeTextReader(d->reader);
}

XmlPartReader::Part XmlPartReader::next()
{
    for (;;) {
        if (const std::optional<PrologGuard::Fault> &fault = d->guard.fault())
            d->raise(fault->kind, XmlFaults::words(fault->kind), fault->line, fault->column);
        const int status = xmlTextReaderRead(d->reader);
        if (!d->deviceError.isEmpty())
            throw VarnexError(QStringLiteral("%1 cannot be read: %2").arg(d->documentName, d->deviceError));
        if (const std::optional<PrologGuard::Fault> &fault = d->guard.fault())
            d->raise(fault->kind, XmlFaults::words(fault->kind), fault->line, fault->column);
        if (d->failed)
            d->raiseParserError();
        if (status < 0)
            d->raiseCurrent(Kind::NotWellFormed, XmlFaults::words(Kind::NotWellFormed));
        if (status == 0)
            return Part::End;
        switch (xmlTextReaderNodeType(d->reader)) {
        case XML_READER_TYPE_ELEMENT:
            d->name = fromXml(xmlTextReaderConstName(d->reader));
            return xmlTextReaderIsEmptyElement(d->reader) ? Part::EmptyTag : Part::StartTag;
        case XML_READER_TYPE_END_ELEMENT:
            d->name = fromXml(xmlTextReaderConstName(d->reader));
            return Part::EndTag;
        case XML_READER_TYPE_TEXT:
        case XML_READER_TYPE_CDATA:
            d->text = fromXml(xmlTextReaderConstValue(d->reader));
            return Part::Text;
        case XML_READER_TYPE_DOCUMENT_TYPE:
            d->raiseCurrent(Kind::DocumentType, XmlFaults::words(Kind::DocumentType));
        case XML_READER_TYPE_ENTITY_REFERENCE:
            d->raiseCurrent(Kind::UnknownEntity, QStringLiteral("&%1; is %2")
                                                     .arg(fromXml(xmlTextReaderConstName(d->reader)),
                                                          XmlFaults::words(Kind::UnknownEntity)));
        default:
            break; // comments, processing instructions, whitespace
        }
    }
}

QString XmlPartReader::name() const
{
    return d->name;
}

QString XmlPartReader::text() const
{
    return d->text;
}

int XmlPartReader::line() const
{
    const xmlNodePtr node = d->reader ? xmlTextReaderCurrentNode(d->reader) : nullptr;
    return (node ? int(xmlGetLineNo(node)) : 1) + d->lineOffset;
}

QString XmlPartReader::normalised(const QString &text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == ' ' || u == '\t' || u == '\n' || u == '\r') {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty())
            out += QLatin1Char(' ');
        blank = false;
        out += c;
    }
    return out;
}
