#include "core/app/runtime_folder.h"
#include "gui/app/config_check.h"
#include "gui/app/frm_main.h"
#include "gui/app/termination_signals.h"
#include "gui/messages/frm_log.h"
#include "support/format_scan.h"
#include "support/locale_separators.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <cstring>

namespace {

// The options, for the running program and for the answers given without a display.
QCommandLineOption DefineOptions(QCommandLineParser& options)
{
    options.setApplicationDescription(QStringLiteral("Orvela, a viewer for station readings"));
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption config(QStringLiteral("config"),
                                    QStringLiteral("Read and write FILE instead of Orvela.ovf "
                                                   "beside the program."),
                                    QStringLiteral("FILE"));
    options.addOption(config);
    return config;
}

// True when the command line asks for the help or the version: those are answered before the
// window system is touched, so that they work where there is no display.
bool AsksForHelpOrVersion(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (std::strcmp(word, "--") == 0)
            return false;
        if (std::strcmp(word, "--config") == 0) {
            ++i; // its value, whatever it looks like
            continue;
        }
        // --help-all stays with the toolkit, which adds the options of its window system.
        for (const char* asked : {"-h", "--help", "-?", "-v", "--version"})
            if (std::strcmp(word, asked) == 0)
                return true;
    }
    return false;
}

int AnswerHelpOrVersion(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvela"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVELA_VERSION));
    QCommandLineParser options;
    DefineOptions(options);
    options.parse(QCoreApplication::arguments());
    if (options.isSet(QStringLiteral("version")))
        std::printf("Orvela %s\n", ORVELA_VERSION);
    else
        std::fputs(options.helpText().toLocal8Bit().constData(), stdout);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (AsksForHelpOrVersion(argc, argv))
        return AnswerHelpOrVersion(argc, argv);
    orvela::ProvideRuntimeFolder();

    QApplication app(argc, argv);
    // Only the name: a display name would be appended to every window title the desktop shows.
    QApplication::setApplicationName(QStringLiteral("Orvela"));
    // QApplication has set the C library's locale from the environment by now.
    orvela::InitDateTimeTemplates(orvela::ReadLocaleSeparators());

    // The configuration lives beside the program unless --config names another file: an
    // installed program's folder is not the operator's to write, and two windows can watch
    // two stations with two files.
    QApplication::setApplicationVersion(QStringLiteral(ORVELA_VERSION));
    QCommandLineParser options;
    const QCommandLineOption config = DefineOptions(options);
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
