#pragma once

#include <QDialog>

class QHBoxLayout;
class QPushButton;
class QTabWidget;

// A non-modal dialogue of tabbed pages above a row of buttons. Closing it, by
// its close box or a button wired to reject(), only hides it.
class QtTabDialogue : public QDialog
{
    Q_OBJECT
public:
    explicit QtTabDialogue(QWidget* parent = nullptr);

    QTabWidget* tabs() const { return tabWidget; }

protected:
    // A button on the left or right end of the row. It is never the default
    // button, so Return in a page does not press it.
    QPushButton* addButton(const QString& text, bool atLeft = false);

private:
    QTabWidget* tabWidget = nullptr;
    QHBoxLayout* leftButtons = nullptr;
    QHBoxLayout* rightButtons = nullptr;
};
