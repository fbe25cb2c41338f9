#pragma once

// Every message box, file dialog and the default error report of the program go through this
// one interface, so that tests can see what would be shown and answer it without a modal loop.

#include <QString>

class QWidget;

namespace orvela {

enum class BoxIcon
{
    Information,
    Error,
    Plain // no icon
};

class Prompter
{
public:
    virtual ~Prompter() = default;

    // A modal box with one OK button.
    virtual void showMessage(QWidget* parent, BoxIcon icon, const QString& title,
                             const QString& text) = 0;
    // The path chosen, or an empty text when the operator cancelled. `filter` uses the
    // toolkit's form ("Text Files (*.txt);;All Files (*)").
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& directory,
                                 const QString& filter) = 0;
    // A file the caller appends to (it may exist or not): choosing an existing one asks no
    // question about replacing it, since nothing in it is replaced.
    virtual QString appendFileName(QWidget* parent, const QString& title, const QString& directory,
                                   const QString& filter, const QString& defaultSuffix) = 0;
    // A file the caller writes anew: choosing an existing one asks whether to replace it.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& directory,
                                 const QString& filter, const QString& defaultSuffix) = 0;
};

// The prompter in use: the real dialogs unless a test installed another.
Prompter& CurrentPrompter();
// Installs `prompter` (not owned) for as long as the guard lives.
class ScopedPrompter
{
public:
    explicit ScopedPrompter(Prompter& prompter);
    ~ScopedPrompter();
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

private:
    Prompter* m_previous;
};

// The default error report: a failure's text in an error box. At most one such box is open at
// a time; a report that arrives while one is open is dropped (the caller logs it elsewhere).
// Returns false when the report was dropped.
bool ReportError(QWidget* parent, const QString& text);

} // namespace orvela
