#pragma once
// ModalDriver: answers the next pop-up menu or modal window (message box, dialog, file dialog)
// that a code
// path under test opens with exec(): it polls from the event loop that exec() runs, records
// the window's title and text, and hands the window to the test's answer. Disarmed when it
// goes out of scope, so an answer never reaches a later test.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class ModalDriver {
public:
    using Answer = std::function<void(QWidget*)>;
    struct Seen {
        bool shown = false;
        QString title;
        QString text;
    };

    ModalDriver() = default;
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;
    ~ModalDriver() { disarm(); }

    // Arms the driver for the next modal window; `answer` must close it.
    void answerNext(Answer answer)
    {
        disarm();
        state = std::make_shared<Seen>();
        auto seen = state;
        timer = new QTimer;
        QTimer* t = timer;
        QObject::connect(t, &QTimer::timeout, t, [t, seen, answer] {
            QWidget* modal = QApplication::activePopupWidget();
            if (!modal)
                modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            t->stop();
            seen->shown = true;
            seen->title = modal->windowTitle();
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                seen->text = box->text();
            answer(modal);
            t->deleteLater();
        });
        timer->start(10);
    }

    void disarm()
    {
        // Stopped at once: a deferred delete would wait for the outer event loop while the
        // timer kept answering inside the next test's modal loop.
        if (timer) {
            timer->stop();
            timer->deleteLater();
        }
        timer = nullptr;
    }

    bool shown() const { return state && state->shown; }
    QString title() const { return state ? state->title : QString(); }
    QString text() const { return state ? state->text : QString(); }

    // Closes a message box with its default button, any other window with close().
    static void accept(QWidget* modal)
    {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            box->accept();
        else
            modal->close();
    }

    // Types a file's path into a file dialog, as the learner would, and accepts it (selectFile
    // leaves the name field alone once it has the focus). Repeated until the dialog closes, as
    // the dialog's file model fills in the background.
    static void pickFile(QWidget* modal, const QString& absolutePath)
    {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        auto choose = [dialog, absolutePath] {
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                edit->setText(absolutePath);
            else
                dialog->selectFile(absolutePath);
            static_cast<QDialog*>(dialog)->accept();
        };
        auto* retry = new QTimer(dialog);
        QObject::connect(retry, &QTimer::timeout, dialog, choose);
        retry->start(50);
        choose();
    }

private:
    std::shared_ptr<Seen> state;
    QPointer<QTimer> timer;
};
