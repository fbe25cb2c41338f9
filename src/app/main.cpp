#include "app/config_check.h"
#include "app/frm_main.h"
#include "app/termination_signals.h"
#include "messages/frm_log.h"
#include "support/format_scan.h"
#include "support/locale_separators.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Only the name: a display name would be appended to every window title the desktop shows.
    QApplication::setApplicationName(QStringLiteral("Orvela"));
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
    // Said once at start in the Messages window (the load reports a file it could not read),
    // and on the console for whoever started the program from one.
    if (const QString unread = window.ConfigReadError(); !unread.isEmpty())
        std::fprintf(stderr, "orvela: %s; starting on defaults.\n",
                     unread.toLocal8Bit().constData());
    const QString unsavable = orvela::ReportUnsavableConfig(log, configPath, options.isSet(config));
    if (!unsavable.isEmpty())
        std::fprintf(stderr, "orvela: %s.\n", unsavable.toLocal8Bit().constData());

    orvela::TerminationSignals termination;
    QObject::connect(&termination, &orvela::TerminationSignals::terminationRequested, &window,
                     [&window] { orvela::CloseForTermination(&window); });
    window.show();
    return QApplication::exec();
}
