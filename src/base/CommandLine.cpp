#include "base/CommandLine.h"

#include "base/ProductNames.h"

namespace {
// Lower-cases A-Z only, so that no other letter folds onto a switch name.
QString asciiLower(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return out;
}
} // namespace

QString CommandLineOptions::personality() const
{
    if (personalityText == QLatin1String("food"))
        return Varnex::PersonalityFood;
    if (personalityText == QLatin1String("af"))
        return Varnex::PersonalityAnimalFeed;
    return {};
}

CommandLineOptions parseCommandLine(const QStringList &arguments)
{
    CommandLineOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString name = asciiLower(arguments.at(i));
        const QString next = i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
        if (name == QLatin1String("-username"))
            options.userName = next;
        if (name == QLatin1String("-password"))
            options.password = next;
        if (name == QLatin1String("-personality"))
            options.personalityText = next;
        if (name == QLatin1String("-allowinvalidtoimport"))
            options.allowInvalidToImport = true;
        if (name == QLatin1String("-filetoimport"))
            options.fileToImport = next;
    }
    return options;
}
