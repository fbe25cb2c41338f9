#include "app/frm_main.h"
#include "messages/frm_log.h"
#include "support/format_scan.h"
#include "support/locale_separators.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvela"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvela"));
    // QApplication has set the C library's locale from the environment by now.
    orvela::InitDateTimeTemplates(orvela::ReadLocaleSeparators());

    // The configuration lives beside the program unless --config names another file: an
    // installed program's folder is not the operator's to write, and two windows can watch
    // two stations with two files.
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Orvela, a viewer for station readings"));
    options.addHelpOption();
    const QCommandLineOption config(QStringLiteral("config"),
                                    QStringLiteral("Read and write FILE instead of Orvela.ovf "
                                                   "beside the program."),
                                    QStringLiteral("FILE"));
    options.addOption(config);
    options.process(app);
    const QString configPath =
        options.isSet(config)
            ? QDir::current().absoluteFilePath(options.value(config))
            : QDir(QApplication::applicationDirPath()).filePath(QStringLiteral("Orvela.ovf"));

    orvela::TfrmLog log;
    orvela::TfrmMain window(configPath, log);
    window.show();
    return QApplication::exec();
}
