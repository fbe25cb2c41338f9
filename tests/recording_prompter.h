#pragma once

// A prompter for tests: records every box and answers file dialogs from a queue, so no modal
// loop ever blocks a test.

#include "gui/messages/prompter.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace orvela::test {

struct ShownBox
{
    BoxIcon icon;
    QString title;
    QString text;
};

class RecordingPrompter final : public Prompter
{
public:
    QList<ShownBox> boxes;
    QStringList fileAnswers; // taken front first; an empty queue answers "cancelled"
    QStringList fileDialogTitles;
    QStringList fileDialogFilters;
    QStringList fileDialogSuffixes;
    // Runs while a box is "open", to imitate events that arrive during its modal loop.
    std::function<void()> whileOpen;

    void showMessage(QWidget*, BoxIcon icon, const QString& title, const QString& text) override
    {
        boxes.append({icon, title, text});
        if (whileOpen)
            whileOpen();
    }

    QString openFileName(QWidget*, const QString& title, const QString&,
                         const QString& filter) override
    {
        fileDialogTitles.append(title);
        fileDialogFilters.append(filter);
        fileDialogSuffixes.append(QString());
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }

    QString appendFileName(QWidget*, const QString& title, const QString&, const QString& filter,
                           const QString& defaultSuffix) override
    {
        fileDialogTitles.append(title);
        fileDialogFilters.append(filter);
        fileDialogSuffixes.append(defaultSuffix);
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }

    QString saveFileName(QWidget* parent, const QString& title, const QString& directory,
                         const QString& filter, const QString& defaultSuffix) override
    {
        return appendFileName(parent, title, directory, filter, defaultSuffix);
    }

    QStringList texts() const
    {
        QStringList out;
        for (const ShownBox& box : boxes)
            out.append(box.text);
        return out;
    }
};

} // namespace orvela::test
