// The database commands of the main window: the automatic connection at start, "Connect"
// with the login dialog, "Disconnect", and the close at shutdown.

#include "gui/app/frm_main.h"

#include "core/config/settings_store.h"
#include "gui/db/desk_connection.h"
#include "gui/messages/frm_log.h"
#include "gui/messages/prompter.h"

#include <QAction>
#include <QTimer>

namespace orvela {

void TfrmMain::SetConnectedState(bool connected)
{
    m_connected = connected;
    FileConnect1()->setEnabled(!connected);
    FileDisconnect1()->setEnabled(connected);
}

void TfrmMain::ConnectAtStart()
{
    if (m_desk.dataSource.trimmed().isEmpty() && m_desk.userName.trimmed().isEmpty()) {
        CurrentPrompter().showMessage(this, BoxIcon::Error, QString(),
                                      QStringLiteral("No database is has been selected."));
        return;
    }
    if (!CanRetryConnection()) {
        if (ConnectDatabase(m_desk.dataSource, m_desk.userName, m_desk.clearPassword()))
            SetConnectedState(true);
        return;
    }
    // A desk that starts before its server keeps trying by itself; the box shows once the
    // start is over, with the timer already running.
    if (m_connection->connectQuietly(m_desk.dataSource, m_desk.userName, m_desk.clearPassword(),
                                     DeskConnection::RetryNote(m_desk.updateMinutes))) {
        SetConnectedState(true);
        return;
    }
    m_cycle.waitForDatabase();
    m_cycle.showErrorLater(DeskConnection::FailureText(m_desk.dataSource));
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
        if (!m_connection->connectQuietly(m_desk.dataSource, m_desk.userName,
                                          m_desk.clearPassword(),
                                          DeskConnection::RetryNote(m_desk.updateMinutes)))
            return;
        SetConnectedState(true);
    }
    m_cycle.stopWaitingForDatabase();
    ShowStation();
}

void TfrmMain::CloseDatabase()
{
    m_connection->close();
    m_connected = false;
}

void TfrmMain::FileConnect1Execute()
{
    QString clearPassword;
    if (!m_connection->askLogin(m_desk, this, clearPassword) ||
        !ConnectDatabase(m_desk.dataSource, m_desk.userName, clearPassword))
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
    m_refreshTimer.timer()->stop();
    m_cycle.stopWaitingForDatabase();
    m_connection->close();
    m_desk.station.clear();
    SetConnectedState(false);
}

} // namespace orvela
