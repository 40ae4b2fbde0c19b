// Message boxes and file dialogs behind one small interface, so that the GUI code never calls Qt's dialogs
// directly and tests can plan the answers and read back every box that was shown.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

// The icon a message box carries.
enum class PromptKind { Information, Warning, Error, Question };

class Prompts {
public:
    virtual ~Prompts() = default;

    // Yes/No question; true for Yes.
    virtual bool askYesNo(const QString& text, const QString& caption, PromptKind kind) = 0;
    // A message with an OK button.
    virtual void inform(const QString& text, const QString& caption, PromptKind kind) = 0;
    // Files picked for opening, in the order given; empty when cancelled. The dialog starts in `folder`
    // (empty: the working folder).
    virtual QStringList pickOpenFiles(const QString& caption, const QString& filter,
                                      const QString& folder) = 0;
    // File picked for saving; empty when cancelled.
    virtual QString pickSaveFile(const QString& caption, const QString& filter) = 0;
    // A line of text typed into a small input box (`label` above it); empty when cancelled.
    virtual QString askText(const QString& label, const QString& caption) = 0;

    // The prompts in use: the Qt dialogs unless a test installed others.
    static Prompts& current();
    // Installs `prompts` (not owned; null restores the Qt dialogs).
    static void install(Prompts* prompts);
};

// The real dialogs.
class QtPrompts : public Prompts {
public:
    bool askYesNo(const QString& text, const QString& caption, PromptKind kind) override;
    void inform(const QString& text, const QString& caption, PromptKind kind) override;
    QStringList pickOpenFiles(const QString& caption, const QString& filter, const QString& folder) override;
    QString pickSaveFile(const QString& caption, const QString& filter) override;
    QString askText(const QString& label, const QString& caption) override;
};

// Scripted prompts for tests: every box is recorded, answers come from the planned queues.
class ScriptedPrompts : public Prompts {
public:
    enum class BoxType { YesNo, Message, OpenFiles, SaveFile, Text };
    struct Box {
        BoxType type;
        QString text;  // message text, or the filter of a file dialog
        QString caption;
        PromptKind kind;
        QString folder = QString();  // the folder an open dialog starts in
    };

    std::vector<Box> boxes;
    std::deque<bool> yesNoAnswers;        // an empty queue answers No
    std::deque<QStringList> openAnswers;  // an empty queue answers "cancelled"
    std::deque<QString> saveAnswers;      // an empty queue answers "cancelled"
    std::deque<QString> textAnswers;      // an empty queue answers "cancelled"

    bool askYesNo(const QString& text, const QString& caption, PromptKind kind) override;
    void inform(const QString& text, const QString& caption, PromptKind kind) override;
    QStringList pickOpenFiles(const QString& caption, const QString& filter, const QString& folder) override;
    QString pickSaveFile(const QString& caption, const QString& filter) override;
    QString askText(const QString& label, const QString& caption) override;
};

// Installs scripted prompts for the lifetime of the object.
class ScopedPrompts {
public:
    explicit ScopedPrompts(Prompts* prompts) { Prompts::install(prompts); }
    ~ScopedPrompts() { Prompts::install(nullptr); }
    ScopedPrompts(const ScopedPrompts&) = delete;
    ScopedPrompts& operator=(const ScopedPrompts&) = delete;
};
