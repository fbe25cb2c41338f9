// The "Database Login"_q dialog, driven through its real widgets on the offscreen platform, with
// its alias list taken from data sources defined in a temporary ODBC set-up.

#include "core/db/station_database.h"
#include "db/engine_fixture.h"
#include "gui/db/frm_login.h"
#include "recording_prompter.h"
#include "text_literal.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace orvela;
using namespace orvela::test;

class TestFrmLogin : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<EngineFixture> m_fx;

    static void Show(TMyLoginForm& form)
    {
        form.open();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }

private slots:
    void initTestCase()
    {
        m_fx = std::make_unique<EngineFixture>();
        m_fx->AddDataSource(QStringLiteral("ZetaUserSource"),
                            {{QStringLiteral("Driver"), QStringLiteral("Orvela Test SQLite")}},
                            true);
    }

    void cleanupTestCase() { m_fx.reset(); }

    void aliasesAreTheDataSources()
    {
        TMyLoginForm form;
        Show(form);
        QStringList expected;
        for (const DataSourceInfo& source : StationDatabase::ListDataSources())
            expected << source.name;
        QStringList shown;
        for (int i = 0; i < form.cboDBAlias->count(); ++i)
            shown << form.cboDBAlias->itemText(i);
        QCOMPARE(shown, expected);
        QVERIFY(shown.contains(QStringLiteral("ZetaUserSource")));
        QVERIFY(shown.contains(m_fx->DataSource(Engine::SQLite)));
        QVERIFY(!form.cboDBAlias->isEditable());

        // Read again at every showing.
        form.reject();
        m_fx->AddDataSource(QStringLiteral("AddedLater"),
                            {{QStringLiteral("Driver"), QStringLiteral("Orvela Test SQLite")}});
        Show(form);
        QVERIFY(form.cboDBAlias->findText(QStringLiteral("AddedLater")) >= 0);
    }

    void handedInValuesShown_data()
    {
        QTest::addColumn<QString>("alias");
        QTest::addColumn<QString>("selected"); // empty: nothing selected
        QTest::newRow("same spelling")
            << m_fx->DataSource(Engine::SQLite) << m_fx->DataSource(Engine::SQLite);
        QTest::newRow("other letter case")
            << m_fx->DataSource(Engine::SQLite).toLower() << m_fx->DataSource(Engine::SQLite);
        QTest::newRow("unknown alias") << QStringLiteral("NoSuchSource") << QString();
        QTest::newRow("empty alias") << QString() << QString();
    }

    void handedInValuesShown()
    {
        QFETCH(QString, alias);
        QFETCH(QString, selected);
        TMyLoginForm form;
        form.LoginAlias = alias;
        form.LoginUser = QStringLiteral("operator");
        form.LoginPassword = QStringLiteral("se;cr}et");
        Show(form);
        QCOMPARE(form.cboDBAlias->currentIndex() < 0, selected.isEmpty());
        if (!selected.isEmpty())
            QCOMPARE(form.cboDBAlias->currentText(), selected);
        QCOMPARE(form.edtDBUserName->text(), QStringLiteral("operator"));
        QCOMPARE(form.edtDBPassword->text(), QStringLiteral("se;cr}et"));
        QCOMPARE(form.edtDBPassword->echoMode(), QLineEdit::Password);
    }

    void okWithoutAliasStaysOpenAndKeepsTyping()
    {
        RecordingPrompter prompter;
        ScopedPrompter scoped(prompter);
        TMyLoginForm form;
        form.LoginUser = QStringLiteral("old user");
        Show(form);
        QCOMPARE(form.cboDBAlias->currentIndex(), -1);

        form.edtDBUserName->clear();
        QTest::keyClicks(form.edtDBUserName, QStringLiteral("bob"));
        QTest::keyClicks(form.edtDBPassword, QStringLiteral("p;w}"));
        // The dialog loses and regains activation around the message box.
        prompter.whileOpen = [&form] {
            QEvent deactivate(QEvent::WindowDeactivate);
            QCoreApplication::sendEvent(&form, &deactivate);
        };
        QTest::mouseClick(form.btnOK, Qt::LeftButton);
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&form, &activate);

        QCOMPARE(prompter.texts(),
                 QStringList{QStringLiteral("Please select ODBC connection string")});
        QCOMPARE(prompter.boxes.first().icon, BoxIcon::Plain);
        QVERIFY(form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(form.edtDBUserName->text(), QStringLiteral("bob"));
        QCOMPARE(form.edtDBPassword->text(), QStringLiteral("p;w}"));
        QCOMPARE(form.focusWidget(), form.cboDBAlias);

        // Choosing an alias afterwards lets OK through.
        const int index = form.cboDBAlias->findText(m_fx->DataSource(Engine::SQLite));
        QVERIFY(index >= 0);
        form.cboDBAlias->setCurrentIndex(index);
        QTest::mouseClick(form.btnOK, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.LoginAlias, m_fx->DataSource(Engine::SQLite));
        QCOMPARE(form.LoginUser, QStringLiteral("bob"));
        QCOMPARE(form.LoginPassword, QStringLiteral("p;w}"));
        QCOMPARE(prompter.boxes.size(), 1);
    }

    void enterPressesOk()
    {
        TMyLoginForm form;
        form.LoginAlias = m_fx->DataSource(Engine::SQLite);
        Show(form);
        QTest::keyClick(form.edtDBUserName, Qt::Key_Return);
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    void cancelKeepsTheHandedInValues_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel button") << 0;
        QTest::newRow("close box") << 1;
    }

    void cancelKeepsTheHandedInValues()
    {
        QFETCH(int, how);
        TMyLoginForm form;
        form.LoginAlias = m_fx->DataSource(Engine::SQLite);
        form.LoginUser = QStringLiteral("u1");
        form.LoginPassword = QStringLiteral("p1");
        Show(form);
        form.cboDBAlias->setCurrentIndex(
            form.cboDBAlias->findText(QStringLiteral("ZetaUserSource")));
        QTest::keyClicks(form.edtDBUserName, QStringLiteral("x"));
        QTest::keyClicks(form.edtDBPassword, QStringLiteral("y"));
        if (how == 0)
            QTest::mouseClick(form.btnCancel, Qt::LeftButton);
        else
            form.close();
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(form.LoginAlias, m_fx->DataSource(Engine::SQLite));
        QCOMPARE(form.LoginUser, QStringLiteral("u1"));
        QCOMPARE(form.LoginPassword, QStringLiteral("p1"));

        // The next showing starts again from the handed-in values.
        Show(form);
        QCOMPARE(form.edtDBUserName->text(), QStringLiteral("u1"));
        QCOMPARE(form.edtDBPassword->text(), QStringLiteral("p1"));
        QCOMPARE(form.cboDBAlias->currentText(), m_fx->DataSource(Engine::SQLite));
    }

    void escapeDoesNotClose()
    {
        TMyLoginForm form;
        Show(form);
        QTest::keyClick(form.edtDBUserName, Qt::Key_Escape);
        QVERIFY(form.isVisible());
    }

    void layoutAndTabOrder()
    {
        TMyLoginForm form;
        Show(form);
        QCOMPARE(form.windowTitle(), QStringLiteral("Database Login"));
        QCOMPARE(form.size(), QSize(303, 125));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.font().family(), QStringLiteral("Arial"));
        QCOMPARE(form.font().pointSize(), 8);
        QVERIFY(form.btnOK->isDefault());
        QCOMPARE(form.btnOK->text(), QStringLiteral("OK"));
        QCOMPARE(form.btnCancel->text(), QStringLiteral("Cancel"));
        const QList<QWidget*> order{form.cboDBAlias, form.edtDBUserName, form.edtDBPassword,
                                    form.btnCancel, form.btnOK};
        for (int i = 0; i + 1 < order.size(); ++i)
            QCOMPARE(order[i]->nextInFocusChain(), order[i + 1]);
        const QList<QPair<QString, QWidget*>> labels{{"&Database Alias:"_q, form.cboDBAlias},
                                                     {"&User Name:"_q, form.edtDBUserName},
                                                     {"&Password:"_q, form.edtDBPassword}};
        for (const auto& [text, buddy] : labels) {
            QLabel* label = nullptr;
            for (QLabel* candidate : form.findChildren<QLabel*>())
                if (candidate->text() == text)
                    label = candidate;
            QVERIFY2(label != nullptr, qPrintable(text));
            QCOMPARE(label->buddy(), buddy);
        }
        QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
    }
};

QTEST_MAIN(TestFrmLogin)
#include "test_frm_login.moc"
