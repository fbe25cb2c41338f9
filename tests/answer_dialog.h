#pragma once

// Answers the next modal dialog of a test: the answer runs inside the dialog's own modal loop,
// as an operator's clicks would.

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>

namespace orvela::test {

// Once a Dialog is the active modal widget, runs `answer` on it. A dialog the answer left open
// is rejected and the test fails, rather than wait for the test's timeout.
template <typename Dialog> void AnswerDialog(std::function<void(Dialog&)> answer)
{
    QTimer::singleShot(0, [answer] {
        QTRY_VERIFY(qobject_cast<Dialog*>(QApplication::activeModalWidget()));
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        answer(*dialog);
        if (dialog->isVisible()) {
            dialog->reject();
            QFAIL("the dialog is still open after the answer");
        }
    });
}

} // namespace orvela::test
