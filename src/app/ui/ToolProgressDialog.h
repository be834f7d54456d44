#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

// How far a running tool has come, and its Cancel button. Non-modal, so the
// window keeps drawing and the mesh can still be turned while it is up; it
// shows without taking the keyboard from the view. Escape and closing the
// dialogue cancel the run rather than hide it: it stays up, saying it is
// cancelling, until the work has stopped.
class ToolProgressDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ToolProgressDialog(QWidget* parent = nullptr);

    // Resets the dialogue for a new run named name.
    void begin(const QString& name);
    // stage as the engine names it (empty: none yet), fraction in 0 .. 1 of it.
    void showProgress(const QString& stage, double fraction, qint64 elapsedMs);
    // The Cancel button is off and the stage reads "Cancelling...".
    void showCancelling();
    bool cancelling() const { return stopping; }

    static QString elapsedText(qint64 elapsedMs);

    void reject() override;

protected:
    // The first time, sits at the foot of its window, clear of the mesh in the
    // middle of the view; where the user moves it, it stays.
    void showEvent(QShowEvent* event) override;

signals:
    void cancelRequested();

private:
    QLabel* stageLabel;
    QProgressBar* bar;
    QLabel* elapsedLabel;
    QPushButton* cancelButton;
    bool stopping = false;
    bool placed = false;
};
