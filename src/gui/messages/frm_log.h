#pragma once

// The Messages window: time-stamped status lines from the whole program, newest on top, kept
// while the program runs and, when capturing is switched on, also appended to a log file.

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QCloseEvent;
class QMenu;
class QPlainTextEdit;
class QShowEvent;

namespace orvela {

class TfrmLog : public QMainWindow
{
    Q_OBJECT

public:
    // The list never holds more lines than this after a message was added, but for one
    // log-file failure line.
    static constexpr int MaxLines = 100;

    explicit TfrmLog(QWidget* parent = nullptr);

    // Adds "<short date> <long time>    <text>." on top; callable whether shown or hidden.
    // The time is the desk's local clock as the locale writes it, without a time-zone field.
    void AddStatusLine(const QString& text);

    // Where the time stamps come from: the system's local time unless another clock is set
    // (an empty function puts the system's back).
    using Clock = std::function<QDateTime()>;
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // The message list: the lines of memLog, newest first. Wrapping on screen does not make
    // more lines.
    QStringList lines() const;
    int lineCount() const;

    bool logToFile() const { return m_logToFile; }
    const QString& logFileName() const { return m_logFileName; }
    // Capturing to `fileName` (an empty name switches it off).
    void setLogFile(const QString& fileName);

    // The window the Messages window is centred over when it is first shown; without one, the
    // parent's window or else the active window (the one whose menu asked to show it).
    void setMainWindow(QWidget* mainWindow) { m_mainWindow = mainWindow; }

    QPlainTextEdit* memLog() const { return m_memLog; }
    QAction* ClearMessages1() const { return m_clearMessages1; }
    QAction* CaptureToFile1() const { return m_captureToFile1; }
    QAction* StopCapture1() const { return m_stopCapture1; }

public slots:
    // Shows the window and brings it to the front. Its first showing centres it over the main
    // window, unless it was placed already (bounds restored from the configuration).
    void ShowMessages();
    void ClearMessags1Click();
    // Asks for the log file ("Select Capture file") and switches capturing on; a cancelled
    // dialog changes nothing.
    void CaptureToFile1Click();
    void StopCapture1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormClose(QCloseEvent* event);
    void insertOnTop(const QString& line);
    void deleteOldestLine();
    bool appendToLogFile(const QString& line) const;
    void updateCaptureActions();

    QPlainTextEdit* m_memLog = nullptr;
    QMenu* m_options1 = nullptr;
    QAction* m_clearMessages1 = nullptr;
    QAction* m_captureToFile1 = nullptr;
    QAction* m_stopCapture1 = nullptr;
    QPointer<QWidget> m_mainWindow;
    bool m_logToFile = false;
    bool m_shownBefore = false;
    QString m_logFileName;
    Clock m_clock;
};

} // namespace orvela
