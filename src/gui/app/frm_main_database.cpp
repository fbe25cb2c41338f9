// The database commands of the main window: the automatic connection at start, "Connect"
// with the login dialog, "Disconnect", and the close at shutdown.

#include "gui/app/frm_main.h"

#include "core/config/settings_keys.h"
#include "core/config/settings_store.h"
#include "core/db/password_scrambler.h"
#include "core/db/station_database.h"
#include "gui/app/station_panel.h"
#include "gui/db/frm_login.h"
#include "gui/messages/frm_log.h"
#include "gui/messages/prompter.h"
#include "support/format_scan.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QTimer>

#include <cstdio>

namespace orvela {
namespace {

QString FromU16(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

std::u16string ToU16(const QString& text)
{
    return text.toStdU16String();
}

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

// Why the stored form would not give `password` back as typed.
QString UnstorableReason(const QString& password)
{
    for (const QChar c : password) {
        if (c.unicode() > 0xFF)
            return QStringLiteral("it holds a character outside Latin-1");
    }
    if (password.contains(QLatin1Char(':')))
        return QStringLiteral("it holds a \":\"");
    return QStringLiteral("it has 30 or more characters");
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
    Connected = connected;
    m_fileConnect->setEnabled(!connected);
    m_fileDisconnect->setEnabled(connected);
}

void TfrmMain::ConnectAtStart()
{
    if (DataSourceName.trimmed().isEmpty() && DbUserName.trimmed().isEmpty()) {
        CurrentPrompter().showMessage(this, BoxIcon::Error, QString(),
                                      QStringLiteral("No database is has been selected."));
        return;
    }
    const QString password = FromU16(DecodeStoredPassword(ToU16(StoredPassword)));
    if (!CanRetryConnection()) {
        if (ConnectDatabase(DataSourceName, DbUserName, password))
            SetConnectedState(true);
        return;
    }
    // A desk that starts before its server keeps trying by itself; the box shows once the
    // start is over, with the timer already running.
    if (ConnectQuietly(DataSourceName, DbUserName, password, RetryNote(UpdateMinutes))) {
        SetConnectedState(true);
        return;
    }
    m_cycle.waitForDatabase();
    const QString text = QStringLiteral("Error connection to ") + DataSourceName;
    SayConnectionFailureOnConsole(text);
    m_cycle.showErrorLater(text);
}

bool TfrmMain::CanRetryConnection() const
{
    return !CurrentStation.isEmpty() && !DataSourceName.trimmed().isEmpty() &&
           !StoredPassword.isEmpty() && TimerPeriod(UpdateMinutes) > 0;
}

void TfrmMain::ResumeStart()
{
    // "Connect" may have connected meanwhile; otherwise this tick tries the stored values.
    if (!Connected) {
        const QString password = FromU16(DecodeStoredPassword(ToU16(StoredPassword)));
        if (!ConnectQuietly(DataSourceName, DbUserName, password, RetryNote(UpdateMinutes)))
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
    Connected = false;
}

void TfrmMain::FileConnect1Execute()
{
    if (!m_loginForm) {
        m_loginForm = new TMyLoginForm(this);
        m_loginForm->setObjectName(QStringLiteral("MyLoginForm"));
    }
    m_loginForm->LoginAlias = DataSourceName;
    m_loginForm->LoginUser = DbUserName;
    m_loginForm->LoginPassword = FromU16(DecodeStoredPassword(ToU16(StoredPassword)));
    const bool accepted = m_loginForm->exec() == QDialog::Accepted;
    const QString clearPassword = m_loginForm->LoginPassword;
    // The clear password does not stay in the dialog between logins.
    m_loginForm->LoginPassword.clear();
    if (!accepted)
        return;

    DataSourceName = m_loginForm->LoginAlias;
    DbUserName = m_loginForm->LoginUser;
    if (!ConnectDatabase(DataSourceName, DbUserName, clearPassword))
        return;
    SetConnectedState(true);

    // Writing the configuration is best effort: the connection stays open whatever happens. A
    // password the stored form would give back otherwise is not stored at all: the next start
    // would fail with it.
    const bool storable = IsStorablePassword(ToU16(clearPassword));
    if (storable)
        StoredPassword = FromU16(EncodeStoredPassword(ToU16(clearPassword)));
    if (m_settingsStore) {
        m_settingsStore->writeString(settings::DataBase, settings::DataSource, DataSourceName);
        m_settingsStore->writeString(settings::DataBase, settings::UserName, DbUserName);
        if (storable)
            m_settingsStore->writeString(settings::DataBase, settings::Password, StoredPassword);
        m_settingsStore->flush();
    }
    if (!storable) {
        const QString text = QStringLiteral("This password cannot be remembered (%1): type it at "
                                            "each start")
                                 .arg(UnstorableReason(clearPassword));
        m_log.AddStatusLine(text);
        CurrentPrompter().showMessage(this, BoxIcon::Information, QString(),
                                      text + QLatin1Char('.'));
    }
    if (CurrentStation.isEmpty())
        CurrentPrompter().showMessage(this, BoxIcon::Information, QString(),
                                      QStringLiteral("Select station in the Setup Parameters "
                                                     "window."));
}

void TfrmMain::FileDisconnect1Execute()
{
    m_timer->stop();
    m_cycle.stopWaitingForDatabase();
    m_database->Close();
    CurrentStation.clear();
    SetConnectedState(false);
}

void TfrmMain::ShowLastUpdate()
{
    // "d mmm yyyy hh:mm:ss": written from the civil fields, never through a time zone.
    const CivilTime at = DecodeStationTime(LastUpdate);
    const QChar separator(CurrentDateTimeTemplates().separators.time);
    auto twoDigits = [](int field) {
        return QStringLiteral("%1").arg(field, 2, 10, QLatin1Char('0'));
    };
    const QString text = QString::number(at.day) + QLatin1Char(' ') +
                         QLocale().monthName(at.month, QLocale::ShortFormat) + QLatin1Char(' ') +
                         QString::number(at.year) + QLatin1Char(' ') + twoDigits(at.hour) +
                         separator + twoDigits(at.minute) + separator + twoDigits(at.second);
    m_stationPanel->lastUpdateLabel()->setText(text);
}

} // namespace orvela
