// The database commands of the main window: the automatic connection at start, "Connect"
// with the login dialog, "Disconnect", and the close at shutdown.

#include "gui/app/frm_main.h"

#include "core/config/settings_store.h"
#include "core/db/station_database.h"
#include "gui/db/frm_login.h"
#include "gui/messages/frm_log.h"
#include "gui/messages/prompter.h"

#include <QAction>
#include <QTimer>

#include <cstdio>

namespace orvela {
namespace {

QString RetryNote(std::int32_t minutes)
{
    return QStringLiteral("; trying again in %1 %2")
        .arg(minutes)
        .arg(minutes == 1 ? QStringLiteral("minute") : QStringLiteral("minutes"));
}

// The box says only which data source failed; whoever started the program from a console
// learns where the reason is.
void SayConnectionFailureOnConsole(const QString& boxText)
{
    std::fprintf(stderr, "orvela: %s; the reason is in the Messages window (Options, Messages).\n",
                 boxText.toLocal8Bit().constData());
}

} // namespace

bool TfrmMain::ConnectQuietly(const QString& dataSource, const QString& userName,
                              const QString& clearPassword, const QString& retryNote)
{
    const ConnectResult result = m_database->ConnectDatabase(dataSource, userName, clearPassword);
    if (result.ok) {
        m_log.AddStatusLine(QStringLiteral("Connected to ") + dataSource);
        return true;
    }
    // The box names only the data source; the engine's own words go to the Messages window,
    // where an administrator finds why.
    m_log.AddStatusLine(QStringLiteral("Error connection to ") + dataSource + QStringLiteral(": ") +
                        result.errorText.simplified() + retryNote);
    m_cycle.openMessagesOnce();
    m_database->Close();
    return false;
}

bool TfrmMain::ConnectDatabase(const QString& dataSource, const QString& userName,
                               const QString& clearPassword)
{
    if (ConnectQuietly(dataSource, userName, clearPassword))
        return true;
    const QString text = QStringLiteral("Error connection to ") + dataSource;
    SayConnectionFailureOnConsole(text);
    CurrentPrompter().showMessage(this, BoxIcon::Error, QString(), text);
    return false;
}

void TfrmMain::SetConnectedState(bool connected)
{
    m_connected = connected;
    m_fileConnect->setEnabled(!connected);
    m_fileDisconnect->setEnabled(connected);
}

void TfrmMain::ConnectAtStart()
{
    if (m_desk.dataSource.trimmed().isEmpty() && m_desk.userName.trimmed().isEmpty()) {
        CurrentPrompter().showMessage(this, BoxIcon::Error, QString(),
                                      QStringLiteral("No database is has been selected."));
        return;
    }
    const QString password = m_desk.clearPassword();
    if (!CanRetryConnection()) {
        if (ConnectDatabase(m_desk.dataSource, m_desk.userName, password))
            SetConnectedState(true);
        return;
    }
    // A desk that starts before its server keeps trying by itself; the box shows once the
    // start is over, with the timer already running.
    if (ConnectQuietly(m_desk.dataSource, m_desk.userName, password,
                       RetryNote(m_desk.updateMinutes))) {
        SetConnectedState(true);
        return;
    }
    m_cycle.waitForDatabase();
    const QString text = QStringLiteral("Error connection to ") + m_desk.dataSource;
    SayConnectionFailureOnConsole(text);
    m_cycle.showErrorLater(text);
}

bool TfrmMain::CanRetryConnection() const
{
    return !m_desk.station.isEmpty() && !m_desk.dataSource.trimmed().isEmpty() &&
           !m_desk.storedPassword.isEmpty() && TimerPeriod(m_desk.updateMinutes) > 0;
}

void TfrmMain::ResumeStart()
{
    // "Connect" may have connected meanwhile; otherwise this tick tries the stored values.
    if (!m_connected) {
        const QString password = m_desk.clearPassword();
        if (!ConnectQuietly(m_desk.dataSource, m_desk.userName, password,
                            RetryNote(m_desk.updateMinutes)))
            return;
        SetConnectedState(true);
    }
    m_cycle.stopWaitingForDatabase();
    ShowStation();
}

void TfrmMain::CloseDatabase()
{
    // Closing never fails the caller; the database layer swallows what the engine reports.
    m_database->Close();
    m_connected = false;
}

void TfrmMain::FileConnect1Execute()
{
    if (!m_loginForm) {
        m_loginForm = new TMyLoginForm(this);
        m_loginForm->setObjectName(QStringLiteral("MyLoginForm"));
    }
    m_loginForm->LoginAlias = m_desk.dataSource;
    m_loginForm->LoginUser = m_desk.userName;
    m_loginForm->LoginPassword = m_desk.clearPassword();
    const bool accepted = m_loginForm->exec() == QDialog::Accepted;
    const QString clearPassword = m_loginForm->LoginPassword;
    // The clear password does not stay in the dialog between logins.
    m_loginForm->LoginPassword.clear();
    if (!accepted)
        return;

    m_desk.dataSource = m_loginForm->LoginAlias;
    m_desk.userName = m_loginForm->LoginUser;
    if (!ConnectDatabase(m_desk.dataSource, m_desk.userName, clearPassword))
        return;
    SetConnectedState(true);

    // Writing the configuration is best effort: the connection stays open whatever happens. A
    // password the stored form would give back otherwise is not stored at all: the next start
    // would fail with it.
    QString reason;
    const bool storable = m_desk.rememberPassword(clearPassword, reason);
    if (m_settingsStore) {
        m_desk.saveConnection(*m_settingsStore, storable);
        m_settingsStore->flush();
    }
    if (!storable) {
        const QString text = QStringLiteral("This password cannot be remembered (%1): type it at "
                                            "each start")
                                 .arg(reason);
        m_log.AddStatusLine(text);
        CurrentPrompter().showMessage(this, BoxIcon::Information, QString(),
                                      text + QLatin1Char('.'));
    }
    if (m_desk.station.isEmpty())
        CurrentPrompter().showMessage(this, BoxIcon::Information, QString(),
                                      QStringLiteral("Select station in the Setup Parameters "
                                                     "window."));
}

void TfrmMain::FileDisconnect1Execute()
{
    m_timer->stop();
    m_cycle.stopWaitingForDatabase();
    m_database->Close();
    m_desk.station.clear();
    SetConnectedState(false);
}

} // namespace orvela
