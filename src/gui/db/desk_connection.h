#pragma once

// The main window's one database connection: the session (a second window in the process takes
// a session of its own), the station queries over it, and the login dialog. Every attempt says
// in the Messages window how it went; a failure's box names only the data source, the engine's
// own words go to the Messages window, where an administrator finds why, and whoever started
// the program from a console is told where they are.

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace orvela {

struct DeskSettings;
class StationDatabase;
class StationQueries;
class TMyLoginForm;

class DeskConnection
{
public:
    // `log` writes a Messages line; `failed` runs at every failure.
    DeskConnection(std::function<void(const QString&)> log, std::function<void()> failed);
    ~DeskConnection();

    StationDatabase& database() const { return *m_database; }
    StationQueries& queries() const { return *m_queries; }
    // The login dialog, once askLogin has created it.
    TMyLoginForm* loginForm() const { return m_loginForm; }

    // Opens the connection and writes its line either way, `retryNote` after a failure's reason;
    // a failure closes what it left and shows no box.
    bool connectQuietly(const QString& dataSource, const QString& userName,
                        const QString& clearPassword, const QString& retryNote = QString());
    // As connectQuietly; a failure also shows its box over `owner`.
    bool connectOrShow(const QString& dataSource, const QString& userName,
                       const QString& clearPassword, QWidget* owner);
    // The text of a failure's box, which is also said on the console.
    static QString FailureText(const QString& dataSource);
    // "; trying again in N minutes", for a start that tries again at each tick.
    static QString RetryNote(std::int32_t minutes);

    // The login dialog over `owner` on `desk`'s connection values. With OK the data source and
    // user name it ends with go into `desk`, the typed password into `clearPassword`, and true
    // comes back. The clear password does not stay in the dialog between logins.
    bool askLogin(DeskSettings& desk, QWidget* owner, QString& clearPassword);

    // Closing never fails the caller; the database layer swallows what the engine reports.
    void close();

private:
    std::function<void(const QString&)> m_log;
    std::function<void()> m_failed;
    std::unique_ptr<StationDatabase> m_database;
    std::unique_ptr<StationQueries> m_queries;
    TMyLoginForm* m_loginForm = nullptr;
};

} // namespace orvela
