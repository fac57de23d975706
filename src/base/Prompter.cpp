#include "base/Prompter.h"

#include <QIODevice>

#include <cstdio>

namespace {
Prompter *g_currentPrompter = nullptr;

BatchPrompter &fallback()
{
    static BatchPrompter prompter;
    return prompter;
}
} // namespace

Prompter &Prompter::current()
{
    return g_currentPrompter ? *g_currentPrompter : fallback();
}

void Prompter::setCurrent(Prompter *prompter)
{
    g_currentPrompter = prompter;
}

QString Prompter::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Information:
        return QStringLiteral("Information");
    case Kind::Warning:
        return QStringLiteral("Warning");
    case Kind::Error:
        return QStringLiteral("Error");
    case Kind::Question:
        return QStringLiteral("Question");
    case Kind::TextInput:
        return QStringLiteral("Input");
    case Kind::SaveFile:
        return QStringLiteral("Save file");
    case Kind::OpenFile:
        return QStringLiteral("Open file");
    }
    return {};
}

ScopedPrompter::ScopedPrompter(Prompter *prompter) : m_previous(g_currentPrompter)
{
    Prompter::setCurrent(prompter);
}

ScopedPrompter::~ScopedPrompter()
{
    Prompter::setCurrent(m_previous);
}

void BatchPrompter::write(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    if (m_sink) {
        m_sink->write(bytes);
        return;
    }
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void BatchPrompter::message(Kind kind, const QString &title, const QString &text)
{
    QString line = kindName(kind);
    if (!title.isEmpty())
        line += QStringLiteral(" (%1)").arg(title);
    write(line + QStringLiteral(": ") + text);
}

bool BatchPrompter::question(const QString &title, const QString &text, bool)
{
    message(Kind::Question, title, text + QStringLiteral(" [answered No: no one to ask]"));
    return false;
}

std::optional<QString> BatchPrompter::textInput(const QString &title, const QString &label, const QString &, bool)
{
    message(Kind::TextInput, title, label + QStringLiteral(" [cancelled: no one to ask]"));
    return std::nullopt;
}

std::optional<QString> BatchPrompter::saveFileName(const QString &title, const QString &, const QString &filter,
                                                  const QString &)
{
    message(Kind::SaveFile, title, filter + QStringLiteral(" [cancelled: no one to ask]"));
    return std::nullopt;
}

std::optional<QString> BatchPrompter::openFileName(const QString &title, const QString &, const QString &filter)
{
    message(Kind::OpenFile, title, filter + QStringLiteral(" [cancelled: no one to ask]"));
    return std::nullopt;
}

void RecordingPrompter::message(Kind kind, const QString &title, const QString &text)
{
    m_calls.append({kind, title, text, {}});
}

bool RecordingPrompter::question(const QString &title, const QString &text, bool)
{
    m_calls.append({Kind::Question, title, text, {}});
    return !m_answers.isEmpty() && m_answers.takeFirst() == Answer::Yes;
}

Prompter::Answer RecordingPrompter::questionWithCancel(const QString &title, const QString &text)
{
    m_calls.append({Kind::Question, title, text, {}});
    return m_answers.isEmpty() ? Answer::No : m_answers.takeFirst();
}

std::optional<QString> RecordingPrompter::textInput(const QString &title, const QString &label,
                                                    const QString &initialText, bool)
{
    m_calls.append({Kind::TextInput, title, label, initialText});
    return m_texts.isEmpty() ? std::nullopt : m_texts.takeFirst();
}

std::optional<QString> RecordingPrompter::saveFileName(const QString &title, const QString &suggestedName,
                                                      const QString &filter, const QString &)
{
    m_calls.append({Kind::SaveFile, title, filter, suggestedName});
    return m_fileNames.isEmpty() ? std::nullopt : m_fileNames.takeFirst();
}

std::optional<QString> RecordingPrompter::openFileName(const QString &title, const QString &startFolder,
                                                      const QString &filter)
{
    m_calls.append({Kind::OpenFile, title, filter, startFolder});
    return m_fileNames.isEmpty() ? std::nullopt : m_fileNames.takeFirst();
}

QStringList RecordingPrompter::texts() const
{
    QStringList out;
    for (const Call &c : m_calls)
        out << c.text;
    return out;
}

QStringList RecordingPrompter::texts(Kind kind) const
{
    QStringList out;
    for (const Call &c : m_calls)
        if (c.kind == kind)
            out << c.text;
    return out;
}

void RecordingPrompter::clear()
{
    m_calls.clear();
    m_answers.clear();
    m_texts.clear();
    m_fileNames.clear();
}
