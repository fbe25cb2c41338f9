#include "gui/db/desk_connection.h"

#include "core/config/desk_settings.h"
#include "core/db/station_database.h"
#include "core/db/station_queries.h"
#include "gui/db/frm_login.h"
#include "gui/messages/prompter.h"

#include <QSqlDatabase>

#include <cstdio>

namespace orvela {

DeskConnection::DeskConnection(std::function<void(const QString&)> log,
                               std::function<void()> failed)
    : m_log(std::move(log)), m_failed(std::move(failed))
{
    QString session = StationDatabase::DefaultSessionName();
    for (int n = 2; QSqlDatabase::contains(session); ++n)
        session = StationDatabase::DefaultSessionName() + QString::number(n);
    m_database = std::make_unique<StationDatabase>(session);
    m_queries = std::make_unique<StationQueries>(*m_database);
}

DeskConnection::~DeskConnection()
{
    // The queries go before the connection they run over.
    m_queries.reset();
    m_database.reset();
}

bool DeskConnection::connectQuietly(const QString& dataSource, const QString& userName,
                                    const QString& clearPassword, const QString& retryNote)
{
    const ConnectResult result = m_database->ConnectDatabase(dataSource, userName, clearPassword);
    if (result.ok) {
        m_log(QStringLiteral("Connected to ") + dataSource);
        return true;
    }
    m_log(QStringLiteral("Error connection to ") + dataSource + QStringLiteral(": ") +
          result.errorText.simplified() + retryNote);
    m_failed();
    m_database->Close();
    return false;
}

bool DeskConnection::connectOrShow(const QString& dataSource, const QString& userName,
                                   const QString& clearPassword, QWidget* owner)
{
    if (connectQuietly(dataSource, userName, clearPassword))
        return true;
    CurrentPrompter().showMessage(owner, BoxIcon::Error, QString(), FailureText(dataSource));
    return false;
}

QString DeskConnection::FailureText(const QString& dataSource)
{
    const QString text = QStringLiteral("Error connection to ") + dataSource;
    std::fprintf(stderr, "orvela: %s; the reason is in the Messages window (Options, Messages).\n",
                 text.toLocal8Bit().constData());
    return text;
}

QString DeskConnection::RetryNote(std::int32_t minutes)
{
    return QStringLiteral("; trying again in %1 %2")
        .arg(minutes)
        .arg(minutes == 1 ? QStringLiteral("minute") : QStringLiteral("minutes"));
}

bool DeskConnection::askLogin(DeskSettings& desk, QWidget* owner, QString& clearPassword)
{
    if (!m_loginForm) {
        m_loginForm = new TMyLoginForm(owner);
        m_loginForm->setObjectName(QStringLiteral("MyLoginForm"));
    }
    m_loginForm->LoginAlias = desk.dataSource;
    m_loginForm->LoginUser = desk.userName;
    m_loginForm->LoginPassword = desk.clearPassword();
    const bool accepted = m_loginForm->exec() == QDialog::Accepted;
    clearPassword = m_loginForm->LoginPassword;
    m_loginForm->LoginPassword.clear();
    if (!accepted)
        return false;
    desk.dataSource = m_loginForm->LoginAlias;
    desk.userName = m_loginForm->LoginUser;
    return true;
}

void DeskConnection::close()
{
    m_database->Close();
}

} // namespace orvela
