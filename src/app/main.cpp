#include "app/frm_main.h"
#include "messages/frm_log.h"
#include "support/format_scan.h"
#include "support/locale_separators.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvela"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvela"));
    // QApplication has set the C library's locale from the environment by now.
    orvela::InitDateTimeTemplates(orvela::ReadLocaleSeparators());

    orvela::TfrmLog log;
    const QString configPath =
        QDir(QApplication::applicationDirPath()).filePath(QStringLiteral("Orvela.ovf"));
    orvela::TfrmMain window(configPath, log);
    window.show();
    return QApplication::exec();
}
