#pragma once

// A document read part by part with libxml2's xmlTextReader, as the sample import reads its files:
// streaming (nothing of the document is kept but the part in hand), never a DTD, an external
// entity or the network, and any fault of the document reported in the program's words with its
// line and column (XmlFaults::XmlFileError), the parser's text kept as a detail.

#include <QByteArray>
#include <QString>

#include <memory>

class QIODevice;

class XmlPartReader
{
public:
    enum class Part {
        StartTag,   // <X> (an EndTag follows)
        EmptyTag,   // <X/> (no EndTag follows)
        EndTag,     // </X>
        Text,       // text or a CDATA section, as written (references resolved)
        End,        // the document is over and was well-formed
    };

    // documentName names the document in error messages; firstLine is the number of the
    // document's first line there (a document cut from a larger file).
    XmlPartReader(const QByteArray &bytes, const QString &documentName, int firstLine = 1);
    // Reads the device from where it stands; it must stay open while the reader lives.
    XmlPartReader(QIODevice &device, const QString &documentName);
    ~XmlPartReader();
    XmlPartReader(const XmlPartReader &) = delete;
    XmlPartReader &operator=(const XmlPartReader &) = delete;

    // The next part. Comments, processing instructions and whitespace between elements are passed
    // over. Throws XmlFaults::XmlFileError "<document>: line L, column C: <what is wrong>" when
    // the document is not well-formed or not readable text, and for a document type declaration,
    // which is never read (it is found before the parser reads any of its declarations). Throws
    // VarnexError when the device cannot be read.
    Part next();
    // The element's name (StartTag, EmptyTag, EndTag) or the text (Text) of the current part.
    QString name() const;
    QString text() const;
    // The line on which the current part begins (counted as the document's lines are).
    int line() const;

    // Text as the import takes it: leading and trailing whitespace removed and every run of
    // blanks, tabs, carriage returns and line feeds inside made one blank; whitespace alone gives
    // empty text.
    static QString normalised(const QString &text);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
