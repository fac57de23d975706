#include "exchange/XmlPartReader.h"

#include "base/VarnexError.h"

#include <QIODevice>

#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <mutex>

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
    // The first error the parser reported.
    bool failed = false;
    QString error;
    int errorLine = 0;
    int errorColumn = 0;
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
        return int(read);
    }

    static void onError(void *context, ErrorArg e)
    {
        auto *self = static_cast<Impl *>(context);
        if (!e || e->level < XML_ERR_ERROR || self->failed)
            return;
        self->failed = true;
        self->error = QString::fromUtf8(e->message ? e->message : "the document is not well-formed").trimmed();
        self->errorLine = e->line;
        self->errorColumn = e->int2;
    }

    void attach()
    {
        if (reader)
            xmlTextReaderSetStructuredErrorHandler(reader, &Impl::onError, this);
    }

    [[noreturn]] void raise(const QString &what, int line, int column) const
    {
        throw VarnexError(QStringLiteral("%1: line %2, column %3: %4")
                              .arg(documentName)
                              .arg(qMax(line, 1) + lineOffset)
                              .arg(qMax(column, 1))
                              .arg(what));
    }

    [[noreturn]] void raiseCurrent(const QString &what) const
    {
        raise(what, xmlTextReaderGetParserLineNumber(reader), xmlTextReaderGetParserColumnNumber(reader));
    }
};

XmlPartReader::XmlPartReader(const QByteArray &bytes, const QString &documentName, int firstLine)
    : d(std::make_unique<Impl>())
{
    initialiseLibxml();
    d->documentName = documentName;
    d->lineOffset = firstLine - 1;
    if (bytes.isEmpty())
        d->raise(QStringLiteral("the document is empty"), 1, 1);
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
        d->raise(QStringLiteral("the document is empty"), 1, 1);
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
        const int status = xmlTextReaderRead(d->reader);
        if (!d->deviceError.isEmpty())
            throw VarnexError(QStringLiteral("%1 cannot be read: %2").arg(d->documentName, d->deviceError));
        if (d->failed)
            d->raise(d->error, d->errorLine, d->errorColumn);
        if (status < 0)
            d->raiseCurrent(QStringLiteral("the document is not well-formed"));
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
            d->raiseCurrent(QStringLiteral("a document type declaration is not allowed"));
        case XML_READER_TYPE_ENTITY_REFERENCE:
            d->raiseCurrent(QStringLiteral("the entity reference &%1; is not allowed")
                                .arg(fromXml(xmlTextReaderConstName(d->reader))));
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
