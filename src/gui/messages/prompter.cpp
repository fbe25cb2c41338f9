#include "gui/messages/prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace orvela {
namespace {

class WidgetPrompter final : public Prompter
{
public:
    void showMessage(QWidget* parent, BoxIcon icon, const QString& title,
                     const QString& text) override
    {
        const QMessageBox::Icon shown = icon == BoxIcon::Error   ? QMessageBox::Critical
                                        : icon == BoxIcon::Plain ? QMessageBox::NoIcon
                                                                 : QMessageBox::Information;
        QMessageBox box(shown, title.isEmpty() ? QApplication::applicationName() : title, text,
                        QMessageBox::Ok, parent);
        box.exec();
    }

    QString openFileName(QWidget* parent, const QString& title, const QString& directory,
                         const QString& filter) override
    {
        return QFileDialog::getOpenFileName(parent, title, directory, filter);
    }

    QString appendFileName(QWidget* parent, const QString& title, const QString& directory,
                           const QString& filter, const QString& defaultSuffix) override
    {
        QFileDialog dialog(parent, title, directory, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().constFirst();
    }

    QString saveFileName(QWidget* parent, const QString& title, const QString& directory,
                         const QString& filter, const QString& defaultSuffix) override
    {
        QFileDialog dialog(parent, title, directory, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().constFirst();
    }
};

WidgetPrompter g_widgetPrompter;
Prompter* g_current = &g_widgetPrompter;
bool g_errorBoxOpen = false;

} // namespace

Prompter& CurrentPrompter()
{
    return *g_current;
}

ScopedPrompter::ScopedPrompter(Prompter& prompter) : m_previous(g_current)
{
    g_current = &prompter;
}

ScopedPrompter::~ScopedPrompter()
{
    g_current = m_previous;
}

bool ReportError(QWidget* parent, const QString& text)
{
    if (g_errorBoxOpen)
        return false;
    g_errorBoxOpen = true;
    struct Reset
    {
        ~Reset() { g_errorBoxOpen = false; }
    } reset;
    CurrentPrompter().showMessage(parent, BoxIcon::Error, QString(), text);
    return true;
}

} // namespace orvela
