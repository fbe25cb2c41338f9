#include "gui/messages/frm_log.h"

#include "gui/messages/prompter.h"
#include "support/latin1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <string_view>

namespace orvela {
namespace {

const QString Gap = QStringLiteral("    ");

// The log file is 8-bit text in the system code page, like the configuration file.
QByteArray toLatin1(const QString& text)
{
    const std::string bytes = ToLatin1(std::u16string_view(
        reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
    return QByteArray(bytes.data(), static_cast<int>(bytes.size()));
}

// A text box ending in a line break shows an empty last line that is not a message.
QTextBlock lastLineBlock(const QTextDocument& document)
{
    QTextBlock block = document.lastBlock();
    if (block.text().isEmpty() && block.previous().isValid())
        block = block.previous();
    return block;
}

// The locale's long time format without its time-zone field ("t"), and without the brackets
// or blanks that only framed it. Quoted literal text is kept as it is.
QString TimeFormatWithoutZone(const QString& format)
{
    QString kept;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char('t'))
            continue;
        kept += c;
    }
    kept.replace(QStringLiteral("()"), QString());
    return kept.simplified();
}

} // namespace

TfrmLog::TfrmLog(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmLog"));
    setWindowTitle(QStringLiteral("Messages"));
    setFont(QFont(QStringLiteral("Arial"), 8));
    resize(408, 295);
    // Closing the main window ends the program also while this window is open.
    setAttribute(Qt::WA_QuitOnClose, false);

    m_memLog = new QPlainTextEdit(this);
    m_memLog->setObjectName(QStringLiteral("memLog"));
    m_memLog->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_memLog->setWordWrapMode(QTextOption::WordWrap);
    m_memLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_memLog->setReadOnly(false);
    // The window runs for weeks unattended: an undo history of every line added would grow
    // without end.
    m_memLog->setUndoRedoEnabled(false);
    setCentralWidget(m_memLog);

    m_options1 = menuBar()->addMenu(QStringLiteral("&Options"));
    m_options1->setObjectName(QStringLiteral("Options1"));
    m_clearMessages1 = m_options1->addAction(QStringLiteral("&Clear Messages"));
    m_clearMessages1->setObjectName(QStringLiteral("ClearMessages1"));
    connect(m_clearMessages1, &QAction::triggered, this, &TfrmLog::ClearMessags1Click);
    m_options1->addSeparator();
    m_captureToFile1 = m_options1->addAction(QStringLiteral("Capture to &File..."));
    m_captureToFile1->setObjectName(QStringLiteral("CaptureToFile1"));
    connect(m_captureToFile1, &QAction::triggered, this, &TfrmLog::CaptureToFile1Click);
    m_stopCapture1 = m_options1->addAction(QStringLiteral("&Stop Capture"));
    m_stopCapture1->setObjectName(QStringLiteral("StopCapture1"));
    connect(m_stopCapture1, &QAction::triggered, this, &TfrmLog::StopCapture1Click);

    FormCreate();
}

void TfrmLog::FormCreate()
{
    m_logToFile = false;
    updateCaptureActions();
}

void TfrmLog::AddStatusLine(const QString& text)
{
    // Down to 99 lines before the new one: in the usual case that is one line. Above 100
    // (after a log-file failure line) more go, or a log file that keeps failing would add
    // one line per message without end.
    while (lineCount() >= MaxLines)
        deleteOldestLine();

    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    const QLocale locale;
    const QString stamp =
        locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
        locale.toString(now.time(), TimeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
    // One message is one line, in the list and in the log file.
    QString oneLine = text;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '));
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString line = stamp + Gap + oneLine + QLatin1Char('.');
    insertOnTop(line);

    if (m_logToFile && !appendToLogFile(line))
        insertOnTop(stamp + Gap +
                    QStringLiteral("ERROR: Unable to write status message to log file") +
                    QLatin1Char('.'));
}

QStringList TfrmLog::lines() const
{
    QStringList result;
    const QTextDocument& document = *m_memLog->document();
    if (document.isEmpty())
        return result;
    const QTextBlock last = lastLineBlock(document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        result.append(block.text());
        if (block == last)
            break;
    }
    return result;
}

int TfrmLog::lineCount() const
{
    const QTextDocument& document = *m_memLog->document();
    if (document.isEmpty())
        return 0;
    return lastLineBlock(document).blockNumber() + 1;
}

void TfrmLog::insertOnTop(const QString& line)
{
    QTextDocument& document = *m_memLog->document();
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::Start);
    cursor.insertText(document.isEmpty() ? line : line + QLatin1Char('\n'));
}

void TfrmLog::deleteOldestLine()
{
    QTextDocument& document = *m_memLog->document();
    const QTextBlock block = lastLineBlock(document);
    const int textEnd = block.position() + block.length() - 1;
    QTextCursor cursor(&document);
    if (block.previous().isValid()) {
        // The line and the line break before it.
        cursor.setPosition(block.position() - 1);
        cursor.setPosition(textEnd, QTextCursor::KeepAnchor);
    } else {
        // The only line, and the empty line after it if there is one.
        cursor.setPosition(block.position());
        cursor.setPosition(block.next().isValid() ? block.next().position() : textEnd,
                           QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
}

bool TfrmLog::appendToLogFile(const QString& line) const
{
    QFile file(m_logFileName);
    // Unbuffered, so that a failing write shows in write()'s result.
    if (m_logFileName.isEmpty() ||
        !file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const QByteArray bytes = toLatin1(line) + "\r\n";
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

void TfrmLog::setLogFile(const QString& fileName)
{
    m_logFileName = fileName;
    m_logToFile = !fileName.isEmpty();
    updateCaptureActions();
}

void TfrmLog::updateCaptureActions()
{
    m_captureToFile1->setEnabled(!m_logToFile);
    m_stopCapture1->setEnabled(m_logToFile);
}

void TfrmLog::ClearMessags1Click()
{
    m_memLog->clear();
}

void TfrmLog::CaptureToFile1Click()
{
    const QString fileName = CurrentPrompter().appendFileName(
        this, QStringLiteral("Select Capture file"), m_logFileName,
        QStringLiteral("Text Files (*.txt);;All Files (*)"), QStringLiteral("Txt"));
    if (fileName.isEmpty())
        return;
    setLogFile(fileName);
}

void TfrmLog::StopCapture1Click()
{
    // The name stays as the dialog's starting point for the next capture.
    m_logToFile = false;
    updateCaptureActions();
}

void TfrmLog::ShowMessages()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TfrmLog::showEvent(QShowEvent* event)
{
    // Bounds restored from the configuration (a move) are kept; otherwise the first showing
    // centres the window over the main window.
    if (!m_shownBefore && !event->spontaneous() && !testAttribute(Qt::WA_Moved)) {
        QWidget* over = m_mainWindow;
        if (!over && parentWidget())
            over = parentWidget()->window();
        if (!over && QApplication::activeWindow() != this)
            over = QApplication::activeWindow();
        QRect area;
        if (over)
            area = over->frameGeometry();
        else if (const QScreen* screen = QGuiApplication::primaryScreen())
            area = screen->availableGeometry();
        if (area.isValid())
            move(area.center() - QPoint(width() / 2, height() / 2));
    }
    m_shownBefore = true;
    QMainWindow::showEvent(event);
}

void TfrmLog::closeEvent(QCloseEvent* event)
{
    FormClose(event);
}

void TfrmLog::FormClose(QCloseEvent* event)
{
    // Closing only hides: the window and its lines live as long as the program.
    hide();
    event->accept();
}

} // namespace orvela
