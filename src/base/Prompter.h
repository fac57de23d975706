#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

// Every message box, question and input box of the program goes through the current prompter, so
// that logic never blocks on a dialog nobody can see: the GUI installs a widget-based one at the
// very start, batch mode one that writes to standard error, tests one that records.
class Prompter
{
public:
    enum class Kind { Information, Warning, Error, Question, TextInput, SaveFile, OpenFile };

    virtual ~Prompter() = default;

    virtual void message(Kind kind, const QString &title, const QString &text) = 0;
    // True for "Yes". defaultYes picks the button that Enter presses.
    virtual bool question(const QString &title, const QString &text, bool defaultYes = false) = 0;
    // A confirmation offered with OK and Cancel (OK pressed by Enter); true for OK. Prompters that
    // show no buttons take it as a question.
    virtual bool confirm(const QString &title, const QString &text) { return question(title, text, true); }
    enum class Answer { Yes, No, Cancel };
    // A question offered with Yes, No and Cancel (Yes pressed by Enter, Cancel by Escape), for a
    // step that can still be called off. Prompters that show no buttons take it as a question.
    virtual Answer questionWithCancel(const QString &title, const QString &text)
    {
        return question(title, text, true) ? Answer::Yes : Answer::No;
    }
    // The text entered, or nothing when the user cancelled.
    virtual std::optional<QString> textInput(const QString &title, const QString &label,
                                             const QString &initialText = {}, bool masked = false) = 0;
    // The name of a file to write, or nothing when the user cancelled. filter is a file dialog's
    // filter ("XML Files (*.xml)"); defaultSuffix is added to a name chosen without one.
    virtual std::optional<QString> saveFileName(const QString &title, const QString &suggestedName,
                                                const QString &filter, const QString &defaultSuffix = {}) = 0;
    // The name of an existing file to read, or nothing when the user cancelled; the choice starts
    // in startFolder (or at the file it names).
    virtual std::optional<QString> openFileName(const QString &title, const QString &startFolder,
                                                const QString &filter = {}) = 0;

    void information(const QString &title, const QString &text) { message(Kind::Information, title, text); }
    void warning(const QString &title, const QString &text) { message(Kind::Warning, title, text); }
    void error(const QString &title, const QString &text) { message(Kind::Error, title, text); }

    // The prompter in use. Until one is installed, a BatchPrompter answers, so nothing ever waits.
    static Prompter &current();
    // The caller keeps ownership; nullptr goes back to the built-in batch prompter.
    static void setCurrent(Prompter *prompter);

    static QString kindName(Kind kind);
};

// Installs a prompter for the lifetime of a scope and puts the previous one back.
class ScopedPrompter
{
public:
    explicit ScopedPrompter(Prompter *prompter);
    ~ScopedPrompter();
    ScopedPrompter(const ScopedPrompter &) = delete;
    ScopedPrompter &operator=(const ScopedPrompter &) = delete;

private:
    Prompter *m_previous;
};

// Unattended runs: every text goes to standard error (or to the given device), every question is
// answered "No" and every input box and file choice is cancelled. Never blocks.
class BatchPrompter : public Prompter
{
public:
    explicit BatchPrompter(QIODevice *sink = nullptr) : m_sink(sink) {}

    void message(Kind kind, const QString &title, const QString &text) override;
    bool question(const QString &title, const QString &text, bool defaultYes = false) override;
    std::optional<QString> textInput(const QString &title, const QString &label,
                                     const QString &initialText = {}, bool masked = false) override;
    std::optional<QString> saveFileName(const QString &title, const QString &suggestedName, const QString &filter,
                                        const QString &defaultSuffix = {}) override;
    std::optional<QString> openFileName(const QString &title, const QString &startFolder,
                                        const QString &filter = {}) override;

private:
    void write(const QString &line);
    QIODevice *m_sink;
};

// Tests: remembers every call and answers from queues; an empty queue answers "No" / cancel.
class RecordingPrompter : public Prompter
{
public:
    struct Call
    {
        Kind kind;
        QString title;
        QString text;
        QString initialText; // text input: the initial text; file choice: the suggested name or start folder
    };

    void message(Kind kind, const QString &title, const QString &text) override;
    bool question(const QString &title, const QString &text, bool defaultYes = false) override;
    // Recorded as a question; answered from the same queue.
    Answer questionWithCancel(const QString &title, const QString &text) override;
    std::optional<QString> textInput(const QString &title, const QString &label,
                                     const QString &initialText = {}, bool masked = false) override;
    // Recorded with the filter as its text; answered from the file name queue.
    std::optional<QString> saveFileName(const QString &title, const QString &suggestedName, const QString &filter,
                                        const QString &defaultSuffix = {}) override;
    // Recorded like a save choice, answered from the same queue.
    std::optional<QString> openFileName(const QString &title, const QString &startFolder,
                                        const QString &filter = {}) override;

    void queueAnswer(bool yes) { m_answers.append(yes ? Answer::Yes : Answer::No); }
    // Cancel answers a question without one as No.
    void queueAnswer(Answer answer) { m_answers.append(answer); }
    void queueText(const std::optional<QString> &text) { m_texts.append(text); }
    // An empty queue cancels the file choice.
    void queueFileName(const std::optional<QString> &fileName) { m_fileNames.append(fileName); }

    const QList<Call> &calls() const { return m_calls; }
    QStringList texts() const;
    QStringList texts(Kind kind) const;
    void clear();

private:
    QList<Call> m_calls;
    QList<Answer> m_answers;
    QList<std::optional<QString>> m_texts;
    QList<std::optional<QString>> m_fileNames;
};
